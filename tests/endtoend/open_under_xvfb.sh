#!/bin/sh
# "zot FILE": the path given is listed; a second "zot ARCHIVE" hands its path
# to the running window, which lists it, and ends within a second.
# What the window selected is read back from zot.ini after a normal close.
# Usage: open_under_xvfb.sh ZOT
set -eu
. "$(dirname "$0")/xvfb_common.sh"
need xvfb-run xdotool bsdtar
zot=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home/a" "$work/home/b" "$work/config/zot" "$work/data"
printf '[Option]\nErrorDialog=1\n' > "$work/config/zot/zot.ini"
# A small ZIP archive, made with bsdtar.
(cd "$work" && echo x > a.txt && bsdtar -a -cf "$work/home/a/first.zip" a.txt)
cp "$work/home/a/first.zip" "$work/home/b/second.zip"
common=$(cd "$(dirname "$0")" && pwd)/xvfb_common.sh
cat > "$work/drive.sh" <<EOS
. "$common"
set -u
"$zot" "$work/home/a/first.zip" & first=\$!
wait_window "^ピポラ！\$"
sleep 1
start=\$(date +%s%N)
timeout 10 "$zot" "$work/home/b/second.zip"; echo "second=\$?" >> "$work/result"
echo "ms=\$(( (\$(date +%s%N) - start) / 1000000 ))" >> "$work/result"
sleep 1
import -window root "$work/after.png" 2>/dev/null || true
kill -TERM \$first; wait \$first
grep '^Folder=' "$work/config/zot/zot.ini" >> "$work/result"
EOS
run_xvfb "$work" "$work/drive.sh" "$work/drive.log"
[ -n "${ZOT_SCREENSHOT_DIR:-}" ] && cp "$work/after.png" "$ZOT_SCREENSHOT_DIR/open-second.png" 2>/dev/null || true
cat "$work/result"
grep -q '^second=0$' "$work/result" || { echo "the second start did not end normally"; exit 1; }
ms=$(sed -n 's/^ms=//p' "$work/result"); [ "$ms" -lt 1000 ] || { echo "the second start took ${ms} ms"; exit 1; }
grep -q "^Folder=$work/home/b/second.zip\$" "$work/result" || { echo "the first window did not list the second archive"; exit 1; }
echo ok
