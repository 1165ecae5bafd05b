# Shared by the *_under_xvfb.sh tests (sourced, also by their drive scripts).

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

# run_xvfb WORK DRIVE [LOG]: runs the drive script on a new X server, with
# WORK's home, config and data folders as the user's.
run_xvfb() {
  HOME="$1/home" XDG_CONFIG_HOME="$1/config" XDG_DATA_HOME="$1/data" \
    env -u DISPLAY -u QT_QPA_PLATFORM xvfb-run -a -s "-screen 0 800x450x24" sh "$2" 2>"${3:-/dev/null}" || true
}

# run_first_member MARKER SECONDS SEEN: clicks the list's first row, then
# "ピポラ！", until MARKER has content (at most SECONDS a try; a busy machine
# may lose a click, so three tries), and keeps a copy of it as SEEN.
run_first_member() {
  for attempt in 1 2 3; do
    xdotool mousemove 260 69 click 1
    sleep 0.5
    xdotool mousemove 72 370 click 1
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

# start_zot_wm ZOT: starts openbox, as a desktop has a window manager, then
# the program (its process id in $pid), and waits for its window.
start_zot_wm() {
  openbox >/dev/null 2>&1 &
  sleep 0.5
  "$1" &
  pid=$!
  wait_window "^ピポラ！\$"
  sleep 1
}
