#include "text.h"

#include <iconv.h>

namespace arc {

bool IsValidUtf8(const std::string& s) {
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  const auto* end = p + s.size();
  while (p < end) {
    const unsigned char c = *p;
    if (c < 0x80) {
      ++p;
      continue;
    }
    const int n = (c >= 0xC2 && c <= 0xDF) ? 1 : (c >= 0xE0 && c <= 0xEF) ? 2 : (c >= 0xF0 && c <= 0xF4) ? 3 : 0;
    if (n == 0 || end - p <= n) return false;
    for (int i = 1; i <= n; ++i)
      if ((p[i] & 0xC0) != 0x80) return false;
    p += n + 1;
  }
  return true;
}

std::string Cp932ToUtf8(const std::string& s) {
  iconv_t cd = iconv_open("UTF-8", "CP932");
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string();
  std::string out(s.size() * 3 + 4, '\0');
  char* in = const_cast<char*>(s.data());
  size_t inLeft = s.size();
  char* o = out.data();
  size_t outLeft = out.size();
  const size_t r = iconv(cd, &in, &inLeft, &o, &outLeft);
  iconv_close(cd);
  if (r == static_cast<size_t>(-1)) return std::string();
  out.resize(out.size() - outLeft);
  return out;
}

namespace {

// One code point from UTF-8 (a stray byte counts as one character).
size_t Next(const std::string& s, size_t i) {
  size_t j = i + 1;
  while (j < s.size() && (static_cast<unsigned char>(s[j]) & 0xC0) == 0x80) ++j;
  return j;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

}  // namespace

Wildcard::Wildcard(std::string pattern) : pattern_(std::move(pattern)) {
  if (pattern_ == "*.*" || pattern_ == "*") kind_ = Kind::All;
  // The usual "*.ext" is a suffix test.
  else if (pattern_.size() > 1 && pattern_[0] == '*' && pattern_.find_first_of("*?", 1) == std::string::npos)
    kind_ = Kind::Suffix;
  else
    kind_ = Kind::General;
}

bool Wildcard::Matches(const std::string& path) const {
  if (kind_ == Kind::All) return true;
  if (kind_ == Kind::General) return WildcardMatch(pattern_, path);
  const size_t n = pattern_.size() - 1;
  if (path.size() < n) return false;
  for (size_t i = 0; i < n; ++i)
    if (Lower(pattern_[1 + i]) != Lower(path[path.size() - n + i])) return false;
  return true;
}

bool WildcardMatch(const std::string& pattern, const std::string& path) {
  if (pattern == "*.*" || pattern == "*") return true;
  // Iterative matching with one backtracking point for the last "*".
  size_t p = 0, s = 0, starP = std::string::npos, starS = 0;
  while (s < path.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starS = s;
    } else if (p < pattern.size() && pattern[p] == '?') {
      ++p;
      s = Next(path, s);
    } else if (p < pattern.size() && Lower(pattern[p]) == Lower(path[s])) {
      ++p;
      ++s;
    } else if (starP != std::string::npos) {
      p = starP + 1;
      s = starS = Next(path, starS);
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

std::string SafeRelativePath(const std::string& path, bool junk, bool* refused) {
  *refused = false;
  std::vector<std::string> parts;
  size_t start = 0;
  const bool absolute = !path.empty() && (path[0] == '/' || path[0] == '\\');
  while (start <= path.size()) {
    size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    const std::string part = path.substr(start, end - start);
    if (part == "..") {
      *refused = true;
      return std::string();
    }
    if (!part.empty() && part != ".") parts.push_back(part);
    start = end + 1;
  }
  if (absolute && !junk) {
    *refused = true;
    return std::string();
  }
  if (parts.empty()) return std::string();
  if (junk) return parts.back();
  std::string out;
  for (const std::string& part : parts) out += (out.empty() ? "" : "/") + part;
  return out;
}

}  // namespace arc
