#!/bin/sh
# End to end under a real X server: a native program packed into a ZIP as
# setup.exe, the archive selected at start, the member clicked, "ピポラ！"
# pressed; the program must leave its marker in the run folder, and closing
# the window must remove TempRoot.
# Usage: run_under_xvfb.sh ZOT MARKER_PROGRAM
set -eu
. "$(dirname "$0")/xvfb_common.sh"
need xvfb-run xdotool bsdtar
zot=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home" "$work/config/zot" "$work/pack"
cp "$2" "$work/pack/setup.exe"
(cd "$work/pack" && bsdtar --format=zip -cf "$work/home/game.zip" setup.exe)
printf '[Tree]\nFolder=%s/home/game.zip\n[Option]\nErrorDialog=1\n' "$work" > "$work/config/zot/zot.ini"
common=$(cd "$(dirname "$0")" && pwd)/xvfb_common.sh
cat > "$work/drive.sh" <<EOS
. "$common"
"$zot" & pid=\$!
wait_window "^ピポラ！\$"
sleep 1
run_first_member "$work/data/zot/game/marker" 5 "$work/marker.seen"
close_zot \$pid
EOS
run_xvfb "$work" "$work/drive.sh"
grep -q "^ran in $work/data/zot/game\$" "$work/marker.seen" 2>/dev/null || { echo "the program did not run in its run folder"; exit 1; }
[ ! -e "$work/data/zot" ] || { echo "TempRoot left behind"; ls -R "$work/data"; exit 1; }
echo "ran under Xvfb and cleaned up"
