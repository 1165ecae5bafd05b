#!/usr/bin/env python3
# Usage: bench/lzx_cab.py OUT.cab BYTES [FILES]
# A cabinet of FILES members (default 1) of BYTES each (at most 16 MB), each
# in an LZX folder of its own (window 2^21) holding one uncompressed LZX block
# cut into 32 KB data blocks. No Debian tool writes LZX cabinets.
import struct
import sys

out, size = sys.argv[1], int(sys.argv[2])
count = int(sys.argv[3]) if len(sys.argv) > 3 else 1
line = b'%08d line of text for the benchmark\n'
data = b''.join(line % i for i in range(size // len(line % 0) + 1))[:size]
n = len(data)
stream = struct.pack('<HH', (3 << 12) | ((n >> 12) & 0xFFF), (n & 0xFFF) << 4) + struct.pack('<III', 1, 1, 1) + data
if n % 2:
    stream += b'\0'
blocks, pos, done = [], 0, 0
while done < n:
    u = min(32768, n - done)
    take = len(stream) - pos if done + u == n else u + (16 if done == 0 else 0)
    blocks.append(struct.pack('<IHH', 0, take, u) + stream[pos:pos + take])
    pos += take
    done += u
folder_data = b''.join(blocks)
files = b''.join(struct.pack('<IIHHHH', n, 0, k, 0x5921, 0x6000, 0x20) + b'part%d.txt\0' % k for k in range(count))
files_at = 36 + 8 * count
data_at = files_at + len(files)
total = data_at + len(folder_data) * count
head = b'MSCF' + struct.pack('<IIIIIBBHHHHH', 0, total, 0, files_at, 0, 3, 1, count, count, 0, 0x1234, 0)
folders = b''.join(struct.pack('<IHH', data_at + k * len(folder_data), len(blocks), 3 | (21 << 8)) for k in range(count))
with open(out, 'wb') as f:
    f.write(head + folders + files)
    for _ in range(count):
        f.write(folder_data)
