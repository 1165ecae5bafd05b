#include "worker.h"

#include "cabread.h"
#include "lzhread.h"
#include "lzhscan.h"
#include "output.h"
#include "protocol.h"
#include "space.h"
#include "text.h"
#include "unarrread.h"
#include "rar5scan.h"
#include "volumes.h"

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <functional>
#include <memory>
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

// Asks the module for the password of the member being read, at most three
// times a member; libarchive keeps the passwords it was given for the rest
// of the archive and tries them first, so one right answer serves them all.
class Passwords {
 public:
  Passwords(int answers, Output& out) : answers_(answers), out_(out) {}
  ~Passwords() { Wipe(); }
  Passwords(const Passwords&) = delete;
  Passwords& operator=(const Passwords&) = delete;

  void Member(const std::string& path) {
    member_ = path;
    asked_ = 0;
  }
  bool CanAsk() const { return answers_ >= 0; }
  bool AskedForMember() const { return asked_ > 0; }
  bool Declined() const { return declined_; }
  bool Exhausted() const { return gaveUp_; }

  static const char* Callback(struct archive*, void* data) { return static_cast<Passwords*>(data)->Next(); }

 private:
  const char* Next() {
    Wipe();
    // Three wrong answers end the asking for the whole operation: whoever
    // did not know this member's password will not know the next one's.
    if (answers_ < 0 || declined_ || gaveUp_) return nullptr;
    if (++asked_ > kPasswordTries) {
      gaveUp_ = true;
      return nullptr;
    }
    const uint32_t attempt = asked_;
    out_.Put(Rec::Password, std::string(reinterpret_cast<const char*>(&attempt), 4) + member_);
    out_.Flush();
    char head[5];
    uint32_t len = 0;
    if (!ReadAll(head, 5) || (std::memcpy(&len, head + 1, 4), len > kPasswordMax) || head[0] != kPasswordGiven) {
      declined_ = true;
      return nullptr;
    }
    answer_.assign(len, '\0');
    if (!ReadAll(answer_.data(), len)) {
      declined_ = true;
      Wipe();
      return nullptr;
    }
    return answer_.c_str();
  }
  bool ReadAll(char* to, size_t n) {
    while (n > 0) {
      const ssize_t got = ::read(answers_, to, n);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) return false;
      to += got;
      n -= static_cast<size_t>(got);
    }
    return true;
  }
  // libarchive has its own copy by now.
  void Wipe() {
    if (!answer_.empty()) ::explicit_bzero(answer_.data(), answer_.size());
    answer_.clear();
  }

  int answers_;
  Output& out_;
  std::string member_;
  std::string answer_;
  uint32_t asked_ = 0;
  bool declined_ = false;
  bool gaveUp_ = false;
};

// The problem an encrypted member that could not be read makes.
std::string PasswordProblem(const Passwords* p) {
  if (p && p->Exhausted()) return ": パスワードが違います。";
  if (p && p->Declined()) return ": パスワードが入力されなかったため展開しませんでした。";
  return ": パスワードで保護されているため展開できません。";
}

// What an encrypted member whose data would not come says, or empty when
// the member is not encrypted. A wrong password can pass libarchive's check
// and show up only as bad data, so that case names both causes.
std::string LockedProblem(struct archive_entry* e, const std::string& message, const Passwords* p) {
  if (message.find("assphrase") != std::string::npos) return PasswordProblem(p);
  // libarchive reads 7z and RAR archives but cannot decrypt them.
  if (message.find("ncrypt") != std::string::npos &&
      (message.find("not supported") != std::string::npos || message.find("unavailable") != std::string::npos))
    return ": パスワードで保護されていますが、この書庫の暗号には対応していないため展開できません。";
  // Encrypted, yet no password was asked for: the decoder has no cipher for it.
  if (archive_entry_is_encrypted(e) && p && !p->AskedForMember())
    return ": パスワードで保護されていますが、この書庫の暗号には対応していないため展開できません。";
  if (archive_entry_is_encrypted(e)) return ": 展開できません。パスワードが違うか、書庫が壊れています (" + message + ")";
  return std::string();
}

