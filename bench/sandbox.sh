#!/bin/sh
# Time from a click on "ピポラ！" to the started program's first output (its
# marker file), under Xvfb, for a Windows program (through wine) and a shell
# script, with the sandbox on and off: the first run of a session (for wine
# with the template made first, then with it cached: the session's prefix
# copied) and later runs of the same session. Goal: later runs with the
# sandbox add under 0.3 s to those without.
# Usage: bench/sandbox.sh [BUILD] [LATER_RUNS]
set -eu
build=$(realpath "${1:-build}")
later=${2:-5}
zot=$build/bin/zot
tests=$(cd "$(dirname "$0")/../tests/endtoend" && pwd)
. "$tests/xvfb_common.sh"
need xvfb-run xdotool bsdtar bwrap wine
win=$build/tests/win_escape.exe
[ -f "$win" ] || { echo "build first: $win is missing"; exit 1; }
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT

# measure PROGRAM on|off CACHE LABEL
measure() {
  work=$root/$4
  mkdir -p "$work/home" "$work/config/zot" "$work/pack" "$3"
  cp "$1" "$work/pack/setup.exe"
  printf '%s\n' "$work/home" > "$work/pack/home.txt"
  (cd "$work/pack" && bsdtar --format=zip -cf "$work/home/bench.zip" setup.exe home.txt)
  sandbox=1; [ "$2" = off ] && sandbox=0
  printf '[Tree]\nFolder=%s/home/bench.zip\n[Option]\nErrorDialog=1\nSandbox=%s\n' "$work" "$sandbox" > "$work/config/zot/zot.ini"
  cat > "$work/drive.sh" <<EOS
. "$tests/xvfb_common.sh"
export XDG_CACHE_HOME="$3"
marker="$work/data/zot/bench/marker"
"$zot" & pid=\$!
wait_window "^ピポラ！\\\$"
sleep 1
xdotool mousemove 260 69 click 1; sleep 0.5
n=0
while [ \$n -le $later ]; do
  rm -f "\$marker"
  start=\$(date +%s%N)
  xdotool mousemove 72 370 click 1
  i=0; while [ \$i -lt 1200 ] && [ ! -s "\$marker" ]; do sleep 0.05; i=\$((i + 1)); done
  end=\$(stat -c %.9Y "\$marker" 2>/dev/null | tr -d .)
  echo \$(( (end - start) / 1000000 )) >> "$work/times"
  sleep 1.5
  n=\$((n + 1))
done
kill -TERM \$pid; wait \$pid
EOS
  run_xvfb "$work" "$work/drive.sh"
  first=$(head -n 1 "$work/times")
  median=$(tail -n +2 "$work/times" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}')
  printf '%-28s first %6s ms   later runs median %5s ms\n' "$4" "$first" "$median"
}

fresh=$root/fresh-cache cache=$root/cache
measure "$win" on "$fresh" "windows, sandbox, no template"
for mode in on off; do
  measure "$win" $mode "$fresh" "windows, sandbox $mode"
  measure "$tests/escape.sh" $mode "$cache" "script, sandbox $mode"
done
