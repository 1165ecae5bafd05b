// What libarchive 3.6 does not say about a RAR5 archive: which members are
// encrypted (it cannot decrypt them and reports them as damaged data).
#pragma once
#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace arc {

struct Rar5Member {
  std::string name;  // as stored: UTF-8, "/" separators
  uint64_t size = 0;
  int64_t mtime = 0;  // seconds since 1970, 0 when not stored
  bool folder = false;
  bool encrypted = false;
};

struct Rar5Encryption {
  bool headers = false;           // the headers themselves are encrypted
  std::set<std::string> members;  // names (as stored, UTF-8) with a file encryption record
  std::vector<Rar5Member> all;    // every file header, in order
};

// Reads the block headers of the RAR5 archive at path (not the data);
// nothing when it is no RAR5 archive or its headers end early.
Rar5Encryption ScanRar5Encryption(const std::string& path);

}  // namespace arc
