// Text rules shared by the modules and their worker.
#pragma once
#include <string>
#include <vector>

namespace arc {

bool IsValidUtf8(const std::string& s);
// Shift-JIS (CP932) bytes as UTF-8; empty when they are not valid CP932.
std::string Cp932ToUtf8(const std::string& s);
// Matches a member path: ASCII case-insensitive, "*" any run (also across
// "/"), "?" one character; "*.*" matches every member. In a pattern "<2A>",
// "<3F>" and "<3C>" stand for a literal "*", "?" and "<".
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

// A stored name as UTF-8 text with "/" separators: bytes that do not decode
// are shown as %XX, so that the name is never lost.
std::string PrintableName(const std::string& bytes);

// Undoes the command-line escapes of common_archiver.h ("<22>" is '"').
std::string UnescapeCommandText(const std::string& text);
// The same, except that "<2A>", "<3F>" and "<3C>" stay: a name in this form
// is a pattern in which an escaped "*" or "?" is a character of the name.
std::string UnescapeToPattern(const std::string& text);

// Whether a member is asked for by a list of names (all when empty). A name
// without a live "*" or "?" asks for the member of exactly that name; one
// with them is a wildcard (WildcardMatch).
bool NameWanted(const std::vector<std::string>& names, const std::string& path);

}  // namespace arc
