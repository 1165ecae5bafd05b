#!/bin/sh
# Runs a command on a new X server with a window manager (openbox), as on a
# desktop: windows get frames, stacking rules and focus from it.
# Usage: tests/with_openbox.sh COMMAND [ARG...]
# Inside an X server already (DISPLAY set by xvfb-run), only openbox is started.
set -u
if [ -z "${ZOT_IN_XVFB:-}" ]; then
  ZOT_IN_XVFB=1 exec xvfb-run -a -s "-screen 0 1024x768x24" env -u QT_QPA_PLATFORM sh "$0" "$@"
fi
command -v openbox >/dev/null || { echo "missing openbox: run tools/deps.sh"; exit 1; }
openbox >/dev/null 2>&1 &
wm=$!
# Ready once it has claimed the screen.
i=0
while [ $i -lt 50 ] && ! xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; do
  sleep 0.1
  i=$((i + 1))
done
"$@"
rc=$?
kill "$wm" 2>/dev/null
wait "$wm" 2>/dev/null
exit $rc
