#pragma once
#include <set>
#include <string>

namespace platform {

// Paths at or below root that a live process holds: open files, mapped files,
// running program files and working folders (read from /proc). Linux lets
// such files be deleted, but a program started from an extracted archive
// still needs them, so they count as in use.
std::set<std::string> PathsInUse(const std::string& root);

}  // namespace platform
