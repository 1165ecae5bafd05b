#!/bin/sh
# The main window on large inputs: expanding and listing a folder of 10,000
# archive files, and listing an archive of 20,000 members (ten passes).
# Goal: each under 1 s. Usage: bench/listing.sh [build]
set -eu
build=$(cd "${1:-build}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
mkdir -p "$XDG_CONFIG_HOME/zot" "$work/big"
printf '[Option]\nErrorDialog=1\n' > "$XDG_CONFIG_HOME/zot/zot.ini"
i=0
while [ $i -lt 10000 ]; do : > "$work/big/file$i.zip"; i=$((i + 1)); done
mkdir "$work/many" && (cd "$work/many" && for d in $(seq 0 199); do mkdir d$d; for f in $(seq 0 99); do
  echo "$d $f" > d$d/f$f.txt; done; done && zip -q -r ../many.zip .)
for run in 1 2 3; do
  printf 'folder of 10,000 files:        '; "$build/bin/bench_listing" folder "$work/big"
  printf 'archive of 20,000 members:     '; "$build/bin/bench_listing" archive "$work/many.zip"
done
