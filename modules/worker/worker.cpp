#include "worker.h"

#include "lzhscan.h"
#include "output.h"
#include "protocol.h"
#include "text.h"

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <string>

namespace arc {
namespace {

constexpr size_t kBlock = 1 << 20;

// The archive file, read from a given offset (where an LHA archive starts
// inside a self-extracting program).
struct Source {
  int fd = -1;
  int64_t offset = 0;
  std::vector<char> buf = std::vector<char>(kBlock);
};

la_ssize_t ReadCb(struct archive*, void* data, const void** block) {
  auto* s = static_cast<Source*>(data);
  *block = s->buf.data();
  ssize_t n;
  do n = ::read(s->fd, s->buf.data(), s->buf.size());
  while (n < 0 && errno == EINTR);
  return n;
}

la_int64_t SeekCb(struct archive*, void* data, la_int64_t offset, int whence) {
  auto* s = static_cast<Source*>(data);
  if (whence == SEEK_SET) offset += s->offset;
  const off_t r = ::lseek(s->fd, offset, whence);
  return r < 0 ? ARCHIVE_FATAL : r - s->offset;
}

la_int64_t SkipCb(struct archive* a, void* data, la_int64_t request) {
  auto* s = static_cast<Source*>(data);
  const off_t here = ::lseek(s->fd, 0, SEEK_CUR);
  if (here < 0) return 0;
  const off_t end = ::lseek(s->fd, 0, SEEK_END);
  const la_int64_t step = std::min<la_int64_t>(request, end - here);
  ::lseek(s->fd, here + step, SEEK_SET);
  (void)a;
  return step;
}

// Opens a reader for the module's format only; cp932 asks libarchive to
// decode stored names from Shift-JIS.
struct archive* OpenReader(const Job& job, Source& src, bool cp932, std::string* error) {
  src.fd = ::open(job.archive.c_str(), O_RDONLY | O_CLOEXEC);
  if (src.fd < 0) {
    *error = "書庫ファイルを開けません: " + job.archive + " (" + std::strerror(errno) + ")";
    return nullptr;
  }
  if (job.format == "lha") {
    const int64_t start = FindLzhStart(src.fd, 16 << 20);
    if (start < 0) {
      *error = "LHA 形式の書庫ではありません。";
      return nullptr;
    }
    src.offset = start;
  }
  ::lseek(src.fd, src.offset, SEEK_SET);
  struct archive* a = archive_read_new();
  if (job.format == "lha") archive_read_support_format_lha(a);
  else if (job.format == "zip") archive_read_support_format_zip_seekable(a);
  else if (job.format == "cab") archive_read_support_format_cab(a);
  else if (job.format == "rar") {
    archive_read_support_format_rar(a);
    archive_read_support_format_rar5(a);
  } else {
    archive_read_support_format_tar(a);
    archive_read_support_format_gnutar(a);
    archive_read_support_filter_all(a);
  }
  if (cp932) archive_read_set_options(a, "hdrcharset=CP932");
  archive_read_set_read_callback(a, ReadCb);
  archive_read_set_seek_callback(a, SeekCb);
  archive_read_set_skip_callback(a, SkipCb);
  archive_read_set_callback_data(a, &src);
  if (archive_read_open1(a) != ARCHIVE_OK) {
    *error = std::string("書庫を開けません: ") + (archive_error_string(a) ? archive_error_string(a) : "");
    archive_read_free(a);
    return nullptr;
  }
  return a;
}

// The member's path as UTF-8, or empty when it cannot be decoded.
std::string EntryPath(struct archive_entry* e) {
  const char* p = archive_entry_pathname_utf8(e);
  if (!p) p = archive_entry_pathname(e);
  std::string s = p ? p : "";
  return IsValidUtf8(s) ? s : std::string();
}

// Walks every header; visit returns false to stop. Retries the whole walk
// with Shift-JIS names when a name does not decode as UTF-8.
enum class Walk { Done, Stopped, Failed };

Walk ForEachHeader(const Job& job, std::string* error,
                   const std::function<bool(struct archive*, struct archive_entry*, const std::string&)>& visit,
                   const std::function<void()>& restart = {}) {
  for (bool cp932 : {false, true}) {
    Source src;
    struct archive* a = OpenReader(job, src, cp932, error);
    if (!a) {
      if (src.fd >= 0) ::close(src.fd);
      return Walk::Failed;
    }
    Walk result = Walk::Done;
    bool retry = false;
    for (;;) {
      struct archive_entry* e = nullptr;
      const int r = archive_read_next_header(a, &e);
      if (r == ARCHIVE_EOF) break;
      const std::string path = r >= ARCHIVE_WARN ? EntryPath(e) : std::string();
      if ((r < ARCHIVE_WARN || path.empty()) && !cp932) {
        retry = true;
        break;
      }
      if (r < ARCHIVE_WARN) {
        const char* msg = archive_error_string(a);
        *error = std::string("書庫が壊れています: ") + (msg ? msg : "");
        result = Walk::Failed;
        break;
      }
      if (!visit(a, e, path)) {
        result = Walk::Stopped;
        break;
      }
    }
    archive_read_free(a);
    ::close(src.fd);
    if (!retry) return result;
    if (restart) restart();
  }
  return Walk::Failed;
}

uint32_t List(const Job& job, Output& out) {
  // Members go out as they are read, so the module works while we read on.
  bool any = false;
  std::string error;
  const Walk w = ForEachHeader(
      job, &error,
      [&](struct archive*, struct archive_entry* e, const std::string& path) {
        MemberRecord m{};
        m.size = archive_entry_size_is_set(e) ? static_cast<uint64_t>(archive_entry_size(e)) : 0;
        m.compressed = m.size;
        m.mtime = archive_entry_mtime_is_set(e) ? archive_entry_mtime(e) : 0;
        m.mtime_ns = archive_entry_mtime_is_set(e) ? static_cast<uint32_t>(archive_entry_mtime_nsec(e)) : 0;
        m.atime = archive_entry_atime_is_set(e) ? archive_entry_atime(e) : 0;
        m.ctime = archive_entry_birthtime_is_set(e) ? archive_entry_birthtime(e) : 0;
        m.mode = archive_entry_mode(e);
        const mode_t type = archive_entry_filetype(e);
        m.flags = (type == AE_IFDIR ? uint32_t{kDirectory} : 0u) | (type == AE_IFLNK ? uint32_t{kSymlink} : 0u);
        out.Put(Rec::Member, std::string(reinterpret_cast<const char*>(&m), sizeof m) + path);
        any = true;
        return true;
      },
      [&] {
        out.Put(Rec::Restart, nullptr, 0);
        any = false;
      });
  if (w == Walk::Failed) {
    const uint32_t status = any ? kErrorCorrupt : kErrorNotArchive;
    out.Problem(status, error);
    return status;
  }
  return kOk;
}

bool MakeFolders(const std::string& path) {
  for (size_t at = 1; at <= path.size(); ++at) {
    if (at < path.size() && path[at] != '/') continue;
    const std::string part = path.substr(0, at);
    if (::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) return false;
  }
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Re-extraction replaces what an earlier one left (also a read-only file or
// a link in the member's place), but only where no folder on the way is a
// link: such a path is left to the writer, which refuses it.
void ReplaceExisting(const std::string& rel, mode_t type) {
  struct stat st {};
  for (size_t at = rel.find('/'); at != std::string::npos; at = rel.find('/', at + 1))
    if (::lstat(rel.substr(0, at).c_str(), &st) == 0 && S_ISLNK(st.st_mode)) return;
  if (::lstat(rel.c_str(), &st) != 0) return;
  if (S_ISDIR(st.st_mode) && type == AE_IFDIR) return;
  if (!S_ISDIR(st.st_mode)) ::unlink(rel.c_str());
}

bool Wanted(const Job& job, const std::string& path) {
  if (job.names.empty()) return true;
  for (const std::string& n : job.names)
    if (n == path || WildcardMatch(n, path)) return true;
  return false;
}

uint32_t Extract(const Job& request, Output& out) {
  Job job = request;
  // The archive is opened after moving into the destination folder.
  if (!job.archive.empty() && job.archive[0] != '/') {
    char cwd[4096];
    if (::getcwd(cwd, sizeof cwd)) job.archive = std::string(cwd) + "/" + job.archive;
  }
  if (!MakeFolders(job.dest)) {
    out.Problem(kErrorFile, "展開先フォルダーを作成できません: " + job.dest);
    return kErrorFile;
  }
  if (::chdir(job.dest.c_str()) != 0) {
    out.Problem(kErrorFile, "展開先フォルダーに移動できません: " + job.dest);
    return kErrorFile;
  }
  const bool junk = job.flags.find('j') != std::string::npos;
  struct archive* disk = archive_write_disk_new();
  // Restored times and permission bits, and nothing outside the folder:
  // no "..", no absolute paths, nothing through a symbolic link.
  archive_write_disk_set_options(disk, ARCHIVE_EXTRACT_TIME | ARCHIVE_EXTRACT_PERM |
                                           ARCHIVE_EXTRACT_SECURE_SYMLINKS | ARCHIVE_EXTRACT_SECURE_NODOTDOT |
                                           ARCHIVE_EXTRACT_SECURE_NOABSOLUTEPATHS);
  const mode_t mask = ::umask(022);
  ::umask(mask);
  uint32_t status = kOk;
  std::string error;
  const Walk w = ForEachHeader(job, &error, [&](struct archive* a, struct archive_entry* e, const std::string& path) {
    if (!Wanted(job, path)) return true;
    if (junk && archive_entry_filetype(e) == AE_IFDIR) return true;
    bool refused = false;
    const std::string rel = SafeRelativePath(path, junk, &refused);
    if (refused) {
      out.Problem(kErrorWarning, path + ": 展開先フォルダーの外を指すため展開しませんでした。");
      status = kErrorWarning;
      return true;
    }
    if (rel.empty()) return true;
    if (const char* link = archive_entry_hardlink(e)) {
      bool bad = false;
      const std::string target = SafeRelativePath(link, junk, &bad);
      if (bad || target.empty()) {
        out.Problem(kErrorWarning, path + ": 展開先フォルダーの外を指すため展開しませんでした。");
        status = kErrorWarning;
        return true;
      }
      archive_entry_copy_hardlink(e, target.c_str());
    }
    archive_entry_copy_pathname(e, rel.c_str());
    // Permission bits as the user's umask allows, never set-id or sticky bits.
    archive_entry_set_perm(e, archive_entry_perm(e) & 0777 & ~mask);
    ReplaceExisting(rel, archive_entry_filetype(e));
    const uint64_t size = archive_entry_size_is_set(e) ? static_cast<uint64_t>(archive_entry_size(e)) : 0;
    out.Put(Rec::Begin, std::string(reinterpret_cast<const char*>(&size), 8) + path + '\0' + job.dest + "/" + rel);
    if (archive_write_header(disk, e) < ARCHIVE_WARN) {
      const char* msg = archive_error_string(disk);
      out.Problem(kErrorWarning, path + ": 展開しませんでした (" + (msg ? msg : "") + ")");
      status = kErrorWarning;
      return true;
    }
    uint64_t written = 0, reported = 0;
    for (;;) {
      const void* block;
      size_t len;
      la_int64_t offset;
      const int r = archive_read_data_block(a, &block, &len, &offset);
      if (r == ARCHIVE_EOF) break;
      // A method libarchive cannot decode comes back as a warning with no data.
      if (r < ARCHIVE_WARN || (r == ARCHIVE_WARN && len == 0)) {
        const char* msg = archive_error_string(a);
        const bool method = msg && std::strstr(msg, "nsupported");
        out.Problem(method ? kErrorUnsupported : kErrorCorrupt,
                    path + (method ? ": 圧縮方式に対応していないため展開できません (" : ": 展開できません (") +
                        (msg ? msg : "") + ")");
        archive_write_finish_entry(disk);
        ::unlink(rel.c_str());  // no half-written member stays behind
        status = method ? kErrorUnsupported : kErrorCorrupt;
        return r != ARCHIVE_FATAL;
      }
      if (archive_write_data_block(disk, block, len, offset) < ARCHIVE_WARN) {
        out.Problem(kErrorFile, path + ": 書き込めません (" + std::string(archive_error_string(disk) ?: "") + ")");
        archive_write_finish_entry(disk);
        ::unlink(rel.c_str());
        status = kErrorFile;
        return true;
      }
      written += len;
      if (written - reported >= kBlock) {
        out.U64(Rec::Written, written);
        out.Flush();
        reported = written;
      }
    }
    archive_write_finish_entry(disk);
    out.U64(Rec::Written, written);
    out.Flush();
    return true;
  });
  archive_write_free(disk);
  if (w == Walk::Failed) {
    out.Problem(kErrorCorrupt, error);
    return kErrorCorrupt;
  }
  return status;
}

uint32_t ToMemory(const Job& job, Output& out) {
  if (job.names.empty()) return kErrorCommand;
  const uint64_t limit = std::strtoull(job.dest.c_str(), nullptr, 10);
  bool found = false;
  std::string error;
  const Walk w = ForEachHeader(job, &error, [&](struct archive* a, struct archive_entry*, const std::string& path) {
    if (path != job.names.front() && !WildcardMatch(job.names.front(), path)) return true;
    found = true;
    uint64_t sent = 0;
    char buf[65536];
    while (sent < limit) {
      const la_ssize_t n = archive_read_data(a, buf, std::min<uint64_t>(sizeof buf, limit - sent));
      if (n <= 0) break;
      out.Put(Rec::Data, buf, static_cast<uint32_t>(n));
      sent += static_cast<uint64_t>(n);
    }
    return false;
  });
  if (w == Walk::Failed) {
    out.Problem(kErrorCorrupt, error);
    return kErrorCorrupt;
  }
  if (!found) {
    out.Problem(kErrorNoMember, job.names.front() + ": 書庫の中にありません。");
    return kErrorNoMember;
  }
  return kOk;
}

}  // namespace

uint32_t RunJob(const Job& job, FILE* f) {
  Output out(f);
  uint32_t status = kErrorCommand;
  if (job.op == "l") status = List(job, out);
  else if (job.op == "x") status = Extract(job, out);
  else if (job.op == "m") status = ToMemory(job, out);
  else if (job.op == "c") status = CreateArchive(job, out);
  out.Put(Rec::End, &status, 4);
  out.Flush();
  return status;
}

}  // namespace arc
