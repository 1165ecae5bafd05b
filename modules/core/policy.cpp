#include "policy.h"

#include <sys/stat.h>

#include <vector>

namespace arc {
namespace {

std::vector<std::string> SplitPath(const std::string& path) {
  std::vector<std::string> parts;
  std::string part;
  for (char c : path) {
    if (c == '/' || c == '\\') {
      parts.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  parts.push_back(part);
  return parts;
}

bool IsDrive(const std::string& part) {
  return part.size() == 2 && part[1] == ':' && ((part[0] >= 'A' && part[0] <= 'Z') || (part[0] >= 'a' && part[0] <= 'z'));
}

}  // namespace

std::string SafeRelativePath(const std::string& path, bool junk, bool* refused) {
  *refused = false;
  const std::vector<std::string> all = SplitPath(path);
  const bool absolute = all.front().empty() && all.size() > 1;
  // "C:" before the first separator makes a Windows path absolute.
  const bool drive = all.size() > 1 && IsDrive(all.front());
  std::vector<std::string> parts;
  for (size_t i = drive ? 1 : 0; i < all.size(); ++i) {
    const std::string& part = all[i];
    if (part == "..") {
      *refused = true;
      return std::string();
    }
    if (!part.empty() && part != ".") parts.push_back(part);
  }
  if ((absolute || drive) && !junk) {
    *refused = true;
    return std::string();
  }
  if (parts.empty()) return std::string();
  if (junk) return parts.back();
  std::string out;
  for (const std::string& part : parts) out += (out.empty() ? "" : "/") + part;
  return out;
}

bool SafeLinkTarget(const std::string& linkPath, const std::string& target) {
  if (target.empty() || target[0] == '/' || target[0] == '\\') return false;
  // Folders between the destination and the link: how far ".." may climb.
  size_t depth = 0;
  for (char c : linkPath)
    if (c == '/') ++depth;
  bool climbing = true;
  const std::vector<std::string> parts = SplitPath(target);
  if (parts.size() > 1 && IsDrive(parts.front())) return false;
  for (const std::string& part : parts) {
    if (part == "..") {
      // A ".." after a name could climb out of a folder reached through another link.
      if (!climbing || depth == 0) return false;
      --depth;
    } else if (!part.empty() && part != ".") {
      climbing = false;
    }
  }
  return true;
}

Placement PlaceMember(const MemberHeader& h, bool junk, uint32_t umask) {
  Placement p;
  if (junk && h.type == S_IFDIR) return p;
  const auto refuse = [&p](Reason why) {
    p.verdict = Placement::Refuse;
    p.refusal = why;
    p.path.clear();
    return p;
  };
  // Devices, FIFOs and sockets have no business in an extracted archive.
  if (h.type == S_IFIFO || h.type == S_IFCHR || h.type == S_IFBLK || h.type == S_IFSOCK)
    return refuse(Reason::SpecialFile);
  bool refused = false;
  p.path = SafeRelativePath(h.path, junk, &refused);
  if (refused) return refuse(Reason::OutsideFolder);
  if (p.path.empty()) return p;
  if (h.hardlink) {
    bool bad = false;
    p.hardlink = SafeRelativePath(*h.hardlink, junk, &bad);
    if (bad || p.hardlink->empty()) return refuse(Reason::OutsideFolder);
  }
  if (h.type == S_IFLNK && (!h.symlink || !SafeLinkTarget(p.path, *h.symlink))) return refuse(Reason::LinkOutside);
  p.perm = h.perm & 0777 & ~umask;
  // Folders always let their owner in, so they can be cleaned up.
  if (h.type == S_IFDIR) p.perm |= 0700;
  p.verdict = Placement::Write;
  return p;
}

}  // namespace arc
