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

namespace {

int Hex(char c) {
  return c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// The character an escape "<XX>" at i stands for, or -1.
int EscapeAt(const std::string& s, size_t i) {
  if (s[i] != '<' || i + 3 >= s.size() || s[i + 3] != '>' || Hex(s[i + 1]) < 0 || Hex(s[i + 2]) < 0) return -1;
  return Hex(s[i + 1]) * 16 + Hex(s[i + 2]);
}

bool KeptInPattern(int c) { return c == '*' || c == '?' || c == '<'; }

// One unit of a pattern at p: a literal character (escaped or not), or a
// live "*" / "?". Returns its length in the pattern.
size_t Unit(const std::string& pattern, size_t p, char* literal, char* live) {
  *live = 0;
  const int e = EscapeAt(pattern, p);
  if (e >= 0 && KeptInPattern(e)) {
    *literal = static_cast<char>(e);
    return 4;
  }
  if (pattern[p] == '*' || pattern[p] == '?') *live = pattern[p];
  *literal = pattern[p];
  return 1;
}

}  // namespace

bool WildcardMatch(const std::string& pattern, const std::string& path) {
  if (pattern == "*.*" || pattern == "*") return true;
  // Iterative matching with one backtracking point for the last "*".
  size_t p = 0, s = 0, starP = std::string::npos, starS = 0;
  char literal = 0, live = 0;
  while (s < path.size()) {
    const size_t len = p < pattern.size() ? Unit(pattern, p, &literal, &live) : 0;
    if (len && live == '*') {
      starP = p;
      p += len;
      starS = s;
    } else if (len && live == '?') {
      p += len;
      s = Next(path, s);
    } else if (len && Lower(literal) == Lower(path[s])) {
      p += len;
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


std::string PrintableName(const std::string& bytes) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const size_t n = bytes.size();
  for (size_t i = 0; i < n;) {
    // The longest valid UTF-8 sequence here, else one byte as %XX.
    const unsigned char c = p[i];
    size_t len = c < 0x80 ? 1 : (c >= 0xC2 && c <= 0xDF) ? 2 : (c >= 0xE0 && c <= 0xEF) ? 3 : (c >= 0xF0 && c <= 0xF4) ? 4 : 0;
    if (len > 1 && (i + len > n || !IsValidUtf8(bytes.substr(i, len)))) len = 0;
    if (len == 0 || c == 0) {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
      ++i;
    } else {
      out.append(bytes, i, len);
      i += len;
    }
  }
  for (char& c : out)
    if (c == '\\') c = '/';
  return out;
}

namespace {

std::string Unescape(const std::string& text, bool keepPatternEscapes) {
  if (text.find('<') == std::string::npos) return text;
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    const int e = EscapeAt(text, i);
    if (e < 0 || (keepPatternEscapes && KeptInPattern(e))) {
      out += text[i];
      continue;
    }
    out += static_cast<char>(e);
    i += 3;
  }
  return out;
}

bool HasLiveWildcard(const std::string& pattern) {
  char literal = 0, live = 0;
  for (size_t p = 0; p < pattern.size();) {
    p += Unit(pattern, p, &literal, &live);
    if (live) return true;
  }
  return false;
}

}  // namespace

std::string UnescapeCommandText(const std::string& text) { return Unescape(text, false); }
std::string UnescapeToPattern(const std::string& text) { return Unescape(text, true); }

bool NameWanted(const std::vector<std::string>& names, const std::string& path) {
  if (names.empty()) return true;
  for (const std::string& n : names) {
    // A plain name is the one member of exactly that name: a kept file with
    // the same letters in another case is not asked for.
    if (!HasLiveWildcard(n) ? UnescapeCommandText(n) == path : WildcardMatch(n, path)) return true;
  }
  return false;
}

}  // namespace arc
