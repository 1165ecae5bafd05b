#!/bin/sh
# Run inside an X server: starts the program, waits for its main window,
# saves a screenshot of the screen and closes the program.
# Usage: tools/screenshot.sh PROGRAM OUTPUT.png
set -eu
"$1" & pid=$!
i=0
while [ $i -lt 100 ]; do
  xdotool search --onlyvisible --name "^ピポラ！$" >/dev/null 2>&1 && break
  # Without archiver modules the library check dialog comes first: confirm it.
  # With no window manager the dialog gets no keyboard focus, so click its button.
  if dialog=$(xdotool search --onlyvisible --limit 1 --name "^DLL Check$" 2>/dev/null); then
    eval "$(xdotool getwindowgeometry --shell "$dialog")"
    xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT - 20)) click 1
    while xdotool search --onlyvisible --name "^DLL Check$" >/dev/null 2>&1; do sleep 0.1; done
  fi
  sleep 0.2
  i=$((i + 1))
done
sleep 1
import -window root "$2"
kill -TERM $pid
wait $pid
