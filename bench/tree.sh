#!/bin/sh
# The folder tree on big folders, under Xvfb with a window manager and the
# desktop icon theme: opening a folder of 1,000 folders, of 10,000 and of
# 50,000 files, a refresh (F5) with it open, and a start that selects an
# entry inside it; the same folder in the folder view (the extract dialog's)
# and in the file view; `ls -f` is the floor, Qt's asynchronous
# QFileSystemModel the peer. Medians of five runs in milliseconds (BENCH_PASSES), each figure
# given up after ZOT_BENCH_LIMIT seconds (60).
# Usage: bench/tree.sh [build]
set -eu
build=$(cd "${1:-build}" && pwd)
if [ -z "${ZOT_BENCH_INNER:-}" ]; then
  export ZOT_BENCH_INNER=1
  unset QT_QPA_PLATFORM
  exec xvfb-run -a -s "-screen 0 1280x1024x24" sh -c "openbox >/dev/null 2>&1 & sleep 0.5; sh '$0' '$build'"
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR="$work/run"
mkdir -m 700 "$work/run"
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
mkdir -p "$XDG_CONFIG_HOME/zot" "$work/big"
ls /usr/share/icons/Adwaita/index.theme >/dev/null 2>&1 || echo "(no desktop icon theme: figures are too good)"
python3 - "$work/big" <<'PY'
import os, sys
base = sys.argv[1]
def make(name, count, kind):
    d = os.path.join(base, name); os.mkdir(d)
    for i in range(count):
        if kind == "dirs":
            sub = os.path.join(d, "pkg-%04d" % i); os.mkdir(sub)
            open(os.path.join(sub, "copyright"), "w").close()
            if i % 10 == 0: open(os.path.join(sub, "tool.zip"), "w").close()
        else:
            open(os.path.join(d, "file%05d.zip" % i), "w").close()
make("folders1000", 1000, "dirs")
make("files10000", 10000, "files")
make("files50000", 50000, "files")
PY
ms() { start=$(date +%s%N); "$@" > /dev/null; echo $(( ($(date +%s%N) - start) / 1000000 )); }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (a ~ />/ || b ~ />/) { print "-"; exit } if (b < 1) b = 1; printf "%.2f", a / b }'; }
num() { sed 's/ ms.*//'; }
# One figure, or ">LIMIT" when it takes longer than LIMIT seconds (one run then).
fig() {
  if out=$(timeout "${ZOT_BENCH_LIMIT:-60}" "$build/bin/bench_tree" "$@" 2>/dev/null); then
    echo "$out" | num
  else
    echo ">${ZOT_BENCH_LIMIT:-60}000"
  fi
}
printf '%-12s %8s %9s %8s %7s %8s %10s %11s %9s\n' folder "ls -f" expand peer ratio F5 start folderview fileview
for d in folders1000 files10000 files50000; do
  floor=$(ms ls -f "$work/big/$d")
  expand=$(fig expand "$work/big/$d")
  peer=$(fig peer "$work/big/$d")
  refresh=$(fig refresh "$work/big/$d")
  start=$(fig start "$work/big/$d")
  folderview=$(fig folderview "$work/big/$d")
  fileview=$(timeout "${ZOT_BENCH_LIMIT:-60}" "$build/bin/bench_fileview" "$work/big/$d" 2>/dev/null | sed -n 's/.*median \([0-9]*\) ms.*/\1/p')
  printf '%-12s %8s %9s %8s %7s %8s %10s %11s %9s\n' "$d" "$floor" "$expand" "$peer" "$(ratio "$expand" "$peer")" "$refresh" "$start" "$folderview" "${fileview:->60000}"
done
# The program itself, its remembered folder inside the 1,000 folders.
printf '[Option]\nErrorDialog=1\n[Tree]\nFolder=%s\n' "$work/big/folders1000/pkg-0500" > "$XDG_CONFIG_HOME/zot/zot.ini"
times=""
for i in 1 2 3 4 5; do
  start=$(date +%s%N)
  shown=$(ZOT_STARTUP_PROBE=1 "$build/bin/zot" 2>/dev/null | sed -n 's/^shown //p')
  times="$times $(( (shown - start) / 1000000 ))"
done
echo $times | tr ' ' '\n' | sort -n | awk '{a[NR]=$1} END {printf "zot, remembered folder inside the 1,000: first paint median %d ms\n", a[3]}'
