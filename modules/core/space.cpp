#include "space.h"

#include "common_archiver.h"

#include <sys/statvfs.h>

#include <algorithm>
#include <cstdlib>

namespace arc {
namespace {

bool FreeSpace(std::string folder, uint64_t* avail, uint64_t* total) {
  if (const char* v = std::getenv("ZOT_FREE_SPACE")) {
    *avail = *total = std::strtoull(v, nullptr, 10);
    return true;
  }
  struct statvfs fs {};
  while (::statvfs(folder.c_str(), &fs) != 0) {
    const size_t slash = folder.find_last_of('/');
    if (slash == std::string::npos || folder.size() <= 1) return false;
    folder = slash == 0 ? "/" : folder.substr(0, slash);
  }
  *avail = static_cast<uint64_t>(fs.f_bavail) * fs.f_frsize;
  *total = static_cast<uint64_t>(fs.f_blocks) * fs.f_frsize;
  return true;
}

}  // namespace

Outcome SpaceShortfall(const std::string& folder, uint64_t needed) {
  uint64_t avail = 0, total = 0;
  if (!FreeSpace(folder, &avail, &total)) return {};
  const uint64_t margin = std::min<uint64_t>(64ull << 20, total / 20);
  if (needed <= avail && avail - needed >= margin) return {};
  return {CA_ERROR_FILE, Reason::NoRoom, {}, {std::to_string(needed), std::to_string(avail), folder}};
}

}  // namespace arc
