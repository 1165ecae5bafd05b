#!/bin/sh
# Makes the fixture archives with third-party tools (Debian 12 packages
# jlha-utils, zip, gcab, libarchive-tools, python3). The results are
# committed; run this only to make them anew:  sh make-fixtures.sh
set -eu
out=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
export TZ=UTC

# Sources: a text file, a folder, a compressible file, an executable.
mkdir -p src/doc src/bin
printf 'hello\r\n' > src/readme.txt
printf 'body\n' > src/doc/a.txt
seq 1 20000 > src/nums.txt
printf '#!/bin/sh\necho run\n' > src/bin/setup.exe
chmod 755 src/bin/setup.exe
touch -d '2024-05-17 13:45:30' src/readme.txt src/doc/a.txt src/nums.txt src/bin/setup.exe
# Names whose Shift-JIS second byte is 0x5C: 表 (95 5C), ソ (83 5C), 能 (94 5C).
mkdir -p sjis
printf 'hyo' > "sjis/$(printf '\225\134').txt"
printf 'so' > "sjis/$(printf '\203\134\203\164\203\147').txt"
printf 'no' > "sjis/$(printf '\224\134').txt"

# LZH: jlha, header levels 0, 1 and 2, methods lh5, lh6, lh7, Shift-JIS names.
(cd src && jlha c0 "$out/level0.lzh" readme.txt nums.txt >/dev/null)
(cd src && jlha c1 "$out/level1.lzh" readme.txt doc/a.txt bin/setup.exe >/dev/null)
(cd src && jlha c2 "$out/level2.lzh" readme.txt doc bin nums.txt >/dev/null)
(cd src && jlha c2o6 "$out/lh6.lzh" nums.txt >/dev/null)
(cd src && jlha c2o7 "$out/lh7.lzh" nums.txt >/dev/null)
# jlha converts names to Shift-JIS with "y"; it reads the UTF-8 names given.
mkdir -p u8 && printf 'hyo' > u8/表.txt && printf 'so' > u8/ソフト.txt && printf 'no' > u8/能.txt
(cd u8 && LANG=C.UTF-8 jlha c1y "$out/sjis.lzh" 表.txt ソフト.txt 能.txt >/dev/null)

# A self-extracting LHA program: a 40 KiB stub (with the "LHA's SFX" mark at
# offset 36, as such programs carry it) followed by the archive.
python3 - "$out/level2.lzh" "$out/lhasfx.exe" <<'PY'
import sys
stub = bytearray(b"MZ" + b"\0" * (40 * 1024 - 2))
stub[36:45] = b"LHA's SFX"
stub[1000:1010] = b"-lh5-junk!"  # looks like a method, is no header
sys.stdout.buffer  # keep flake quiet
open(sys.argv[2], "wb").write(bytes(stub) + open(sys.argv[1], "rb").read())
PY

