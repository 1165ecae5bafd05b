#!/bin/sh
# A program run with "ピポラ！" in the sandbox, under a real X server with a
# window manager, writes a save file beside itself and rewrites a member.
# Closing the window offers both: the dialog is the active window, on top,
# and Return answers "保存して終了"; both files land under
# ~/ピポラ！/game with what the program wrote, and TempRoot is gone.
# Usage: keep_under_xvfb.sh ZOT
set -eu
. "$(dirname "$0")/xvfb_common.sh"
need xvfb-run xdotool bsdtar openbox import
zot=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home" "$work/config/zot" "$work/pack" "$work/run"
chmod 700 "$work/run"
# Programs in the list are .exe and .com files; a script gets that name too.
cat > "$work/pack/setup.exe" <<'EOP'
#!/bin/sh
printf 'progress\n' > save.dat
printf 'level=7\n' > data.txt
printf 'ran\n' > marker
EOP
chmod +x "$work/pack/setup.exe"
printf 'level=1\n' > "$work/pack/data.txt"
(cd "$work/pack" && bsdtar --format=zip -cf "$work/home/game.zip" setup.exe data.txt)
printf '[Tree]\nFolder=%s/home/game.zip\n[Option]\nErrorDialog=1\n' "$work" > "$work/config/zot/zot.ini"
common=$(cd "$(dirname "$0")" && pwd)/xvfb_common.sh
cat > "$work/drive.sh" <<EOS
. "$common"
export XDG_RUNTIME_DIR="$work/run"
start_zot_wm "$zot"
win=\$(xdotool search --onlyvisible --name "^ピポラ！\\\$" | head -1)
# The first row of the list, then "ピポラ！" (both placed by the window's own layout).
for attempt in 1 2 3; do
  xdotool mousemove --window \$win 260 69 click 1; sleep 0.5
  xdotool mousemove --window \$win 72 370 click 1
  i=0; while [ \$i -lt 50 ] && [ ! -s "$work/data/zot/game/marker" ]; do sleep 0.2; i=\$((i + 1)); done
  [ -s "$work/data/zot/game/marker" ] && break
done
sleep 0.5
kill -TERM \$pid
wait_window "^変更されたファイルの保存\\\$"
sleep 1
xdotool getwindowname "\$(xdotool getactivewindow)" > "$work/active" 2>/dev/null || true
import -window root "$work/keep.png" 2>/dev/null || true
xdotool key Return
i=0; while [ \$i -lt 50 ] && kill -0 \$pid 2>/dev/null; do sleep 0.2; i=\$((i + 1)); done
kill -0 \$pid 2>/dev/null && echo "window still open" > "$work/result"
wait \$pid || true
EOS
run_xvfb "$work" "$work/drive.sh" "$work/drive.log"
[ -n "${ZOT_SCREENSHOT_DIR:-}" ] && cp "$work/keep.png" "$ZOT_SCREENSHOT_DIR/keep-dialog.png" 2>/dev/null || true
fail() { echo "$1"; cat "$work/drive.log"; exit 1; }
[ ! -e "$work/result" ] || fail "$(cat "$work/result")"
[ "$(cat "$work/active" 2>/dev/null)" = "変更されたファイルの保存" ] || fail "the dialog was not the active window: $(cat "$work/active" 2>/dev/null)"
kept="$work/home/ピポラ！/game"
[ "$(cat "$kept/save.dat" 2>/dev/null)" = progress ] || fail "save.dat was not kept"
[ "$(cat "$kept/data.txt" 2>/dev/null)" = "level=7" ] || fail "the rewritten member was not kept"
[ ! -e "$kept/setup.exe" ] || fail "an unchanged member was kept"
[ ! -e "$work/data/zot" ] || fail "TempRoot left behind"
echo "kept: $(cd "$kept" && ls | tr '\n' ' ')"
echo ok
