#include "volumes.h"

#include <unistd.h>

#include <cctype>
#include <cstdio>

namespace arc {
namespace {

bool Exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

bool EndsWithNoCase(const std::string& s, const std::string& tail) {
  if (s.size() < tail.size()) return false;
  for (size_t i = 0; i < tail.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(s[s.size() - tail.size() + i])) != tail[i]) return false;
  return true;
}

// For NAME.partN.rar: the part before the digits, the digits' width and N.
bool PartPattern(const std::string& path, std::string* stem, size_t* width, long* number, std::string* ext) {
  if (!EndsWithNoCase(path, ".rar")) return false;
  const size_t end = path.size() - 4;
  size_t begin = end;
  while (begin > 0 && std::isdigit(static_cast<unsigned char>(path[begin - 1]))) --begin;
  if (begin == end || begin < 5 || !EndsWithNoCase(path.substr(0, begin), ".part")) return false;
  *stem = path.substr(0, begin);
  *width = end - begin;
  *number = std::strtol(path.substr(begin, end - begin).c_str(), nullptr, 10);
  *ext = path.substr(end);
  return true;
}

std::string Numbered(const std::string& stem, size_t width, long n, const std::string& ext) {
  char digits[32];
  std::snprintf(digits, sizeof digits, "%0*ld", static_cast<int>(width), n);
  return stem + digits + ext;
}

// NAME.r00 style: the name of volume i (0 = NAME.rar).
std::string OldStyle(const std::string& path, long i) {
  if (i == 0) return path;
  char ext[16];
  std::snprintf(ext, sizeof ext, i <= 100 ? "r%02ld" : "s%02ld", i <= 100 ? i - 1 : i - 101);
  const bool upper = path[path.size() - 3] == 'R';
  std::string e = ext;
  if (upper) e[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(e[0])));
  return path.substr(0, path.size() - 3) + e;
}

}  // namespace

std::vector<std::string> RarVolumes(const std::string& path) {
  std::vector<std::string> volumes{path};
  std::string stem, ext;
  size_t width = 0;
  long n = 0;
  if (PartPattern(path, &stem, &width, &n, &ext)) {
    for (long next = n + 1; Exists(Numbered(stem, width, next, ext)); ++next)
      volumes.push_back(Numbered(stem, width, next, ext));
    return volumes;
  }
  if (!EndsWithNoCase(path, ".rar")) return volumes;
  for (long i = 1; i < 1100 && Exists(OldStyle(path, i)); ++i) volumes.push_back(OldStyle(path, i));
  return volumes;
}

std::string NextRarVolume(const std::vector<std::string>& volumes) {
  if (volumes.empty()) return std::string();
  std::string stem, ext;
  size_t width = 0;
  long n = 0;
  if (PartPattern(volumes.back(), &stem, &width, &n, &ext)) return Numbered(stem, width, n + 1, ext);
  if (volumes.size() > 1) return OldStyle(volumes.front(), static_cast<long>(volumes.size()));
  return std::string();
}

}  // namespace arc