# ZIP: Info-ZIP, with folders and an executable; Shift-JIS names stored raw
# (no UTF-8 flag) as old Japanese tools did; UTF-8 names.
rm -f "$out"/info.zip "$out"/sjis.zip "$out"/utf8.zip "$out"/zipsfx.exe
(cd src && zip -q -r -X "$out/info.zip" readme.txt doc bin nums.txt)
(cd sjis && LANG=C zip -q -X "$out/sjis.zip" ./*)
(cd u8 && LANG=C.UTF-8 zip -q -X "$out/utf8.zip" ./*)
# A self-extracting ZIP program: stub + archive, offsets fixed with zip -A.
python3 -c "import sys; sys.stdout.buffer.write(b'MZ' + b'ZIP stub ' + b'\0' * 30000)" > zipsfx.exe
cat "$out/info.zip" >> zipsfx.exe
zip -q -A zipsfx.exe
cp zipsfx.exe "$out/zipsfx.exe"

# The four member kinds the main window sorts by, and two names that test
# the sorting: an upper-case HTML extension and a name without extension.
mkdir -p kinds && (cd kinds && printf 'MZ' > setup.exe && printf 'read me' > readme.txt &&
  printf '<html></html>' > index.htm && printf 'data' > data.bin && printf '<p>' > PAGE.HTM &&
  printf 'x' > NOEXT && touch -d '2024-05-17 13:45:30' * &&
  zip -q -X "$out/kinds.zip" data.bin NOEXT PAGE.HTM index.htm readme.txt setup.exe)

# Documents the viewer reads: a Shift-JIS readme, an EUC-JP note, an RTF
# sample with bold, colour and Japanese, a Shift-JIS web page with a picture.
mkdir -p docs/img && (cd docs &&
  printf 'ピポラ！のテスト\r\n日本語のテキストです。\r\n' | iconv -f UTF-8 -t CP932 > readme.txt &&
  printf '日本語の EUC-JP 文書\n' | iconv -f UTF-8 -t EUC-JP > euc.txt &&
  printf '{\\rtf1\\ansi\\ansicpg932\\deff0{\\fonttbl{\\f0 MS Gothic;}}{\\colortbl;\\red255\\green0\\blue0;}\n\\f0\\fs24 Plain \\b Bold\\b0  \\cf1 Red\\cf0  \\u26085?\\u26412? \\'"'"'93\\'"'"'fa\\par\n\\i Second\\i0  line\\par}\n' > sample.rtf &&
  printf '<html><head><meta http-equiv="Content-Type" content="text/html; charset=Shift_JIS"><title>t</title></head><body><h1>ようこそ</h1><p><a href="sub/next.htm">次へ</a><img src="img/dot.png"></p></body></html>' | iconv -f UTF-8 -t CP932 > index.htm &&
  mkdir -p sub && printf '<html><body><p>次のページ</p></body></html>' > sub/next.htm &&
  python3 -c "import zlib,struct,sys
def chunk(t,d): return struct.pack('>I',len(d))+t+d+struct.pack('>I',zlib.crc32(t+d)&0xffffffff)
png=b'\x89PNG\r\n\x1a\n'+chunk(b'IHDR',struct.pack('>IIBBBBB',1,1,8,2,0,0,0))+chunk(b'IDAT',zlib.compress(b'\x00\xff\x00\x00'))+chunk(b'IEND',b'')
open('img/dot.png','wb').write(png)" &&
  touch -d '2024-05-17 13:45:30' readme.txt euc.txt sample.rtf index.htm &&
  zip -q -r -X "$out/docs.zip" readme.txt euc.txt sample.rtf index.htm sub img)

# CAB: gcab, MSZIP-compressed, with a folder; and Shift-JIS names.
(cd src && gcab -c -z "$out/basic.cab" readme.txt doc/a.txt nums.txt >/dev/null)
(cd sjis && gcab -c "$out/sjis.cab" * >/dev/null)
# gcab marks every name as UTF-8; Windows tools of the time did not, so the
# mark (0x80 in each file entry's attributes) is taken off again.
python3 - "$out/sjis.cab" <<'PY'
import sys, struct
data = bytearray(open(sys.argv[1], "rb").read())
first, = struct.unpack_from("<I", data, 16)
files, = struct.unpack_from("<H", data, 28)
at = first
for _ in range(files):
    attribs, = struct.unpack_from("<H", data, at + 14)
    struct.pack_into("<H", data, at + 14, attribs & ~0x80)
    at = data.index(0, at + 16) + 1
open(sys.argv[1], "wb").write(bytes(data))
PY

# TAR: bsdtar, plain and gzip.
bsdtar -cf "$out/basic.tar" -C src readme.txt doc bin
bsdtar -czf "$out/basic.tgz" -C src readme.txt doc bin

# Malformed: cut short, overwritten in the middle, not an archive at all.
head -c 300 "$out/level2.lzh" > "$out/truncated.lzh"
head -c 700 "$out/info.zip" > "$out/truncated.zip"
python3 - "$out" <<'PY'
import sys, os
out = sys.argv[1]
data = bytearray(open(os.path.join(out, "lh6.lzh"), "rb").read())
for i in range(60, len(data) - 10, 7):
    data[i] ^= 0x5A
open(os.path.join(out, "corrupt.lzh"), "wb").write(bytes(data))
data = bytearray(open(os.path.join(out, "basic.cab"), "rb").read())
for i in range(120, len(data), 5):
    data[i] ^= 0xA5
open(os.path.join(out, "corrupt.cab"), "wb").write(bytes(data))
open(os.path.join(out, "notarchive.zip"), "wb").write(b"this is not an archive\n" * 10)
PY

# An old method libarchive has no decoder for: level1.lzh relabelled -lh1-
# (header checksums fixed), as an archive from the 1990s would carry it.
python3 - "$out/level1.lzh" "$out/lh1.lzh" <<'PY'
import sys
data = bytearray(open(sys.argv[1], "rb").read())
i = 0
while i < len(data) and data[i] != 0:
    size = data[i]
    data[i + 5] = ord("1")
    data[i + 1] = sum(data[i + 2:i + 2 + size]) & 0xFF
    i += size + 2 + int.from_bytes(data[i + 7:i + 11], "little")
open(sys.argv[2], "wb").write(bytes(data))
PY

# Hostile: members leaving the folder, and a file written through a link.
python3 - "$out" <<'PY'
import sys, os, io, zipfile, tarfile
out = sys.argv[1]
with zipfile.ZipFile(os.path.join(out, "evil.zip"), "w") as z:
    z.writestr("good.txt", "good")
    z.writestr("../evil.txt", "evil")
    z.writestr("/tmp/abs-evil.txt", "evil")
    z.writestr("sub/../../evil2.txt", "evil")
    z.writestr("after.txt", "after")
with tarfile.open(os.path.join(out, "evil.tar"), "w", format=tarfile.GNU_FORMAT) as t:
    link = tarfile.TarInfo("escape")
    link.type = tarfile.SYMTYPE
    link.linkname = "/tmp"
    t.addfile(link)
    data = b"through the link"
    f = tarfile.TarInfo("escape/zot-evil.txt")
    f.size = len(data)
    t.addfile(f, io.BytesIO(data))
    data = b"ok"
    f = tarfile.TarInfo("fine.txt")
    f.size = len(data)
    t.addfile(f, io.BytesIO(data))
PY
ls -la "$out"

# Not made here: rar5_fileattr.rar is libarchive's test archive
# libarchive/test/test_read_format_rar5_fileattr.rar.uu (uudecoded; BSD
# 2-clause), RAR5 with folder entries and Windows attributes.

# Deflate64 members (libarchive 3.6 does not decode them), made with 7-Zip.
if command -v 7zz >/dev/null; then
  src=$(mktemp -d)
  mkdir -p "$src/doc"
  seq 1 40000 > "$src/nums.txt"
  python3 -c "import sys; sys.stdout.write(' '.join('word%d' % (i % 977) for i in range(60000)))" > "$src/doc/words.txt"
  echo tiny > "$src/tiny.txt"
  touch -d @1700000000 "$src/nums.txt" "$src/doc/words.txt" "$src/tiny.txt" "$src/doc"
  rm -f "$out/deflate64.zip"
  (cd "$src" && 7zz a -tzip -mm=Deflate64 "$out/deflate64.zip" nums.txt doc tiny.txt >/dev/null)
  rm -rf "$src"
fi

# Not made here: others/ holds archives from libarchive's and libmspack's
# test suites (RAR 4, Quantum and LZX cabinets, a split set, damaged ones);
# others/SOURCES.md gives each one's origin and licence.
