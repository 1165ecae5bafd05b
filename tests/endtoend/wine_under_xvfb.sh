#!/bin/sh
# End to end with a Windows program under wine and a real X server: a
# program cross-compiled with MinGW is packed with the data file it reads as
# bin/setup.exe and bin/data.txt; the archive is selected at start, the
# member clicked, "ピポラ！" pressed; the program must leave its marker in the
# run folder, and closing the window must remove TempRoot (with the
# session's wine prefix, whose server is still about). The wine template is
# kept in CACHE between tests.
# Usage: wine_under_xvfb.sh ZOT WIN_MARKER.EXE CACHE
set -eu
. "$(dirname "$0")/xvfb_common.sh"
need xvfb-run xdotool bsdtar wine
zot=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$3"
mkdir -p "$work/home" "$work/config/zot" "$work/pack/bin"
cp "$2" "$work/pack/bin/setup.exe"
printf 'data beside the program' > "$work/pack/bin/data.txt"
(cd "$work/pack" && bsdtar --format=zip -cf "$work/home/wingame.zip" bin)
printf '[Tree]\nFolder=%s/home/wingame.zip\n[Option]\nErrorDialog=1\n' "$work" > "$work/config/zot/zot.ini"
marker="$work/data/zot/wingame/bin/marker"
common=$(cd "$(dirname "$0")" && pwd)/xvfb_common.sh
cat > "$work/drive.sh" <<EOS
. "$common"
export XDG_CACHE_HOME="$3"
"$zot" & pid=\$!
wait_window "^ピポラ！\$"
sleep 1
run_first_member "$marker" 60 "$work/marker.seen"
close_zot \$pid
EOS
run_xvfb "$work" "$work/drive.sh"
seen=$(cat "$work/marker.seen" 2>/dev/null || true)
[ "$seen" = "ran: data beside the program" ] || { echo "the Windows program did not run from its run folder (marker: '$seen')"; exit 1; }
[ ! -e "$work/data/zot" ] || { echo "TempRoot left behind"; ls -R "$work/data"; exit 1; }
echo "a Windows program ran under wine and Xvfb; TempRoot removed"
