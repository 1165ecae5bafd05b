// Text rules shared by the modules and their worker.
#pragma once
#include <string>
#include <vector>

namespace arc {

bool IsValidUtf8(const std::string& s);
// Shift-JIS (CP932) bytes as UTF-8; empty when they are not valid CP932.
std::string Cp932ToUtf8(const std::string& s);
// Matches a member path: ASCII case-insensitive, "*" any run (also across
// "/"), "?" one character; "*.*" matches every member.
bool WildcardMatch(const std::string& pattern, const std::string& path);

// The same test with the pattern looked at once, for matching many paths.
class Wildcard {
 public:
  explicit Wildcard(std::string pattern = "*");
  bool Matches(const std::string& path) const;

 private:
  enum class Kind { All, Suffix, General } kind_;
  std::string pattern_;
};
// The part of a stored path that may be written below a destination folder:
// no leading "/", no "." or empty parts; empty when the path leaves the
// folder ("..") or names nothing. junk keeps the last part only.
std::string SafeRelativePath(const std::string& path, bool junk, bool* refused);

}  // namespace arc
