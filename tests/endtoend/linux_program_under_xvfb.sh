#!/bin/sh
# A program for this system in a 7z archive, under a real X server with a
# window manager: the archive clicked in the tree (the home folder being
# the one selected at start), its first member (listed first, as a
# program) clicked, "ピポラ！" pressed. The script
# runs in the sandbox from its folder in TempRoot: its marker is written
# there, it could not write the home folder, and TempRoot goes at close.
# Usage: linux_program_under_xvfb.sh ZOT
set -eu
. "$(dirname "$0")/xvfb_common.sh"
need xvfb-run xdotool 7zz bwrap
zot=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home" "$work/config/zot" "$work/pack/app"
echo "secret" > "$work/home/.bashrc"
cp "$(dirname "$0")/escape.sh" "$work/pack/app/escape.sh"
chmod 755 "$work/pack/app/escape.sh"
echo "read me" > "$work/pack/app/readme.txt"
(cd "$work/pack" && 7zz a -bd "$work/home/tool.7z" app >/dev/null)
printf '[Tree]\nFolder=%s/home\n[Option]\nErrorDialog=1\n' "$work" > "$work/config/zot/zot.ini"
marker="$work/data/zot/tool/app/marker"
common=$(cd "$(dirname "$0")" && pwd)/xvfb_common.sh
cat > "$work/drive.sh" <<EOS
. "$common"
"$zot" & pid=\$!
wait_window "^ピポラ！\\\$"
sleep 1
# The tree: コンピュータ, ファイルシステム, ホーム (selected), then once it
# is opened with the Right key, .cache and tool.7z (18-pixel rows).
click_main 180 87
xdotool key Right
sleep 1
click_main 110 123
sleep 1
import -window root "$work/clicked.png" 2>/dev/null || true
run_first_member "$marker" 30 "$work/marker.seen"
import -window root "$work/ran.png" 2>/dev/null || true
close_zot \$pid
EOS
run_xvfb "$work" "$work/drive.sh" "$work/drive.log"
[ -n "${ZOT_SCREENSHOT_DIR:-}" ] && cp "$work/ran.png" "$ZOT_SCREENSHOT_DIR/linux-program.png" 2>/dev/null || true
[ -n "${ZOT_SCREENSHOT_DIR:-}" ] && cp "$work/clicked.png" "$ZOT_SCREENSHOT_DIR/linux-program-clicked.png" 2>/dev/null || true
fail() { echo "$1"; cat "$work/drive.log" 2>/dev/null | tail -5; exit 1; }
[ -s "$work/marker.seen" ] || fail "the program did not run from its folder in TempRoot"
grep -q '^wrote-home=0$' "$work/marker.seen" || fail "the program wrote into the home folder"
[ ! -e "$work/home/escape.txt" ] || fail "~/escape.txt is there"
[ ! -e "$work/data/zot" ] || fail "TempRoot left behind"
echo "ran in the sandbox from TempRoot"
