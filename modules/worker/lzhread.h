// LHA archives through liblhasa, for what libarchive cannot read: the old
// methods (-lh1-, -lh4-, -lz4-, -lz5-, -lzs-, -pm0- to -pm2-) and headers
// its reader refuses. Names are decoded here from the raw header, as the
// rest of the module decodes them, never by the library.
#pragma once
#include "outcome.h"
#include "data.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace arc {

// Whether the LHA archive at start needs liblhasa: a member in a method
// libarchive does not decode (all but -lh0-, -lh5-, -lh6-, -lh7-, -lhd-)
// or a level-3 header; also when the headers cannot be walked.
bool LzhNeedsLhasa(int fd, int64_t start);

// The sizes the headers state for the members asked for (all when names is
// empty), added up; read from the headers alone.
uint64_t LzhStatedSize(int fd, int64_t start, const std::vector<std::string>& names);

// Walks the archive's members: for each, entry holds its path (UTF-8,
// "/" separators, %XX for bytes that do not decode), size, times, type and
// permission bits; visit returns false to stop. False when the archive
// cannot be read (error says why).
bool LhasaWalk(int fd, int64_t start, Outcome* error,
               const std::function<bool(struct archive_entry* entry, const std::string& path, const DataReader& read)>& visit);

// The member name stored in a raw LHA header (levels 0 to 3): Shift-JIS or
// UTF-8, 0xFF and the DOS "\" as separators (not a Shift-JIS second byte);
// the UTF-16 name extensions (0x44, 0x45) win where present.
std::string LzhHeaderName(const uint8_t* raw, size_t len);

}  // namespace arc