// A RAR set that ends before its data does: the part that is missing.
std::string MissingVolume(const Job& job, const std::string& message) {
  if (job.format != "rar" || message.find("Truncated") == std::string::npos) return std::string();
  const std::string next = NextRarVolume(RarVolumes(job.archive));
  if (next.empty()) return std::string();
  const size_t slash = next.rfind('/');
  return "分割書庫の部分が見つかりません: " + (slash == std::string::npos ? next : next.substr(slash + 1));
}

// Why headers could not be read: damage, or a header libarchive cannot decrypt.
std::string HeaderProblem(const char* message) {
  const std::string m = message ? message : "";
  if (m.find("encrypted") != std::string::npos)
    return "書庫の見出しがパスワードで保護されているため、この書庫は開けません。";
  return "書庫が壊れています: " + m;
}

// How stored names are read: as the archive says (UTF-8), as Shift-JIS, or
// byte for byte (ISO-8859-1 keeps every byte) to be decoded name by name.
enum class Names { Native, Cp932, Raw };

// Opens a reader for the module's format only.
struct archive* OpenReader(const Job& job, Source& src, Names names, Passwords* passwords, std::string* error) {
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
  else if (job.format == "7z") archive_read_support_format_7zip(a);
  else if (job.format == "rar") {
    archive_read_support_format_rar(a);
    archive_read_support_format_rar5(a);
  } else {
    archive_read_support_format_tar(a);
    archive_read_support_format_gnutar(a);
    archive_read_support_filter_all(a);
  }
  if (names == Names::Cp932) archive_read_set_options(a, "hdrcharset=CP932");
  if (names == Names::Raw) archive_read_set_options(a, "hdrcharset=ISO-8859-1");
  if (passwords && passwords->CanAsk()) archive_read_set_passphrase_callback(a, passwords, &Passwords::Callback);
  // A RAR set is read across its parts.
  std::vector<std::string> volumes;
  if (job.format == "rar") volumes = RarVolumes(job.archive);
  std::vector<const char*> files;
  for (const std::string& v : volumes) files.push_back(v.c_str());
  files.push_back(nullptr);
  int opened;
  if (volumes.size() > 1) {
    opened = archive_read_open_filenames(a, files.data(), kBlock);
  } else {
    archive_read_set_read_callback(a, ReadCb);
    archive_read_set_seek_callback(a, SeekCb);
    archive_read_set_skip_callback(a, SkipCb);
    archive_read_set_callback_data(a, &src);
    opened = archive_read_open1(a);
  }
  if (opened != ARCHIVE_OK) {
    const std::string why = archive_error_string(a) ? archive_error_string(a) : "";
    *error = why.find("encrypted") != std::string::npos ? HeaderProblem(why.c_str()) : "書庫を開けません: " + why;
    archive_read_free(a);
    return nullptr;
  }
  return a;
}

// The bytes behind a name read as ISO-8859-1; names the archive marks as
// UTF-8 come through as they are.
std::string Latin1Bytes(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if ((c == 0xC2 || c == 0xC3) && i + 1 < s.size()) {
      out += static_cast<char>(((c & 0x03) << 6) | (static_cast<unsigned char>(s[++i]) & 0x3F));
    } else {
      return s;
    }
  }
  return out;
}

// The member's path as UTF-8 with "/" separators, or empty when this way of
// reading names does not decode it. Read byte for byte, a name is UTF-8 or
// Shift-JIS, and bytes that are neither come out as %XX.
std::string EntryPath(struct archive_entry* e, Names names) {
  const char* p = archive_entry_pathname_utf8(e);
  if (!p) p = archive_entry_pathname(e);
  if (!p) return std::string();
  std::string s = p;
  if (names == Names::Raw) {
    s = Latin1Bytes(s);
    if (!IsValidUtf8(s))
      if (const std::string sjis = Cp932ToUtf8(s); !sjis.empty()) s = sjis;
    return PrintableName(s);
  }
  return IsValidUtf8(s) ? PrintableName(s) : std::string();
}

