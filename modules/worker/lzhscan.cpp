#include "lzhscan.h"

#include <unistd.h>

#include <vector>

namespace arc {
namespace {

bool MethodAt(const unsigned char* p) {
  return p[0] == '-' && p[1] == 'l' && (p[2] == 'h' || p[2] == 'z') && p[4] == '-' &&
         ((p[3] >= '0' && p[3] <= '9') || (p[3] >= 'a' && p[3] <= 'z'));
}

unsigned U16(const unsigned char* p) { return p[0] | (p[1] << 8); }
uint32_t U32(const unsigned char* p) { return U16(p) | static_cast<uint32_t>(U16(p + 2)) << 16; }

// h points at a candidate header with `avail` bytes behind it.
bool PlausibleHeader(const unsigned char* h, size_t avail) {
  if (avail < 27 || !MethodAt(h + 2)) return false;
  const unsigned level = h[20];
  if (level == 0 || level == 1) {
    const unsigned size = h[0];
    if (size < 22 || avail < size + 2u) return false;
    unsigned sum = 0;
    for (unsigned i = 2; i < size + 2u; ++i) sum += h[i];
    if ((sum & 0xFF) != h[1]) return false;
    const unsigned nameLength = h[21];
    return 22u + nameLength <= size;
  }
  if (level == 2) {
    const unsigned total = U16(h);
    if (total < 26 || avail < total) return false;
    // The extended headers must add up to the total size.
    unsigned at = 24;
    for (int guard = 0; guard < 256; ++guard) {
      const unsigned next = U16(h + at);
      // Some tools pad the header by one byte.
      if (next == 0) return at + 2 == total || at + 3 == total;
      if (next < 3) return false;
      at += next;
      if (at + 2 > total) return false;
    }
  }
  if (level == 3) {
    // The first word gives the size fields' width: 4.
    const uint32_t total = U32(h + 24);
    if (U16(h) != 4 || total < 32 || avail < total) return false;
    uint32_t at = 28;
    for (int guard = 0; guard < 256; ++guard) {
      const uint32_t next = U32(h + at);
      if (next == 0) return at + 4 == total;
      if (next < 5) return false;
      at += next;
      if (at + 4 > total) return false;
    }
  }
  return false;
}

}  // namespace

int64_t FindLzhStart(int fd, int64_t searchLimit) {
  constexpr size_t kChunk = 1 << 20;
  constexpr size_t kOverlap = 4096;
  std::vector<unsigned char> buf(kChunk + kOverlap);
  int64_t base = 0;
  size_t have = 0;
  while (base < searchLimit) {
    const ssize_t n = ::pread(fd, buf.data() + have, buf.size() - have, base + static_cast<int64_t>(have));
    if (n < 0) return -1;
    have += static_cast<size_t>(n);
    if (have < 27) return -1;
    const size_t scan = n == 0 ? have : have - std::min(have, kOverlap);
    for (size_t i = 0; i < scan; ++i)
      if (have - i >= 27 && buf[i + 2] == '-' && PlausibleHeader(buf.data() + i, have - i)) return base + static_cast<int64_t>(i);
    if (n == 0) return -1;
    // Keep the tail: a header may straddle two reads.
    std::copy(buf.begin() + static_cast<long>(scan), buf.begin() + static_cast<long>(have), buf.begin());
    base += static_cast<int64_t>(scan);
    have -= scan;
  }
  return -1;
}

}  // namespace arc
