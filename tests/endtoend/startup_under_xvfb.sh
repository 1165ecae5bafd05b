#!/bin/sh
# The start-up questions on a desktop (openbox): with a module missing and a
# leftover temporary folder, "DLL Check" and then the leftover question are
# each the topmost window, the splash is gone from the screen, the check
# box takes a real click and the settings file keeps it.
# Usage: startup_under_xvfb.sh ZOT
set -eu
. "$(dirname "$0")/xvfb_common.sh"
need xvfb-run xdotool openbox xprop import
zot=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The program beside two of its three modules: the CAB one is missing.
mkdir -p "$work/app" "$work/home" "$work/config" "$work/data/zot/old"
cp "$zot" "$work/app/zot"
for m in unlha32.so unzip32.so; do cp "$(dirname "$zot")/$m" "$work/app/"; done
common=$(cd "$(dirname "$0")" && pwd)/xvfb_common.sh
cat > "$work/drive.sh" <<EOS
. "$common"
set -u
"$work/app/zot" & pid=\$!
# topmost NAME: the window of that name is the top of the window manager's
# stacking order and no splash is on the screen.
topmost() {
  w=\$(xdotool search --onlyvisible --name "\$1" | head -1)
  [ -n "\$w" ] || { echo "none"; return; }
  top=\$(xprop -root _NET_CLIENT_LIST_STACKING | sed 's/.*, //; s/.*# //')
  splash=\$(xdotool search --onlyvisible --name "起動中" 2>/dev/null | wc -l)
  if [ "\$((top))" = "\$w" ] && [ "\$splash" = 0 ]; then echo "top"; else echo "covered(top=\$top w=\$w splash=\$splash)"; fi
}
wait_window "^DLL Check\$"
sleep 1
import -window root "$work/dllcheck.png"
echo "dllcheck=\$(topmost "^DLL Check\$")" >> "$work/result"
d=\$(xdotool search --onlyvisible --name "^DLL Check\$" | head -1)
eval "\$(xdotool getwindowgeometry --shell \$d)"
# The check box sits just above the button at the foot of the dialog.
xdotool mousemove --window \$d 24 \$((HEIGHT - 46)) click 1
sleep 0.3
import -window root "$work/ticked.png"
xdotool mousemove --window \$d \$((WIDTH / 2)) \$((HEIGHT - 20)) click 1
i=0
while [ \$i -lt 50 ] && ! xdotool search --onlyvisible --name "^ピポラ！\$" >/dev/null 2>&1; do sleep 0.2; i=\$((i+1)); done
sleep 1
import -window root "$work/leftover.png"
echo "leftover=\$(topmost "^ピポラ！\$")" >> "$work/result"
xdotool key Return
i=0
while [ \$i -lt 50 ] && [ -e "$work/data/zot/old" ]; do sleep 0.2; i=\$((i+1)); done
[ -e "$work/data/zot/old" ] || echo "old=gone" >> "$work/result"
sleep 1
close_zot \$pid
EOS
run_xvfb "$work" "$work/drive.sh" "$work/drive.log"
[ -n "${ZOT_SCREENSHOT_DIR:-}" ] && cp "$work"/*.png "$ZOT_SCREENSHOT_DIR/" 2>/dev/null
cat "$work/result"
grep -q '^dllcheck=top$' "$work/result" || { echo "DLL Check is not the topmost, uncovered window"; exit 1; }
grep -q '^leftover=top$' "$work/result" || { echo "the leftover question is not the topmost, uncovered window"; exit 1; }
grep -q '^old=gone$' "$work/result" || { echo "the leftover folder stayed"; exit 1; }
grep -q '^ErrorDialog=1' "$work/config/zot/zot.ini" || { echo "the click on the check box was lost"; cat "$work/config/zot/zot.ini"; exit 1; }
echo ok
