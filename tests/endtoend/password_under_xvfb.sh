#!/bin/sh
# A password-protected ZIP under a real X server, typed into with xdotool:
# a wrong password, then the right one, runs the program; three wrong ones
# start nothing. (The progress dialog must not take the keyboard from the
# password field.)
# Usage: password_under_xvfb.sh ZOT
set -eu
. "$(dirname "$0")/xvfb_common.sh"
need xvfb-run xdotool zip
zot=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home" "$work/config/zot" "$work/pack"
printf '#!/bin/sh\necho ran >> "$(dirname "$0")/marker"\n' > "$work/pack/setup.exe"
chmod +x "$work/pack/setup.exe"
(cd "$work/pack" && zip -q -P "open sesame" "$work/home/locked.zip" setup.exe)
printf '[Tree]\nFolder=%s/home/locked.zip\n[Option]\nErrorDialog=1\n' "$work" > "$work/config/zot/zot.ini"
marker="$work/data/zot/locked/marker"
common=$(cd "$(dirname "$0")" && pwd)/xvfb_common.sh
cat > "$work/drive.sh" <<EOS
. "$common"
# answer TEXT: waits for the password form, types TEXT and presses Return.
answer() {
  wait_window "^パスワードの入力\\\$"; sleep 0.5
  xdotool type "\$1"; xdotool key Return; sleep 0.5
}
"$zot" & pid=\$!
wait_window "^ピポラ！\\\$"
sleep 1
click_main 260 69; sleep 0.5; click_main 72 370
answer wrong
wait_window "^パスワードの入力\\\$"; sleep 0.3
import -window root "$work/again.png" 2>/dev/null || true
answer "open sesame"
i=0; while [ \$i -lt 25 ] && [ ! -s "$marker" ]; do sleep 0.2; i=\$((i + 1)); done
cp "$marker" "$work/first" 2>/dev/null || true
rm -f "$marker"
click_main 72 370
answer one; answer two; answer three
sleep 1
import -window root "$work/refused.png" 2>/dev/null || true
xdotool key Return; sleep 1
cp "$marker" "$work/second" 2>/dev/null || true
close_zot \$pid
EOS
run_xvfb "$work" "$work/drive.sh" "$work/drive.log"
[ -n "${ZOT_SCREENSHOT_DIR:-}" ] && cp "$work/again.png" "$ZOT_SCREENSHOT_DIR/password-again.png" 2>/dev/null &&
  cp "$work/refused.png" "$ZOT_SCREENSHOT_DIR/password-refused.png" 2>/dev/null || true
grep -q ran "$work/first" 2>/dev/null || { echo "the right password did not run the program"; exit 1; }
[ ! -e "$work/second" ] || { echo "three wrong passwords still ran the program"; exit 1; }
[ ! -e "$work/data/zot" ] || { echo "TempRoot left behind"; exit 1; }
echo "asked, ran with the right password, refused three wrong ones"
