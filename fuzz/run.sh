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
  "$here/fuzz_archive.cpp" "$m/core/module.cpp" "$m/core/client.cpp" "$m/core/text.cpp" "$m/core/space.cpp" \
  "$m/core/policy.cpp" "$m/core/outcome.cpp" "$m/core/records.cpp" \
  "$m/worker/worker.cpp" "$m/worker/create.cpp" "$m/worker/lzhscan.cpp" "$m/worker/lzhread.cpp" \
  "$m/worker/cabread.cpp" "$m/worker/unarrread.cpp" "$m/worker/volumes.cpp" "$m/worker/rar5scan.cpp" \
  $(pkg-config --cflags --libs libarchive liblhasa libmspack libunarr) -o "$out/fuzz_archive"
# Seeds: each fixture, once per format byte (listing and extraction).
python3 "$root/bench/lzx_cab.py" "$out/lzx.cab" 60000
rm -f "$out/seed.7z" "$out/seed.tar.xz"
(cd "$root/tests/data" && 7zz a -bd "$out/seed.7z" make-fixtures.sh others/SOURCES.md >/dev/null &&
  tar -cJf "$out/seed.tar.xz" make-fixtures.sh others/SOURCES.md)
i=0
for f in "$root"/tests/data/*.lzh "$root"/tests/data/lzh/*.lz? "$root"/tests/data/*.zip "$root"/tests/data/*.cab "$root"/tests/data/*.tar \
         "$root"/tests/data/*.tgz "$root"/tests/data/*.exe "$root"/tests/data/*.rar "$root"/tests/data/others/*.??? "$out/seed.7z" "$out/seed.tar.xz" \
         "$out/lzx.cab"; do
  # Format bytes (modulo 6): 0 lha, 1 zip, 2 cab, 3 tar, 4 rar, 5 7z; 0x80
  # extracts, 0x20 makes libarchive fail after a block so that unarr takes over.
  for b in 132 133 134 135 136 137 163 166 0 1 2 3 4 5; do
    { printf "$(printf '\\%03o' $b)"; head -c 65536 "$f"; } > "$out/corpus/seed-$i-$b"
  done
  i=$((i + 1))
done
cd "$out"
./fuzz_archive -max_total_time="${1:-600}" -max_len=70000 -timeout=20 -rss_limit_mb=2048 "$out/corpus"
