#!/bin/sh
# Time from starting the program to its main window's first paint, on Qt's
# offscreen platform and under Xvfb (a real X server). Prints the median of
# N runs in milliseconds. Goal: under 500 ms.
# Usage: bench/startup.sh [build/bin/zot] [N]
set -eu
zot=$(realpath "${1:-build/bin/zot}")
runs=${2:-15}

if [ "${ZOT_BENCH_INNER:-}" = 1 ]; then
  i=0
  times=""
  while [ $i -lt "$runs" ]; do
    start=$(date +%s%N)
    shown=$(ZOT_STARTUP_PROBE=1 "$zot" 2>/dev/null | sed -n 's/^shown //p')
    times="$times $(( (shown - start) / 1000000 ))"
    i=$((i + 1))
  done
  echo $times | tr ' ' '\n' | sort -n |
    awk '{a[NR]=$1} END {printf "median %d ms (min %d, max %d, %d runs)\n", a[int((NR+1)/2)], a[1], a[NR], NR}'
  exit 0
fi

home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
export HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" ZOT_BENCH_INNER=1
mkdir -p "$XDG_CONFIG_HOME/zot"
# Keep the library check dialog out of the measurement when modules are missing.
printf '[Option]\nErrorDialog=1\n' > "$XDG_CONFIG_HOME/zot/zot.ini"

printf 'offscreen: '
QT_QPA_PLATFORM=offscreen sh "$0" "$zot" "$runs"
if command -v xvfb-run >/dev/null; then
  printf 'Xvfb:      '
  env -u QT_QPA_PLATFORM xvfb-run -a -s "-screen 0 1024x768x24" sh "$0" "$zot" "$runs"
fi
