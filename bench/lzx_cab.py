#!/usr/bin/env python3
# Usage: bench/lzx_cab.py OUT.cab BYTES (at most 16 MB).
# A cabinet with one LZX folder (window 2^21) whose data is one uncompressed
# LZX block of the given size, cut into 32 KB CFDATA blocks.
import struct, sys, os
out, size = sys.argv[1], int(sys.argv[2])
data = b''.join((b'%08d line of text for the benchmark\n' % i) for i in range(size // 42 + 1))[:size]
n = len(data)
stream = struct.pack('<HH', (3 << 12) | ((n >> 12) & 0xFFF), (n & 0xFFF) << 4) + struct.pack('<III', 1, 1, 1) + data
if n % 2: stream += b'\0'
blocks = []
pos = 0; done = 0; first = True
while done < n:
    u = min(32768, n - done)
    take = u + (16 if first else 0)
    if done + u == n: take = len(stream) - pos
    blocks.append((stream[pos:pos + take], u)); pos += take; done += u; first = False
name = b'big.txt'
cffile = struct.pack('<IIHHHH', n, 0, 0, 0x5921, 0x6000, 0x20) + name + b'\0'
files_at = 36 + 8
data_at = files_at + len(cffile)
cfdata = b''.join(struct.pack('<IHH', 0, len(c), u) + c for c, u in blocks)
total = data_at + len(cfdata)
hdr = b'MSCF' + struct.pack('<IIIIIBBHHHHH', 0, total, 0, files_at, 0, 3, 1, 1, 1, 0, 0x1234, 0)
fold = struct.pack('<IHH', data_at, len(blocks), 3 | (21 << 8))
open(out, 'wb').write(hdr + fold + cffile + cfdata)
