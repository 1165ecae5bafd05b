#!/bin/sh
# The file view listing a folder of 10,000 files (goal: under 0.5 s), with
# `ls -l` of the same folder as the peer. Usage: bench/fileview.sh [build]
set -eu
build=$(cd "${1:-build}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/big"
(cd "$work/big" && i=0 && while [ $i -lt 10000 ]; do printf '%s' "$i" > "file$i.$((i % 7)).txt"; i=$((i + 1)); done)
for run in 1 2 3; do
  printf 'TFileView, 10,000 files:  '; QT_QPA_PLATFORM=offscreen "$build/bin/bench_fileview" "$work/big"
  start=$(date +%s%N); ls -l "$work/big" > /dev/null; end=$(date +%s%N)
  echo "ls -l, same folder:        $(( (end - start) / 1000000 )) ms"
done