// Walks every header; visit returns false to stop. Retries the whole walk
// with Shift-JIS names when a name does not decode as UTF-8.
enum class Walk { Done, Stopped, Failed };

// A member's data from libarchive; a warning (a CRC mismatch, say) is -1,
// a fatal error -2.
DataReader LibarchiveData(struct archive* a) {
  return [a](const void** block, size_t* len, int64_t* offset, std::string* message) {
    la_int64_t at = 0;
    const int r = archive_read_data_block(a, block, len, &at);
    *offset = at;
    if (r == ARCHIVE_EOF) return 0;
    if (r == ARCHIVE_OK) return 1;
    const char* m = archive_error_string(a);
    *message = m ? m : "";
    return r == ARCHIVE_FATAL ? -2 : -1;
  };
}

// LHA archives that libarchive cannot decode wholly go to liblhasa; true
// when that walk was taken (result holds how it went).
bool WalkWithLhasa(const Job& job, std::string* error, const Visit& visit, bool force, Walk* result) {
  const int fd = ::open(job.archive.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const int64_t start = FindLzhStart(fd, 16 << 20);
  if (start < 0 || (!force && !LzhNeedsLhasa(fd, start))) {
    ::close(fd);
    return false;
  }
  bool stopped = false, visited = false;
  const bool ok = LhasaWalk(fd, start, error, [&](struct archive_entry* e, const std::string& path, const DataReader& read) {
    visited = true;
    stopped = !visit(e, path, [&read](const Sink& sink, std::string* message) { return Pump(read, sink, message); });
    return !stopped;
  });
  ::close(fd);
  // Headers liblhasa refuses from the start are left to libarchive.
  if (!ok && !visited && !force) return false;
  *result = !ok ? Walk::Failed : stopped ? Walk::Stopped : Walk::Done;
  return true;
}

// CAB archives with folders libarchive does not decode go to libmspack, as
// do split sets; also those libarchive refuses (force).
bool WalkWithMspack(const Job& job, std::string* error, const Visit& visit, bool force, Walk* result) {
  if (!force && !CabNeedsMspack(job.archive)) return false;
  bool stopped = false;
  std::string why;
  const CabWalk w = MspackWalk(job.archive, &why, [&](struct archive_entry* e, const std::string& path, const DataSource& data) {
    stopped = !visit(e, path, data);
    return !stopped;
  });
  // What neither library reads keeps libarchive's reason.
  if (w == CabWalk::NotCabinet && force) return false;
  if (w != CabWalk::Done) *error = why;
  *result = w != CabWalk::Done ? Walk::Failed : stopped ? Walk::Stopped : Walk::Done;
  return true;
}

// The data of one libarchive member, with unarr as the second decoder where
// libarchive 3.6 fails: RAR 1.5-4 data it calls damaged, ZIP methods it
// lacks (Deflate64). The second decoder starts the member over.
class MemberData {
 public:
  MemberData(const Job& job, struct archive* a) : job_(job), read_(LibarchiveData(a)), archive_(a) {}

  // Whether libarchive gave up on the archive while unarr saved a member:
  // the walk goes on from a new reader, with unarr for the data.
  bool ReaderLost() const { return lost_; }
  void PreferSecond() { preferSecond_ = true; }

  // The header just read, and its place among the members that are not
  // folders; Source() then gives its data.
  // Read before the visitor changes the header (extraction unsets the size).
  void Current(struct archive_entry* e, size_t index) {
    entry_ = e;
    index_ = index;
    sized_ = archive_entry_size_is_set(e);
    size_ = sized_ ? static_cast<uint64_t>(archive_entry_size(e)) : 0;
  }
  const DataSource& Source() const { return source_; }

 private:
  int Read(const Sink& sink, std::string* message) {
    const size_t index = index_;
    const uint64_t size = size_;
    struct archive_entry* e = entry_;
    const bool second = sized_ && (zip_ || (rar_ && archive_format(archive_) == ARCHIVE_FORMAT_RAR)) &&
                        archive_entry_filetype(e) == AE_IFREG && !archive_entry_is_encrypted(e);
    if (second && preferSecond_)
      if (const DataReader other = Second().Find(index, size)) return Pump(other, sink, message);
    const int r = Pump(job_.failFirstDecoder ? FailingAfterABlock(read_) : read_, sink, message);
    if (r >= 0 || !second) return r;
    const DataReader other = Second().Find(index, size);
    if (!other) return r;
    sink.restart();
    std::string ignored;
    const int again = Pump(other, sink, &ignored);
    if (again < 0) return r;
    if (r == -2) lost_ = true;
    return again;
  }

  UnarrData& Second() {
    if (!second_)
      second_ = std::make_unique<UnarrData>(job_.archive, job_.format == "zip" ? UnarrData::Kind::Zip : UnarrData::Kind::Rar);
    return *second_;
  }

  static DataReader FailingAfterABlock(const DataReader& read) {
    return [read, blocks = 0](const void** block, size_t* len, int64_t* offset, std::string* message) mutable {
      if (blocks++ == 0) return read(block, len, offset, message);
      *message = "Bad RAR file data (injected)";
      return -2;
    };
  }

  const Job& job_;
  DataReader read_;
  struct archive* archive_;
  std::unique_ptr<UnarrData> second_;
  const bool zip_ = job_.format == "zip", rar_ = job_.format == "rar";
  struct archive_entry* entry_ = nullptr;
  size_t index_ = 0;
  uint64_t size_ = 0;
  bool sized_ = false;
  // One source for every member: a listing never builds one per member.
  const DataSource source_ = [this](const Sink& sink, std::string* message) { return Read(sink, message); };
  bool lost_ = false;
  bool preferSecond_ = false;
};

Walk ForEachHeader(const Job& job, std::string* error, const Visit& visit, const std::function<void()>& restart = {},
                   Passwords* passwords = nullptr) {
  Walk viaOther;
  if (job.format == "lha" && WalkWithLhasa(job, error, visit, false, &viaOther)) return viaOther;
  if (job.format == "cab" && WalkWithMspack(job, error, visit, false, &viaOther)) return viaOther;
  for (Names names : {Names::Native, Names::Cp932, Names::Raw}) {
    // Headers already visited when libarchive had to be opened again.
    size_t resumeAfter = 0;
    bool retry = false, reopen = false;
    Walk result = Walk::Done;
    do {
      reopen = false;
      Source src;
      struct archive* a = OpenReader(job, src, names, passwords, error);
      if (!a) {
        if (src.fd >= 0) ::close(src.fd);
        // Headers libarchive refuses may still be good LHA headers, or a
        // cabinet libmspack finds.
        if (job.format == "lha" && names == Names::Native && WalkWithLhasa(job, error, visit, true, &viaOther))
          return viaOther;
        if (job.format == "cab" && names == Names::Native && WalkWithMspack(job, error, visit, true, &viaOther))
          return viaOther;
        return Walk::Failed;
      }
      MemberData data(job, a);
      if (resumeAfter) data.PreferSecond();
      size_t seen = 0, withData = 0;
      // libarchive 3.6 neither decrypts RAR5 nor says which members are encrypted.
      std::unique_ptr<Rar5Encryption> rar5;
      for (;;) {
        struct archive_entry* e = nullptr;
        const int r = archive_read_next_header(a, &e);
        if (r == ARCHIVE_EOF) break;
        const std::string path = r >= ARCHIVE_WARN ? EntryPath(e, names) : std::string();
        // A damaged header may be a name in the wrong encoding: Shift-JIS is
        // tried once; after that only a name that does not decode reads again.
        if ((r < ARCHIVE_WARN && names == Names::Native) || (r >= ARCHIVE_WARN && path.empty() && names != Names::Raw)) {
          retry = true;
          break;
        }
        if (!rar5 && job.format == "rar" && archive_format(a) == ARCHIVE_FORMAT_RAR_V5)
          rar5 = std::make_unique<Rar5Encryption>(ScanRar5Encryption(job.archive));
        if (r < ARCHIVE_WARN) {
          const char* msg = archive_error_string(a);
          *error = rar5 && (rar5->headers || !rar5->members.empty())
                       ? "書庫の中身がパスワードで保護されていますが、この書庫の暗号には対応していないため、先を読めません。"
                       : HeaderProblem(msg);
          result = Walk::Failed;
          break;
        }
        if (rar5 && rar5->members.count(path)) archive_entry_set_is_data_encrypted(e, 1);
        data.Current(e, archive_entry_filetype(e) == AE_IFDIR ? 0 : withData++);
        if (seen++ < resumeAfter) continue;
        if (!visit(e, path, data.Source())) {
          result = Walk::Stopped;
          break;
        }
        if (data.ReaderLost()) {
          resumeAfter = seen;
          reopen = true;
          break;
        }
      }
      archive_read_free(a);
      ::close(src.fd);
    } while (reopen);
    if (!retry) return result;
    if (restart) restart();
  }
  return Walk::Failed;
}

// What the first bytes of a member with an execute bit say it is: an ELF
// program, a script ("#!"), or neither (0). Only those bytes are decoded.
uint32_t ProgramKind(const DataSource& data) {
  char head[4] = {};
  size_t got = 0;
  Sink peek;
  peek.put = [&](const void* block, size_t len, int64_t offset) {
    if (!block || len == 0) return true;  // decoders may hand over empty blocks
    if (offset != static_cast<int64_t>(got)) return false;
    const size_t n = std::min(sizeof head - got, len);
    std::memcpy(head + got, block, n);
    got += n;
    return got < sizeof head;
  };
  peek.restart = [&] { got = 0; };
  std::string ignored;
  if (data(peek, &ignored) < 0 && got < 2) return 0;
  if (got == 4 && std::memcmp(head, "\x7f" "ELF", 4) == 0) return kElf;
  if (got >= 2 && head[0] == '#' && head[1] == '!') return kScript;
  return 0;
}

// The members of an encrypted RAR5 archive after the first `listed` (its
// headers come in the order libarchive read them); false when it is no
// such archive.
bool ListRar5Rest(const Job& job, size_t listed, Output& out) {
  const Rar5Encryption scan = ScanRar5Encryption(job.archive);
  if (scan.members.empty()) return false;
  for (size_t i = listed; i < scan.all.size(); ++i) {
    const Rar5Member& r = scan.all[i];
    const std::string path = IsValidUtf8(r.name) ? PrintableName(r.name) : std::string();
    if (path.empty()) continue;
    MemberRecord m{};
    m.size = m.compressed = r.size;
    m.mtime = r.mtime;
    m.mode = r.folder ? (AE_IFDIR | 0755) : (AE_IFREG | 0644);
    m.flags = (r.folder ? uint32_t{kDirectory} : 0u) | (r.encrypted ? uint32_t{kEncrypted} : 0u);
    out.Put(Rec::Member, std::string(reinterpret_cast<const char*>(&m), sizeof m) + path);
  }
  return true;
}

uint32_t List(const Job& job, Output& out) {
  // Members go out as they are read, so the module works while we read on.
  bool any = false;
  size_t listed = 0;
  constexpr std::chrono::steady_clock::duration kPeekBudget = std::chrono::seconds(1);
  std::chrono::steady_clock::duration peeking{};
  std::string error;
  const Walk w = ForEachHeader(
      job, &error,
      [&](struct archive_entry* e, const std::string& path, const DataSource& data) {
        MemberRecord m{};
        m.size = archive_entry_size_is_set(e) ? static_cast<uint64_t>(archive_entry_size(e)) : 0;
        m.compressed = m.size;
        m.mtime = archive_entry_mtime_is_set(e) ? archive_entry_mtime(e) : 0;
        m.mtime_ns = archive_entry_mtime_is_set(e) ? static_cast<uint32_t>(archive_entry_mtime_nsec(e)) : 0;
        m.atime = archive_entry_atime_is_set(e) ? archive_entry_atime(e) : 0;
        m.ctime = archive_entry_birthtime_is_set(e) ? archive_entry_birthtime(e) : 0;
        m.mode = archive_entry_mode(e);
        const mode_t type = archive_entry_filetype(e);
        m.flags = (type == AE_IFDIR ? uint32_t{kDirectory} : 0u) | (type == AE_IFLNK ? uint32_t{kSymlink} : 0u) |
                  (archive_entry_is_encrypted(e) ? uint32_t{kEncrypted} : 0u);
        // Reading a member's first bytes can mean decoding all before it (a
        // solid archive): past a second of that, listing goes on without.
        if (type == AE_IFREG && (m.mode & 0111) && m.size >= 2 && !(m.flags & kEncrypted) && peeking < kPeekBudget) {
          const auto start = std::chrono::steady_clock::now();
          m.flags |= ProgramKind(data);
          peeking += std::chrono::steady_clock::now() - start;
        }
        out.Put(Rec::Member, std::string(reinterpret_cast<const char*>(&m), sizeof m) + path);
        ++listed;
        any = true;
        return true;
      },
      [&] {
        out.Put(Rec::Restart, nullptr, 0);
        listed = 0;
        any = false;
      });
  // libarchive stops at the data of an encrypted RAR5 member in a solid
  // archive; its headers say the rest, and each member says why when asked.
  if (w == Walk::Failed && job.format == "rar" && ListRar5Rest(job, listed, out)) return kOk;
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

uint32_t Extract(const Job& request, Output& out, Passwords& passwords) {
  Job job = request;
  // The archive is opened after moving into the destination folder.
  if (!job.archive.empty() && job.archive[0] != '/') {
    char cwd[4096];
    if (::getcwd(cwd, sizeof cwd)) job.archive = std::string(cwd) + "/" + job.archive;
  }
  // The module leaves the room check to us for an LHA archive it has not listed.
  if (job.flags.find('s') != std::string::npos && job.format == "lha") {
    const int fd = ::open(job.archive.c_str(), O_RDONLY | O_CLOEXEC);
    const int64_t start = fd >= 0 ? FindLzhStart(fd, 16 << 20) : -1;
    const std::string problem = start >= 0 ? SpaceProblem(job.dest, LzhStatedSize(fd, start, job.names)) : std::string();
    if (fd >= 0) ::close(fd);
    if (!problem.empty()) {
      out.Problem(kErrorFile, problem);
      return kErrorFile;
    }
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
  const Walk w = ForEachHeader(job, &error, [&](struct archive_entry* e, const std::string& path, const DataSource& data) {
    if (!NameWanted(job.names, path)) return true;
    const mode_t type = archive_entry_filetype(e);
    if (junk && type == AE_IFDIR) return true;
    auto refuse = [&](const char* why) {
      out.Problem(kErrorWarning, path + why);
      status = std::max<uint32_t>(status, kErrorWarning);
      return true;
    };
    // Devices, FIFOs and sockets have no business in an extracted archive.
    if (type == AE_IFIFO || type == AE_IFCHR || type == AE_IFBLK || type == AE_IFSOCK)
      return refuse(": 特殊ファイル (デバイスや FIFO) のため展開しませんでした。");
    bool refused = false;
    const std::string rel = SafeRelativePath(path, junk, &refused);
    if (refused) return refuse(": 展開先フォルダーの外を指すため展開しませんでした。");
    if (rel.empty()) return true;
    if (const char* link = archive_entry_hardlink(e)) {
      bool bad = false;
      const std::string target = SafeRelativePath(link, junk, &bad);
      if (bad || target.empty()) return refuse(": 展開先フォルダーの外を指すため展開しませんでした。");
      archive_entry_copy_hardlink(e, target.c_str());
    }
    if (type == AE_IFLNK) {
      const char* target = archive_entry_symlink_utf8(e);
      if (!target) target = archive_entry_symlink(e);
      if (!target || !SafeLinkTarget(rel, target))
        return refuse(": 展開先フォルダーの外を指すリンクのため展開しませんでした。");
    }
    archive_entry_copy_pathname(e, rel.c_str());
    // Permission bits as the user's umask allows, never set-id or sticky
    // bits; folders always let their owner in, so they can be cleaned up.
    mode_t perm = archive_entry_perm(e) & 0777 & ~mask;
    if (type == AE_IFDIR) perm |= 0700;
    archive_entry_set_perm(e, perm);
    ReplaceExisting(rel, type);
    const bool sized = archive_entry_size_is_set(e) && type == AE_IFREG && !archive_entry_hardlink(e);
    const uint64_t size = archive_entry_size_is_set(e) ? static_cast<uint64_t>(archive_entry_size(e)) : 0;
    // The stated size is checked against the data below; left to the disk
    // writer it would grow a short file to whatever the header claims.
    const bool sparse = archive_entry_sparse_count(e) > 0;
    if (sized && !sparse) archive_entry_unset_size(e);
    passwords.Member(path);
    out.Put(Rec::Begin, std::string(reinterpret_cast<const char*>(&size), 8) + path + '\0' + job.dest + "/" + rel);
    if (archive_write_header(disk, e) < ARCHIVE_WARN) {
      const char* msg = archive_error_string(disk);
      return refuse((": 展開しませんでした (" + std::string(msg ? msg : "") + ")").c_str());
    }
    // A member that does not check out is removed, never left as if good.
    auto fail = [&](uint32_t why, const std::string& message) {
      out.Problem(why, path + message);
      archive_write_finish_entry(disk);
      ::unlink(rel.c_str());
      status = why;
    };
    auto diskFull = [&] { return archive_errno(disk) == ENOSPC || archive_errno(disk) == EDQUOT; };
    uint64_t written = 0, reported = 0, end = 0;
    bool writeFailed = false;
    Sink sink;
    sink.put = [&](const void* block, size_t len, int64_t offset) {
      if (archive_write_data_block(disk, block, len, offset) < ARCHIVE_WARN) {
        writeFailed = true;
        return false;
      }
      written += len;
      end = std::max<uint64_t>(end, static_cast<uint64_t>(offset) + len);
      if (written - reported >= kBlock) {
        out.U64(Rec::Written, written);
        out.Flush();
        reported = written;
      }
      return true;
    };
    // A second decoder starts the member over in a new file.
    sink.restart = [&] {
      archive_write_finish_entry(disk);
      ::unlink(rel.c_str());
      writeFailed = archive_write_header(disk, e) < ARCHIVE_WARN;
      written = reported = end = 0;
    };
    // Folders and symbolic links carry no data: asking a decoder for it is
    // an error in some formats (RAR5), not an empty read.
    const bool dataless = type == AE_IFDIR || type == AE_IFLNK;
    std::string msg;
    const int r = dataless ? 0 : data(sink, &msg);
    if (writeFailed) {
      if (diskFull()) {
        fail(kErrorFile, ": ディスクの空き容量が足りないため、展開を中止しました。");
        return false;
      }
      fail(kErrorFile, ": 書き込めません (" + std::string(archive_error_string(disk) ?: "") + ")");
      return true;
    }
    // A CRC mismatch comes back as an error, as does a method that cannot
    // be decoded (with no data).
    if (r < 0) {
      if (const std::string locked = LockedProblem(e, msg, &passwords); !locked.empty()) {
        fail(kErrorPassword, locked);
        return r != -2;
      }
      if (const std::string missing = MissingVolume(job, msg); !missing.empty()) {
        fail(kErrorCorrupt, ": " + missing);
        return r != -2;
      }
      const bool method = written == 0 && msg.find("nsupported") != std::string::npos;
      fail(method ? kErrorUnsupported : kErrorCorrupt,
           (method ? ": 圧縮方式に対応していないため展開できません (" : ": 展開できません。書庫が壊れています (") + msg + ")");
      return r != -2;
    }
    if (sized && !sparse && end != size) {
      fail(kErrorCorrupt, ": 展開できません。書庫に記録された大きさ (" + std::to_string(size) + " バイト) と中身 (" +
                              std::to_string(end) + " バイト) が合いません。");
      return true;
    }
    if (archive_write_finish_entry(disk) < ARCHIVE_WARN) {
      const bool full = diskFull();
      out.Problem(kErrorFile, path + (full ? ": ディスクの空き容量が足りないため、展開を中止しました。" : ": 書き込めません (" + std::string(archive_error_string(disk) ?: "") + ")"));
      ::unlink(rel.c_str());
      status = kErrorFile;
      return !full;
    }
    out.U64(Rec::Written, written);
    out.Flush();
    return true;
  }, {}, &passwords);
  archive_write_free(disk);
  if (w == Walk::Failed) {
    out.Problem(kErrorCorrupt, error);
    return kErrorCorrupt;
  }
  return status;
}

uint32_t ToMemory(const Job& job, Output& out, Passwords& passwords) {
  if (job.names.empty()) return kErrorCommand;
  const uint64_t limit = std::strtoull(job.dest.c_str(), nullptr, 10);
  bool found = false;
  uint32_t status = kOk;
  std::string error;
  const Walk w = ForEachHeader(job, &error, [&](struct archive_entry* e, const std::string& path, const DataSource& data) {
    if (!NameWanted({job.names.front()}, path)) return true;
    found = true;
    passwords.Member(path);
    uint64_t sent = 0;
    Sink sink;
    sink.put = [&](const void* block, size_t len, int64_t) {
      const size_t n = std::min<uint64_t>(len, limit - sent);
      out.Put(Rec::Data, block, static_cast<uint32_t>(n));
      sent += n;
      return sent < limit;
    };
    sink.restart = [&] {
      out.Put(Rec::Restart, nullptr, 0);
      sent = 0;
    };
    std::string msg;
    // Data that did not come is a failure, not an empty member.
    if (limit > 0 && data(sink, &msg) < 0) {
      const std::string locked = LockedProblem(e, msg, &passwords);
      const std::string missing = MissingVolume(job, msg);
      status = locked.empty() ? kErrorCorrupt : kErrorPassword;
      out.Problem(status, path + (!locked.empty()  ? locked
                                  : !missing.empty() ? ": " + missing
                                                     : ": 展開できません。書庫が壊れています (" + msg + ")"));
    }
    return false;
  }, {}, &passwords);
  if (status != kOk) return status;
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
  Passwords passwords(job.answers, out);
  uint32_t status = kErrorCommand;
  if (job.op == "l") status = List(job, out);
  else if (job.op == "x") status = Extract(job, out, passwords);
  else if (job.op == "m") status = ToMemory(job, out, passwords);
  else if (job.op == "c") status = CreateArchive(job, out);
  out.Put(Rec::End, &status, 4);
  out.Flush();
  return status;
}

}  // namespace arc
