#!/bin/sh
# Starts the real program, starts it a second time (which must hand over to
# the first and end), then ends the first with SIGTERM as a desktop session
# would, and checks that it closed properly: settings written, TempRoot gone.
set -eu
zot=$1
home=$(mktemp -d)
trap 'kill $first 2>/dev/null || true; rm -rf "$home"' EXIT
export HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data"
mkdir -p "$XDG_CONFIG_HOME/zot"
# No archiver modules here: keep the library check dialog from waiting for a click.
printf '[Option]\nErrorDialog=1\n' > "$XDG_CONFIG_HOME/zot/zot.ini"

"$zot" & first=$!
i=0
while [ ! -d "$XDG_DATA_HOME/zot" ] && [ $i -lt 100 ]; do sleep 0.1; i=$((i + 1)); done
[ -d "$XDG_DATA_HOME/zot" ] || { echo "first copy did not create TempRoot"; exit 1; }
sleep 0.5

start=$(date +%s)
timeout 10 "$zot" || { echo "second copy did not end by itself"; exit 1; }
[ $(( $(date +%s) - start )) -lt 5 ] || { echo "second copy took too long"; exit 1; }
kill -0 $first || { echo "first copy ended"; exit 1; }

kill -TERM $first
wait $first || true
grep -q '^\[Window\]' "$XDG_CONFIG_HOME/zot/zot.ini" || { echo "settings not written"; exit 1; }
grep -q '^ViewMode=4' "$XDG_CONFIG_HOME/zot/zot.ini" || { echo "settings incomplete"; exit 1; }
[ ! -e "$XDG_DATA_HOME/zot" ] || { echo "TempRoot left behind"; exit 1; }
echo "life cycle ok"
