#!/bin/sh
# Makes the golden listings of the LHA archives: what Debian's lhasa (an
# independent decoder) extracts from each, one line per file, "path<TAB>N
# bytes, CRC x" (path lower-cased: lhasa lower-cases MS-DOS names). The
# results are committed; run this only to make them anew (needs lhasa and
# python3):  sh make-lzh-golden.sh
set -eu
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$here/lzh/golden"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for archive in "$here"/lzh/*.lzh "$here"/lzh/*.lzs "$here"/level0.lzh "$here"/level1.lzh "$here"/level2.lzh \
               "$here"/lh6.lzh "$here"/lh7.lzh; do
  name=$(basename "$archive")
  rm -rf "$work/x" && mkdir "$work/x"
  (cd "$work/x" && lhasa xq "$archive")
  python3 - "$work/x" > "$here/lzh/golden/$name.txt" <<'PY'
import os, sys, zlib
root = sys.argv[1]
rows = []
for folder, _, files in os.walk(root):
    for f in files:
        path = os.path.join(folder, f)
        data = open(path, 'rb').read()
        rel = os.path.relpath(path, root).lower()
        rows.append(f"{rel}\t{len(data)} bytes, CRC {zlib.crc32(data):x}")
print("\n".join(sorted(rows)))
PY
done
