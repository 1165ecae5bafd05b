#include "platform/inuse.h"

#include <dirent.h>
#include <unistd.h>

#include <cctype>
#include <climits>
#include <fstream>
#include <sstream>

namespace platform {
namespace {

bool IsBelow(const std::string& path, const std::string& root) {
  if (path.size() < root.size() || path.compare(0, root.size(), root) != 0) return false;
  return path.size() == root.size() || path[root.size()] == '/' || root.back() == '/';
}

void AddLink(const std::string& link, const std::string& root, std::set<std::string>& out) {
  char buf[PATH_MAX];
  const ssize_t n = ::readlink(link.c_str(), buf, sizeof buf - 1);
  if (n <= 0) return;
  std::string target(buf, static_cast<size_t>(n));
  if (IsBelow(target, root)) out.insert(target);
}

}  // namespace

std::set<std::string> PathsInUse(const std::string& rootIn) {
  std::set<std::string> out;
  std::string root = rootIn;
  while (root.size() > 1 && root.back() == '/') root.pop_back();
  if (root.empty()) return out;
  if (char real[PATH_MAX]; ::realpath(root.c_str(), real)) root = real;

  DIR* proc = ::opendir("/proc");
  if (!proc) return out;
  while (dirent* e = ::readdir(proc)) {
    if (!std::isdigit(static_cast<unsigned char>(e->d_name[0]))) continue;
    const std::string base = std::string("/proc/") + e->d_name;
    AddLink(base + "/cwd", root, out);
    AddLink(base + "/exe", root, out);
    if (DIR* fds = ::opendir((base + "/fd").c_str())) {
      while (dirent* f = ::readdir(fds))
        if (f->d_name[0] != '.') AddLink(base + "/fd/" + f->d_name, root, out);
      ::closedir(fds);
    }
    std::ifstream maps(base + "/maps");
    std::string line;
    while (std::getline(maps, line)) {
      const size_t slash = line.find('/');
      if (slash == std::string::npos) continue;
      const std::string path = line.substr(slash);
      if (IsBelow(path, root)) out.insert(path);
    }
  }
  ::closedir(proc);
  return out;
}

}  // namespace platform
