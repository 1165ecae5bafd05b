#!/bin/sh
# The installed program, started the way a desktop starts it: "gio launch" of
# the staged desktop entry with a ZIP archive. The window must list the
# archive (its program member runs from the list with "ピポラ！"), find its
# modules (no "DLL Check" window) and open its installed help page with F1.
# Usage: installed_under_xvfb.sh STAGE MARKER_PROGRAM
set -eu
. "$(dirname "$0")/xvfb_common.sh"
need xvfb-run xdotool bsdtar gio
stage=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home" "$work/config/zot" "$work/pack" "$work/bin"
cp "$2" "$work/pack/setup.exe"
(cd "$work/pack" && bsdtar --format=zip -cf "$work/home/game.zip" setup.exe)
printf '[Option]\nErrorDialog=1\n' > "$work/config/zot/zot.ini"
# The desktop's opener, standing in for a browser: it notes what it was given.
printf '#!/bin/sh\necho "$@" >> "%s/opened"\n' "$work" > "$work/bin/xdg-open"
chmod +x "$work/bin/xdg-open"
common=$(cd "$(dirname "$0")" && pwd)/xvfb_common.sh
cat > "$work/drive.sh" <<EOS
. "$common"
export PATH="$stage/usr/bin:$work/bin:/usr/bin:/bin"
gio launch "$stage/usr/share/applications/zot.desktop" "$work/home/game.zip"
wait_window "^ピポラ！\$"
sleep 1
import -window root "$work/launched.png" 2>/dev/null || true
xdotool search --onlyvisible --name "^DLL Check\$" >/dev/null 2>&1 && echo dllcheck >> "$work/result"
run_first_member "$work/data/zot/game/marker" 5 "$work/marker.seen"
xdotool search --onlyvisible --name "^ピポラ！\$" windowactivate --sync 2>/dev/null
xdotool key F1
i=0; while [ \$i -lt 25 ] && [ ! -s "$work/opened" ]; do sleep 0.2; i=\$((i + 1)); done
pkill -TERM -x zot
i=0; while [ \$i -lt 50 ] && pgrep -x zot >/dev/null; do discard_kept || true; sleep 0.2; i=\$((i + 1)); done
EOS
run_xvfb "$work" "$work/drive.sh" "$work/drive.log"
[ -n "${ZOT_SCREENSHOT_DIR:-}" ] && cp "$work/launched.png" "$ZOT_SCREENSHOT_DIR/installed-launch.png" 2>/dev/null || true
[ ! -e "$work/result" ] || { echo "the installed program did not find its modules"; exit 1; }
grep -q "^ran in $work/data/zot/game\$" "$work/marker.seen" 2>/dev/null ||
  { echo "the archive given to the desktop entry was not listed and run"; cat "$work/drive.log"; exit 1; }
grep -qx "$stage/usr/share/zot/zot.html" "$work/opened" 2>/dev/null ||
  { echo "F1 did not open the installed help page"; cat "$work/opened" 2>/dev/null; exit 1; }
[ ! -e "$work/data/zot" ] || { echo "TempRoot left behind"; exit 1; }
echo "installed program launched from its desktop entry, listed, ran and opened its help"
