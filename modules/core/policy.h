// Where and how a member may be written below the destination folder: the
// rules every extraction follows, whatever decoder read the member. Pure
// functions of the header; the worker applies their answer.
#pragma once
#include "outcome.h"

#include <cstdint>
#include <optional>
#include <string>

namespace arc {

// What a member's header says that the rules look at.
struct MemberHeader {
  std::string path;                     // UTF-8, as the listing shows it
  uint32_t type = 0;                    // the S_IF* bits of its mode
  uint32_t perm = 0;                    // its permission bits as stored
  std::optional<std::string> hardlink;  // the member it is a hard link to
  std::optional<std::string> symlink;   // a symbolic link's target (unset: unreadable)
};

struct Placement {
  enum Verdict { Write, Skip, Refuse } verdict = Skip;
  Reason refusal = Reason::None;        // why, when refused
  std::string path;                     // relative to the folder, "/" separators
  std::optional<std::string> hardlink;  // its target, made safe the same way
  uint32_t perm = 0;                    // the permission bits to give it
};

// The answer for one member: skipped when it names nothing to write (or is a
// folder and the stored paths are dropped, junk); refused when it is a
// device, FIFO or socket, or its path, hard-link target or symbolic-link
// target leaves the folder; otherwise its safe path and permission bits (as
// the umask allows, never set-id or sticky; folders always let their owner in).
Placement PlaceMember(const MemberHeader& header, bool junk, uint32_t umask);

// The part of a stored path that may be written below a destination folder:
// "/" and "\\" both separate, no "." or empty parts; refused (and empty) when
// the path leaves the folder ("..") or, without junk, is absolute ("/x",
// "C:\\x"). A path that names nothing ("", ".") comes back empty without
// being refused: there is nothing to write. junk keeps the last part only.
std::string SafeRelativePath(const std::string& path, bool junk, bool* refused);

// Whether a symbolic link at linkPath (safe, relative to the destination)
// with this target resolves inside the destination, whatever the other links
// there point to: the target is relative, climbs with leading ".." only, and
// no higher than the link's own folder.
bool SafeLinkTarget(const std::string& linkPath, const std::string& target);

}  // namespace arc
