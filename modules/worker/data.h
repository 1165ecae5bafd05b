// How a member's data travels from a decoder to where it is written.
// Decoders that are read block by block (libarchive, liblhasa, unarr) give
// a DataReader; decoders that write as they go (libmspack) push into the
// Sink themselves. Either way the walk hands the visitor a DataSource.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

struct archive_entry;

namespace arc {

// One member's data, block by block: 1 with a block, 0 at the end, -1 on
// an error (message says why; a CRC mismatch is one), -2 on an error after
// which the archive cannot be read further.
using DataReader = std::function<int(const void** block, size_t* len, int64_t* offset, std::string* message)>;

// Where a member's data goes. put returns false to stop the reading (the
// sink knows why). restart drops what was put so far: a second decoder
// starts the member again from its first byte.
struct Sink {
  std::function<bool(const void* block, size_t len, int64_t offset)> put;
  std::function<void()> restart;
};

// Delivers a member's data: 0 when all of it came, 1 when the sink stopped
// it, -1 or -2 as for DataReader.
using DataSource = std::function<int(const Sink& sink, std::string* message)>;

inline int Pump(const DataReader& read, const Sink& sink, std::string* message) {
  for (;;) {
    const void* block = nullptr;
    size_t len = 0;
    int64_t offset = 0;
    const int r = read(&block, &len, &offset, message);
    if (r <= 0) return r;
    if (!sink.put(block, len, offset)) return 1;
  }
}

// What a walk over an archive's members calls for each: the header (path
// UTF-8 with "/" separators, %XX for bytes that do not decode), the path,
// and the data; false stops the walk.
using Visit = std::function<bool(struct archive_entry* entry, const std::string& path, const DataSource& data)>;

}  // namespace arc
