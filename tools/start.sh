#!/bin/sh
# Installs what is missing, builds and starts the program. Without a display
# it runs under Xvfb, saves a screenshot of the main window and closes it.
set -eu
cd "$(dirname "$0")/.."
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  sh tools/deps.sh
  sh tools/build.sh
  exec build/bin/zot
fi
sh tools/deps.sh
sh tools/build.sh
shot="$(pwd)/build/screenshot.png"
xvfb-run -a -s "-screen 0 1024x768x24" sh tools/screenshot.sh build/bin/zot "$shot"
echo "No display here: the program ran under Xvfb. Screenshot of the main window: $shot"
