#!/bin/sh
# Closing the window while a Windows program still runs: the question comes,
# "はい" ends every wine process of the session's prefix (the sandbox's
# too) and TempRoot, prefix included, is removed.
# Usage: wine_close_under_xvfb.sh ZOT WIN_WAIT.EXE CACHE
set -eu
. "$(dirname "$0")/xvfb_common.sh"
need xvfb-run xdotool bsdtar wine bwrap
zot=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home" "$work/config/zot" "$work/pack" "$3"
cp "$2" "$work/pack/setup.exe"
(cd "$work/pack" && bsdtar --format=zip -cf "$work/home/waits.zip" setup.exe)
printf '[Tree]\nFolder=%s/home/waits.zip\n[Option]\nErrorDialog=1\n' "$work" > "$work/config/zot/zot.ini"
prefix="$work/data/zot/wine.prefix"
common=$(cd "$(dirname "$0")" && pwd)/xvfb_common.sh
cat > "$work/drive.sh" <<EOS
. "$common"
export XDG_CACHE_HOME="$3"
"$zot" & pid=\$!
wait_window "^ピポラ！\\\$"
sleep 1
run_first_member "$work/data/zot/waits/marker" 60 "$work/marker.seen"
sleep 1
# Close with the button "終了"; the marker the program wrote is let go,
# then the question is answered with Y.
click_main 585 370; sleep 1.5
discard_kept && sleep 1
import -window root "$work/question.png" 2>/dev/null || true
xdotool key y
i=0; while [ \$i -lt 50 ] && kill -0 \$pid 2>/dev/null; do sleep 0.2; i=\$((i + 1)); done
kill -0 \$pid 2>/dev/null && echo "window still open" >> "$work/result"
for p in \$(ls /proc | grep -E '^[0-9]+\\\$'); do
  grep -qz "WINEPREFIX=$prefix" /proc/\$p/environ 2>/dev/null && echo "left: \$(cat /proc/\$p/comm)" >> "$work/result"
done
kill -TERM \$pid 2>/dev/null || true
EOS
run_xvfb "$work" "$work/drive.sh" "$work/drive.log"
[ -n "${ZOT_SCREENSHOT_DIR:-}" ] && cp "$work/question.png" "$ZOT_SCREENSHOT_DIR/wine-close-question.png" 2>/dev/null || true
grep -q running "$work/marker.seen" 2>/dev/null || { echo "the program did not start"; exit 1; }
[ ! -e "$work/result" ] || { cat "$work/result"; exit 1; }
[ ! -e "$work/data/zot" ] || { ls -la "$work/data/zot"; echo "TempRoot left behind"; exit 1; }
echo "closed over a running Windows program: its processes ended, TempRoot removed"
