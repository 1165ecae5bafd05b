#!/bin/sh
# End to end with a Windows program under wine and a real X server: a
# program cross-compiled with MinGW is packed with the data file it reads as
# bin/setup.exe and bin/data.txt; the archive is selected at start, the
# member clicked, "ピポラ！" pressed; the program must leave its marker in the
# run folder, and closing the window must remove TempRoot.
# Usage: wine_under_xvfb.sh ZOT WIN_MARKER.EXE
set -eu
. "$(dirname "$0")/xvfb_common.sh"
need xvfb-run xdotool bsdtar wine
zot=$1
work=$(mktemp -d)
trap 'wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
export WINEPREFIX="$work/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$work/home" "$work/config/zot" "$work/pack/bin"
cp "$2" "$work/pack/bin/setup.exe"
printf 'data beside the program' > "$work/pack/bin/data.txt"
(cd "$work/pack" && bsdtar --format=zip -cf "$work/home/wingame.zip" bin)
printf '[Tree]\nFolder=%s/home/wingame.zip\n[Option]\nErrorDialog=1\n' "$work" > "$work/config/zot/zot.ini"
marker="$work/data/zot/wingame/bin/marker"
common=$(cd "$(dirname "$0")" && pwd)/xvfb_common.sh
cat > "$work/drive.sh" <<EOS
. "$common"
# A new wine prefix takes a while; make it before the clock starts.
wineboot -i >/dev/null 2>&1 || true
wineserver -w
"$zot" & pid=\$!
wait_window "^ピポラ！\$"
sleep 1
run_first_member "$marker" 30 "$work/marker.seen"
# The program has ended; let wine let go of the run folder before closing.
wineserver -k 2>/dev/null || true
kill -TERM \$pid
wait \$pid
EOS
run_xvfb "$work" "$work/drive.sh"
seen=$(cat "$work/marker.seen" 2>/dev/null || true)
[ "$seen" = "ran: data beside the program" ] || { echo "the Windows program did not run from its run folder (marker: '$seen')"; exit 1; }
[ ! -e "$work/data/zot" ] || { echo "TempRoot left behind"; ls -R "$work/data"; exit 1; }
echo "a Windows program ran under wine and Xvfb; TempRoot removed"
