#include "rar5scan.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace arc {
namespace {

// RAR5 numbers: 7 bits a byte, low first, the high bit says more follow.
bool Vint(const std::vector<uint8_t>& b, size_t* at, size_t end, uint64_t* v) {
  *v = 0;
  for (int shift = 0; shift < 70 && *at < end; shift += 7) {
    const uint8_t c = b[(*at)++];
    *v |= static_cast<uint64_t>(c & 0x7F) << shift;
    if (!(c & 0x80)) return true;
  }
  return false;
}

bool ReadAt(int fd, uint64_t offset, size_t n, std::vector<uint8_t>* out) {
  out->resize(n);
  size_t done = 0;
  while (done < n) {
    const ssize_t got = ::pread(fd, out->data() + done, n - done, static_cast<off_t>(offset + done));
    if (got <= 0) return false;
    done += static_cast<size_t>(got);
  }
  return true;
}

constexpr uint64_t kFileHeader = 2, kEncryptionHeader = 4, kEndHeader = 5;
constexpr uint64_t kHasExtra = 0x0001, kHasData = 0x0002;
constexpr uint64_t kFileIsFolder = 0x0001, kFileHasTime = 0x0002, kFileHasCrc = 0x0004;
constexpr uint64_t kEncryptionRecord = 0x01;

// The name of a file header and whether its extra area has an encryption record.
void FileHeader(const std::vector<uint8_t>& h, size_t at, size_t extraStart, Rar5Encryption* result) {
  uint64_t flags, size, attrs, method, os, nameLength;
  if (!Vint(h, &at, extraStart, &flags) || !Vint(h, &at, extraStart, &size) || !Vint(h, &at, extraStart, &attrs)) return;
  Rar5Member m;
  m.size = size;
  m.folder = flags & kFileIsFolder;
  if ((flags & kFileHasTime) && at + 4 <= extraStart)
    m.mtime = h[at] | (h[at + 1] << 8) | (h[at + 2] << 16) | (static_cast<int64_t>(h[at + 3]) << 24);
  if (flags & kFileHasTime) at += 4;
  if (flags & kFileHasCrc) at += 4;
  if (!Vint(h, &at, extraStart, &method) || !Vint(h, &at, extraStart, &os) || !Vint(h, &at, extraStart, &nameLength))
    return;
  if (nameLength > extraStart - at) return;
  m.name.assign(reinterpret_cast<const char*>(h.data() + at), nameLength);
  for (size_t r = extraStart; r < h.size();) {
    uint64_t recordSize, type;
    size_t p = r;
    if (!Vint(h, &p, h.size(), &recordSize) || recordSize > h.size() - p) break;
    const size_t next = p + recordSize;
    if (!Vint(h, &p, next, &type)) break;
    if (type == kEncryptionRecord) {
      m.encrypted = true;
      result->members.insert(m.name);
      break;
    }
    r = next;
  }
  result->all.push_back(std::move(m));
}

}  // namespace

Rar5Encryption ScanRar5Encryption(const std::string& path) {
  Rar5Encryption result;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return result;
  std::vector<uint8_t> b;
  uint64_t pos = 8;
  if (ReadAt(fd, 0, 8, &b) && std::memcmp(b.data(), "Rar!\x1A\x07\x01\x00", 8) == 0) {
    for (int blocks = 0; blocks < 1000000; ++blocks) {
      // CRC32, then the header's size (a number of at most 3 bytes for 2 MB).
      std::vector<uint8_t> head;
      if (!ReadAt(fd, pos + 4, 3, &head) && !ReadAt(fd, pos + 4, 1, &head)) break;
      size_t at = 0;
      uint64_t headerSize;
      if (!Vint(head, &at, head.size(), &headerSize) || headerSize == 0 || headerSize > (2u << 20)) break;
      const uint64_t headerStart = pos + 4 + at;
      std::vector<uint8_t> h;
      if (!ReadAt(fd, headerStart, headerSize, &h)) break;
      size_t p = 0;
      uint64_t type, flags, extraSize = 0, dataSize = 0;
      if (!Vint(h, &p, h.size(), &type) || !Vint(h, &p, h.size(), &flags)) break;
      if ((flags & kHasExtra) && !Vint(h, &p, h.size(), &extraSize)) break;
      if ((flags & kHasData) && !Vint(h, &p, h.size(), &dataSize)) break;
      if (extraSize > h.size() - p) break;
      if (type == kEncryptionHeader) {
        result.headers = true;
        break;
      }
      if (type == kFileHeader) FileHeader(h, p, h.size() - extraSize, &result);
      if (type == kEndHeader) break;
      pos = headerStart + headerSize + dataSize;
    }
  }
  ::close(fd);
  return result;
}

}  // namespace arc
