#!/bin/sh
# Builds the fuzz target with clang's libFuzzer and AddressSanitizer and runs
# it for SECONDS (default 600) on the fixture archives as the seed corpus.
# Not part of CI. Usage: fuzz/run.sh [SECONDS]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
out="$root/build-fuzz"
mkdir -p "$out/corpus"
m="$root/modules"
clang++-14 -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined \
  -DZOT_WORKER_FALLBACK='"/nonexistent"' \
  -I"$m/core" -I"$m/worker" -I"$root/abi" \
  "$here/fuzz_archive.cpp" "$m/core/module.cpp" "$m/core/client.cpp" "$m/core/text.cpp" \
  "$m/worker/worker.cpp" "$m/worker/create.cpp" "$m/worker/lzhscan.cpp" "$m/worker/lzhread.cpp" \
  $(pkg-config --cflags --libs libarchive liblhasa) -o "$out/fuzz_archive"
# Seeds: each fixture, once per format byte (listing and extraction).
i=0
for f in "$root"/tests/data/*.lzh "$root"/tests/data/lzh/*.lz? "$root"/tests/data/*.zip "$root"/tests/data/*.cab "$root"/tests/data/*.tar \
         "$root"/tests/data/*.tgz "$root"/tests/data/*.exe; do
  for b in 128 129 130 131 0 1 2 3; do
    { printf "$(printf '\\%03o' $b)"; head -c 65536 "$f"; } > "$out/corpus/seed-$i-$b"
  done
  i=$((i + 1))
done
cd "$out"
./fuzz_archive -max_total_time="${1:-600}" -max_len=70000 -timeout=20 -rss_limit_mb=2048 "$out/corpus"
