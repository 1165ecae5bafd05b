#!/bin/sh
# Our modules against bsdtar, through the program's archive access layer:
#  (a) listing an archive of 20,000 members with the main window's ten
#      masks (ten OpenArchive passes) against one "bsdtar -tf";
#  (b) extracting a 200 MB archive against "bsdtar -xf";
#  (c) LZH extraction against "lhasa x" (the 200 MB archive, the 2 MB -lh1-
#      and the -lh4- sample of tests/data/lzh);
#  (d) the same through the extract dialog's code path (listing, the check
#      for files it would replace, the extraction with its progress dialog);
#  (e) a ZIP archive of 100,000 members listed in the main window (ten
#      passes and the list filled) against one "bsdtar -tf";
#  (f) the second decoders against the tools built on the same kind of
#      decoder: Quantum and LZX cabinets against "cabextract", a Deflate64
#      ZIP against "unar" and "7zz x", RAR 4 data through unarr (libarchive
#      made to fail after its first block) against "unar";
#  (g) today's kinds: 7z and tar.xz (made here from the same files) and a
#      RAR 4 sample, listed and extracted, against bsdtar;
# for ZIP, LZH, TAR and CAB (listing). Prints seconds and ratios (best of 3
# runs each). Needs: jlha-utils, zip, gcab, libarchive-tools, lhasa,
# cabextract, unar, 7zip.
# Usage: bench/archives.sh [build]
set -eu
build=$(cd "${1:-build}" && pwd)
samples=$(cd "$(dirname "$0")/../tests/data/lzh" && pwd)
others=$(cd "$(dirname "$0")/../tests/data/others" && pwd)
tests=$(dirname "$others")
here=$(cd "$(dirname "$0")" && pwd)
bench="$build/bin/bench_archives"
develop="$build/bin/bench_develop"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

best() {  # best of three runs of a command that prints seconds
  b=""
  for _ in 1 2 3; do
    t=$("$@")
    b=$(echo "$b $t" | awk '{m=$1; for(i=2;i<=NF;i++) if($i<m) m=$i; print m}')
  done
  echo "$b"
}
timed() {  # seconds a command takes
  s=$(date +%s.%N); "$@" >/dev/null 2>&1; e=$(date +%s.%N)
  echo "$e - $s" | bc
}

echo "making archives..."
mkdir many && (cd many && i=0 && while [ $i -lt 200 ]; do mkdir d$i; j=0; while [ $j -lt 100 ]; do
  echo "$i $j" > d$i/f$j.txt; j=$((j+1)); done; i=$((i+1)); done)
(cd many && zip -q -r ../many.zip . && jlha c2 ../many.lzh d* >/dev/null 2>&1 && bsdtar -cf ../many.tar . &&
  gcab -c ../many.cab $(find . -type f | sed 's|^\./||'))
[ "$(bsdtar -tf many.cab | wc -l)" -eq 20000 ] || { echo "gcab did not take all 20,000 files in one go"; exit 1; }
mkdir big && (cd big && i=0 && while [ $i -lt 40 ]; do
  head -c 2500000 /dev/urandom > r$i.bin; seq 1 400000 > t$i.txt; i=$((i+1)); done)
(cd big && zip -q -r ../big.zip . && jlha c2 ../big.lzh *.bin *.txt >/dev/null 2>&1 && bsdtar -cf ../big.tar .)
mkdir huge && (cd huge && i=0 && while [ $i -lt 500 ]; do mkdir d$i; j=0; while [ $j -lt 200 ]; do
  echo "$i $j" > d$i/f$j.txt; j=$((j+1)); done; i=$((i+1)); done && zip -q -r ../huge.zip .)
ls -la many.* big.* huge.zip | awk '{print $5, $9}'

printf '\n%-5s %12s %12s %7s\n' format "10 passes" "bsdtar -t" ratio
for f in zip lzh tar cab; do
  ours=$(best "$bench" list "many.$f")
  theirs=$(best timed bsdtar -tf "many.$f")
  printf '%-5s %11.3fs %11.3fs %6.2fx\n' $f "$ours" "$theirs" "$(echo "$ours / $theirs" | bc -l)"
done

printf '\n%-5s %12s %12s %7s\n' format "extract" "bsdtar -x" ratio
for f in zip lzh tar; do
  ours=$(best sh -c "rm -rf o && mkdir o && '$bench' extract big.$f \"\$PWD/o\"")
  theirs=$(best timed sh -c "rm -rf b && mkdir b && bsdtar -xf big.$f -C b")
  printf '%-5s %11.3fs %11.3fs %6.2fx\n' $f "$ours" "$theirs" "$(echo "$ours / $theirs" | bc -l)"
done

printf '\n%-28s %10s %10s %7s\n' "LZH" "extract" "lhasa x" ratio
for a in "$PWD/big.lzh" "$samples/lengths_lh1-2m.lzh" "$samples/lha_amiga_122_lh4_long.lzh"; do
  ours=$(best sh -c "rm -rf o && mkdir o && '$bench' extract '$a' \"\$PWD/o\"")
  theirs=$(best timed sh -c "rm -rf b && mkdir b && cd b && lhasa xq '$a'")
  printf '%-28s %9.3fs %9.3fs %6.2fx\n' "$(basename "$a")" "$ours" "$theirs" "$(echo "$ours / $theirs" | bc -l)"
