#!/bin/sh
# A big folder in the real program, under a real X server with a window
# manager and the desktop icon theme: the remembered folder lies in a folder
# of 3,000 folders, which the start opens; then F5 is pressed three times,
# each followed by Alt+F. The ﾌｧｲﾙ menu must open within 0.5 s every time
# (a refresh never holds the window).
# Usage: tree_under_xvfb.sh ZOT
set -eu
. "$(dirname "$0")/xvfb_common.sh"
need xvfb-run xdotool openbox import
zot=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home/big" "$work/config/zot" "$work/run"
chmod 700 "$work/run"
i=0
while [ $i -lt 3000 ]; do mkdir "$work/home/big/pkg-$i"; i=$((i + 1)); done
: > "$work/home/big/pkg-1/tool.zip"
printf '[Tree]\nFolder=%s/home/big/pkg-1500\n[Option]\nErrorDialog=1\n' "$work" > "$work/config/zot/zot.ini"
common=$(cd "$(dirname "$0")" && pwd)/xvfb_common.sh
cat > "$work/drive.sh" <<EOS
. "$common"
export XDG_RUNTIME_DIR="$work/run"
start_zot_wm "$zot"
import -window root "$work/opened.png" 2>/dev/null || true
: > "$work/times"
for round in 1 2 3; do
  # The menu is a new visible window (a popup has no name of its own).
  before=\$(xdotool search --onlyvisible --name "" 2>/dev/null | sort | tr '\n' ' ')
  xdotool key F5
  start=\$(date +%s%N)
  xdotool key alt+f
  i=0
  while [ \$i -lt 500 ] && [ "\$(xdotool search --onlyvisible --name "" 2>/dev/null | sort | tr '\n' ' ')" = "\$before" ]; do
    i=\$((i + 1))
  done
  echo "\$(( (\$(date +%s%N) - start) / 1000000 ))" >> "$work/times"
  [ \$round = 1 ] && import -window root "$work/menu.png" 2>/dev/null
  sleep 0.3
  xdotool key Escape
  sleep 0.5
done
import -window root "$work/refreshed.png" 2>/dev/null || true
close_zot \$pid
EOS
run_xvfb "$work" "$work/drive.sh" "$work/drive.log"
[ -n "${ZOT_SCREENSHOT_DIR:-}" ] && cp "$work/opened.png" "$ZOT_SCREENSHOT_DIR/tree-opened.png" && cp "$work/menu.png" "$ZOT_SCREENSHOT_DIR/tree-menu.png" && cp "$work/refreshed.png" "$ZOT_SCREENSHOT_DIR/tree-refreshed.png" 2>/dev/null || true
fail() { echo "$1"; cat "$work/drive.log"; exit 1; }
[ "$(wc -l < "$work/times")" -eq 3 ] || fail "the three rounds did not run"
echo "ms from F5 to the menu shown: $(tr '\n' ' ' < "$work/times")"
while read -r ms; do
  [ "$ms" -lt 500 ] || fail "the menu took $ms ms to open after F5"
done < "$work/times"
echo ok
