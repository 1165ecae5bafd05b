// Creating archives: ZIP for the "Zip" entry, TAR for the "c" command.
#include "output.h"
#include "worker.h"

#include <archive.h>
#include <archive_entry.h>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <set>

namespace arc {
namespace {

struct Writer {
  struct archive* a = nullptr;
  bool junk = false, noDirs = false, recurse = false;
  std::set<std::string> written;
  Outcome error;  // why a file could not be added

  bool AddFile(const std::string& full, const std::string& name) {
    struct stat st {};
    if (::lstat(full.c_str(), &st) != 0) {
      error = {kErrorFile, Reason::FileNotFound, full, {}};
      return false;
    }
    const std::string stored = junk ? name.substr(name.rfind('/') + 1) : name;
    if (S_ISDIR(st.st_mode)) {
      if (!noDirs && !junk && written.insert(stored + "/").second) Header(st, stored + "/", nullptr);
      if (!recurse) return true;
      DIR* d = ::opendir(full.c_str());
      if (!d) return true;
      bool ok = true;
      while (dirent* e = ::readdir(d)) {
        if (!std::strcmp(e->d_name, ".") || !std::strcmp(e->d_name, "..")) continue;
        ok = AddFile(full + "/" + e->d_name, name + "/" + e->d_name) && ok;
      }
      ::closedir(d);
      return ok;
    }
    if (!written.insert(stored).second) return true;
    char target[4096] = {};
    if (S_ISLNK(st.st_mode) && ::readlink(full.c_str(), target, sizeof target - 1) < 0) return false;
    if (!Header(st, stored, S_ISLNK(st.st_mode) ? target : nullptr)) return false;
    if (!S_ISREG(st.st_mode)) return true;
    const int fd = ::open(full.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
      error = {kErrorFile, Reason::FileUnreadable, full, {}};
      return false;
    }
    std::vector<char> buf(1 << 20);
    ssize_t n;
    while ((n = ::read(fd, buf.data(), buf.size())) > 0) archive_write_data(a, buf.data(), static_cast<size_t>(n));
    ::close(fd);
    return true;
  }

  bool Header(const struct stat& st, const std::string& name, const char* link) {
    struct archive_entry* e = archive_entry_new();
    archive_entry_copy_stat(e, &st);
    archive_entry_set_pathname_utf8(e, name.c_str());
    if (link) archive_entry_set_symlink(e, link);
    const int r = archive_write_header(a, e);
    archive_entry_free(e);
    if (r < ARCHIVE_WARN) error = {kErrorFile, Reason::NotAdded, name, {archive_error_string(a) ?: ""}};
    return r >= ARCHIVE_WARN;
  }
};

// Copies the members of an existing ZIP archive that are not replaced.
bool CopyOld(const std::string& path, Writer& w, const std::set<std::string>& replaced) {
  struct archive* r = archive_read_new();
  archive_read_support_format_zip_seekable(r);
  if (archive_read_open_filename(r, path.c_str(), 1 << 16) != ARCHIVE_OK) {
    archive_read_free(r);
    return false;
  }
  struct archive_entry* e;
  bool ok = true;
  while (archive_read_next_header(r, &e) == ARCHIVE_OK) {
    const char* name = archive_entry_pathname_utf8(e);
    if (!name || replaced.count(name)) continue;
    if (archive_write_header(w.a, e) < ARCHIVE_WARN) {
      ok = false;
      break;
    }
    char buf[65536];
    la_ssize_t n;
    while ((n = archive_read_data(r, buf, sizeof buf)) > 0) archive_write_data(w.a, buf, static_cast<size_t>(n));
    if (n < 0) ok = false;
  }
  archive_read_free(r);
  return ok;
}

}  // namespace

uint32_t CreateArchive(const Job& job, Output& out) {
  if (job.format != "zip" && job.format != "tar") {
    out.Problem({kErrorNoCreate, Reason::CreateUnsupported, {}, {}});
    return kErrorNoCreate;
  }
  if (job.names.empty()) {
    out.Problem({kErrorCommand, Reason::NothingToAdd, {}, {}});
    return kErrorCommand;
  }
  Writer w;
  w.junk = job.flags.find('j') != std::string::npos;
  w.noDirs = job.flags.find('D') != std::string::npos;
  w.recurse = job.flags.find('r') != std::string::npos;
  w.a = archive_write_new();
  int level = -1;
  for (char c : job.flags)
    if (c >= '0' && c <= '9') level = c - '0';
  if (job.format == "zip") {
    archive_write_set_format_zip(w.a);
    if (level == 0) archive_write_set_options(w.a, "zip:compression=store");
    else if (level > 0) archive_write_set_options(w.a, ("zip:compression-level=" + std::to_string(level)).c_str());
  } else {
    archive_write_set_format_pax_restricted(w.a);
    if (job.flags.find('z') != std::string::npos) archive_write_add_filter_gzip(w.a);
    if (job.flags.find('B') != std::string::npos) archive_write_add_filter_bzip2(w.a);
  }
  // Written beside the archive and renamed over it, so a failure keeps the old one.
  const std::string temp = job.archive + ".zot-new";
  if (archive_write_open_filename(w.a, temp.c_str()) != ARCHIVE_OK) {
    out.Problem({kErrorFile, Reason::CannotCreateArchive, {}, {job.archive}});
    archive_write_free(w.a);
    return kErrorFile;
  }
  const std::string base = job.dest.empty() ? std::string(".") : job.dest;
  std::set<std::string> replaced;
  for (const std::string& n : job.names) replaced.insert(w.junk ? n.substr(n.rfind('/') + 1) : n);
  bool ok = true;
  if (job.format == "zip" && ::access(job.archive.c_str(), F_OK) == 0) ok = CopyOld(job.archive, w, replaced);
  for (const std::string& n : job.names) {
    const std::string full = !n.empty() && n[0] == '/' ? n : base + "/" + n;
    const std::string stored = !n.empty() && n[0] == '/' ? n.substr(1) : n;
    ok = w.AddFile(full, stored) && ok;
  }
  const bool closed = archive_write_close(w.a) == ARCHIVE_OK;
  archive_write_free(w.a);
  if (!ok || !closed) {
    ::unlink(temp.c_str());
    out.Problem(w.error.Failed() ? w.error : Outcome{kErrorFile, Reason::CreateFailed, {}, {}});
    return kErrorFile;
  }
  if (::rename(temp.c_str(), job.archive.c_str()) != 0) {
    ::unlink(temp.c_str());
    out.Problem({kErrorFile, Reason::CannotReplaceArchive, {}, {job.archive}});
    return kErrorFile;
  }
  return kOk;
}

}  // namespace arc