done

printf '\n%-5s %12s %12s %7s\n' format "展開 dialog" "bsdtar -x" ratio
# The window opens LZH, ZIP and CAB archives (and programs), not tar.
for f in zip lzh; do
  ours=$(best sh -c "rm -rf o && mkdir o && '$develop' big.$f \"\$PWD/o\"")
  theirs=$(best timed sh -c "rm -rf b && mkdir b && bsdtar -xf big.$f -C b")
  printf '%-5s %11.3fs %11.3fs %6.2fx\n' $f "$ours" "$theirs" "$(echo "$ours / $theirs" | bc -l)"
done

printf '\n%-22s %10s %12s %7s\n' "100,000 members" "window" "bsdtar -t" ratio
window() {  # seconds the main window takes to list the archive, with a fresh settings file
  rm -rf h && mkdir -p h/c/zot && printf '[Option]\nErrorDialog=1\n' > h/c/zot/zot.ini
  HOME="$PWD/h" XDG_CONFIG_HOME="$PWD/h/c" XDG_DATA_HOME="$PWD/h/d" "$build/bin/bench_listing" archive "$PWD/huge.zip" 2>/dev/null | sed 's/ s .*//'
}
ours=$(best window)
theirs=$(best timed bsdtar -tf huge.zip)
printf '%-22s %9.3fs %11.3fs %6.2fx\n' "zip, listed in window" "$ours" "$theirs" "$(echo "$ours / $theirs" | bc -l)"

printf '\n%-28s %10s %12s %7s\n' "second decoders" "extract" "reference" ratio
"$here/lzx_cab.py" lzx.cab 16000000 8
(cd big && 7zz a -tzip -mm=Deflate64 ../d64.zip t*.txt r0.bin r1.bin >/dev/null)
# The small samples are extracted twenty times a run; there the program's
# fixed cost per operation (module, worker, listing: about 5 ms) dominates.
row() {  # label, our command, reference command
  ours=$(best timed sh -c "rm -rf o && mkdir o && $2")
  theirs=$(best timed sh -c "rm -rf b && mkdir b && $3")
  printf '%-28s %9.3fs %11.3fs %6.2fx\n' "$1" "$ours" "$theirs" "$(echo "$ours / $theirs" | bc -l)"
}
row "LZX cab, 8 x 16 MB" "'$bench' extract lzx.cab \"\$PWD/o\"" "cabextract -q -d b lzx.cab"
row "Quantum cab x20" "i=0; while [ \$i -lt 20 ]; do '$bench' extract '$others/cve-2010-2801-qtm-flush.cab' \"\$PWD/o\"; i=\$((i+1)); done" \
  "i=0; while [ \$i -lt 20 ]; do cabextract -q -d b '$others/cve-2010-2801-qtm-flush.cab'; i=\$((i+1)); done"
# The same fixed cost on the libarchive path, for comparison with the two above.
row "MSZIP cab x20 (libarchive)" "i=0; while [ \$i -lt 20 ]; do '$bench' extract '$tests/basic.cab' \"\$PWD/o\"; i=\$((i+1)); done" \
  "i=0; while [ \$i -lt 20 ]; do cabextract -q -d b '$tests/basic.cab'; i=\$((i+1)); done"
row "split cab set x20" "i=0; while [ \$i -lt 20 ]; do '$bench' extract '$others/split-1.cab' \"\$PWD/o\"; i=\$((i+1)); done" \
  "i=0; while [ \$i -lt 20 ]; do cabextract -q -d b '$others/split-1.cab'; i=\$((i+1)); done"
row "Deflate64 zip vs unar" "'$bench' extract d64.zip \"\$PWD/o\"" "unar -q -nr -D -f -o b d64.zip </dev/null"
row "Deflate64 zip vs 7zz" "'$bench' extract d64.zip \"\$PWD/o\"" "7zz x -y -bd -ob d64.zip"
row "RAR 4 via unarr x20" "i=0; while [ \$i -lt 20 ]; do ZOT_ARCWORKER_FAULT=first-decoder '$bench' extract '$others/rar_binary_data.rar' \"\$PWD/o\"; i=\$((i+1)); done" \
  "i=0; while [ \$i -lt 20 ]; do unar -q -nr -D -f -o b '$others/rar_binary_data.rar' </dev/null; i=\$((i+1)); done"

printf '\n%-28s %10s %12s %7s\n' "today's kinds" "ours" "bsdtar" ratio
(cd many && 7zz a -bd ../many.7z . >/dev/null && tar -cJf ../many.tar.xz .)
(cd big && 7zz a -bd ../big.7z . >/dev/null && tar -cJf ../big.tar.xz .)
for f in many.7z many.tar.xz "$others/rar_binary_data.rar"; do
  ours=$(best "$bench" list "$f")
  theirs=$(best timed bsdtar -tf "$f")
  printf '%-28s %9.3fs %11.3fs %6.2fx\n' "list $(basename "$f")" "$ours" "$theirs" "$(echo "$ours / $theirs" | bc -l)"
done
for f in big.7z big.tar.xz "$others/rar_binary_data.rar"; do
  row "extract $(basename "$f")" "'$bench' extract '$f' \"\$PWD/o\"" "bsdtar -xf '$f' -C b"
done
