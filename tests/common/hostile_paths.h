// Stored paths an archive may hold, and what each rule set makes of them:
// the worker's placement of a member below the destination folder
// (arc::PlaceMember) and the program's way to the file a member became
// (MemberPathIn). Both test programs run this one table, so the two rule
// sets cannot drift apart.
#pragma once

namespace hostile {

enum class Module { Written, Skipped, RefusedOutside, RefusedLink };
enum class Program { Found, Refused };

struct Row {
  const char* stored;      // the path as the listing gives it (UTF-8), or CP932 bytes when cp932
  bool cp932;              // decoded as Shift-JIS first, as the worker does
  char link;               // 0, 'h' a hard link, 's' a symbolic link
  const char* target;      // the link's target
  Module module;
  Program program;         // a symbolic link is planted where the member goes first
  const char* placed;      // where it goes, relative to the folder, when written and found
};

inline const Row kRows[] = {
    {"a/b.txt", false, 0, nullptr, Module::Written, Program::Found, "a/b.txt"},
    {"", false, 0, nullptr, Module::Skipped, Program::Refused, nullptr},
    {".", false, 0, nullptr, Module::Skipped, Program::Refused, nullptr},
    {"./", false, 0, nullptr, Module::Skipped, Program::Refused, nullptr},
    {"./a//b.txt", false, 0, nullptr, Module::Written, Program::Found, "a/b.txt"},
    {"dir/", false, 0, nullptr, Module::Written, Program::Found, "dir"},
    {"..", false, 0, nullptr, Module::RefusedOutside, Program::Refused, nullptr},
    {"../x", false, 0, nullptr, Module::RefusedOutside, Program::Refused, nullptr},
    {"a/../x", false, 0, nullptr, Module::RefusedOutside, Program::Refused, nullptr},
    {"a/b/../../../x", false, 0, nullptr, Module::RefusedOutside, Program::Refused, nullptr},
    {"/etc/passwd", false, 0, nullptr, Module::RefusedOutside, Program::Refused, nullptr},
    {"//etc/passwd", false, 0, nullptr, Module::RefusedOutside, Program::Refused, nullptr},
    {"\\etc\\passwd", false, 0, nullptr, Module::RefusedOutside, Program::Refused, nullptr},
    {"a\\b.txt", false, 0, nullptr, Module::Written, Program::Found, "a/b.txt"},
    {"..\\..\\x", false, 0, nullptr, Module::RefusedOutside, Program::Refused, nullptr},
    {"C:\\x", false, 0, nullptr, Module::RefusedOutside, Program::Refused, nullptr},
    {"c:/x", false, 0, nullptr, Module::RefusedOutside, Program::Refused, nullptr},
    // 0x5C is the second byte of "ソ" and "表": decoded first, it separates nothing.
    {"\x83\x5C\x83\x74\x83\x67\\readme.txt", true, 0, nullptr, Module::Written, Program::Found, "ソフト/readme.txt"},
    {"\x95\x5C.txt", true, 0, nullptr, Module::Written, Program::Found, "表.txt"},
    // Bytes that do not decode are shown as %XX and stay so: no second decoding.
    {"bad%FF%FEname.txt", false, 0, nullptr, Module::Written, Program::Found, "bad%FF%FEname.txt"},
    {"a%2F..%2Fx", false, 0, nullptr, Module::Written, Program::Found, "a%2F..%2Fx"},
    {"*?\"<>|:.txt", false, 0, nullptr, Module::Written, Program::Found, "*?\"<>|:.txt"},
    {"@list", false, 0, nullptr, Module::Written, Program::Found, "@list"},
    // Links: a hard link's target follows the path rules; a symbolic link
    // may point only below its own folder, and the program does not follow
    // one that leads out.
    {"h.txt", false, 'h', "../outside.txt", Module::RefusedOutside, Program::Found, "h.txt"},
    {"h2.txt", false, 'h', "a/b.txt", Module::Written, Program::Found, "h2.txt"},
    {"s.txt", false, 's', "/etc/passwd", Module::RefusedLink, Program::Refused, nullptr},
    {"d/up.txt", false, 's', "../../outside.txt", Module::RefusedLink, Program::Refused, nullptr},
    {"in.txt", false, 's', "a/b.txt", Module::Written, Program::Found, "in.txt"},
};

}  // namespace hostile
