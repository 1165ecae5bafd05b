# Shared by the *_under_xvfb.sh tests (sourced, also by their drive scripts).

zot_tests=$(cd "$(dirname "$0")" && pwd)

# need TOOL...: stops with a message when a tool is missing (tools/deps.sh installs them).
need() {
  for tool; do
    command -v "$tool" >/dev/null || { echo "missing $tool: run tools/deps.sh"; exit 1; }
  done
}

# wait_window NAME-PATTERN: waits up to ten seconds for a visible window of that name.
wait_window() {
  i=0
  while [ $i -lt 50 ] && ! xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; do
    sleep 0.2
    i=$((i + 1))
  done
}

# run_xvfb WORK DRIVE [LOG]: runs the drive script on a new X server with a
# window manager (openbox), as a desktop has, with WORK's home, config and
# data folders as the user's.
run_xvfb() {
  HOME="$1/home" XDG_CONFIG_HOME="$1/config" XDG_DATA_HOME="$1/data" ZOT_IN_XVFB=1 \
    env -u DISPLAY -u QT_QPA_PLATFORM xvfb-run -a -s "-screen 0 800x450x24" \
    sh "$zot_tests/with_openbox.sh" sh "$2" 2>"${3:-/dev/null}" || true
}

# click_main X Y: clicks at X,Y inside the main window (its client area),
# wherever the window manager put it.
click_main() {
  w=$(xdotool search --onlyvisible --name "^ピポラ！\$" 2>/dev/null | head -1)
  xdotool mousemove --window "$w" "$1" "$2" click 1
}

# run_first_member MARKER SECONDS SEEN: clicks the list's first row, then
# "ピポラ！", until MARKER has content (at most SECONDS a try; a busy machine
# may lose a click, so three tries), and keeps a copy of it as SEEN.
run_first_member() {
  for attempt in 1 2 3; do
    click_main 260 69
    sleep 0.5
    click_main 72 370
    i=0
    while [ $i -lt $(($2 * 5)) ] && [ ! -s "$1" ]; do
      sleep 0.2
      i=$((i + 1))
    done
    [ -s "$1" ] && break
  done
  cp "$1" "$3" 2>/dev/null || true
}

# discard_kept: when the program offers files made in TempRoot for keeping
# ("変更されたファイルの保存"), answers "保存せずに終了" from the keyboard (the
# focus goes list, folder, 参照, 保存して終了, then it); false when no such
# window is there.
discard_kept() {
  w=$(xdotool search --onlyvisible --name "^変更されたファイルの保存\$" 2>/dev/null | head -1)
  [ -n "$w" ] || return 1
  xdotool windowactivate --sync "$w" 2>/dev/null || true
  xdotool key Tab Tab Tab Tab space
  sleep 0.5
}

# close_zot PID: ends the program as the desktop does (SIGTERM), lets go of
# what programs made in TempRoot, and waits for the program to end.
close_zot() {
  kill -TERM "$1"
  i=0
  while [ $i -lt 50 ] && kill -0 "$1" 2>/dev/null; do
    discard_kept || true
    sleep 0.2
    i=$((i + 1))
  done
  wait "$1"
}

# start_zot_wm ZOT: starts the program (its process id in $pid) and waits
# for its window.
start_zot_wm() {
  "$1" &
  pid=$!
  wait_window "^ピポラ！\$"
  sleep 1
}
