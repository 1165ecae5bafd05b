#include "worker.h"

#include "cabread.h"
#include "lzhread.h"
#include "lzhscan.h"
#include "output.h"
#include "policy.h"
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
    out_.Put(Rec::Password, Encode(PasswordRequest{asked_, member_}));
    out_.Flush();
    char head[5];
    uint32_t len = 0;
    if (!ReadAll(head, 5) || (len = FrameLength(head)) > kPasswordMax || head[0] != kPasswordGiven) {
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

// Why an encrypted member that could not be read failed.
Reason PasswordProblem(const Passwords* p) {
  if (p && p->Exhausted()) return Reason::WrongPassword;
  if (p && p->Declined()) return Reason::PasswordDeclined;
  return Reason::PasswordProtected;
}

// Why an encrypted member's data would not come, or no reason when the
// member is not encrypted. A wrong password can pass libarchive's check and
// show up only as bad data, so that case names both causes.
Outcome LockedProblem(struct archive_entry* e, const std::string& message, const Passwords* p) {
  if (message.find("assphrase") != std::string::npos) return {kErrorPassword, PasswordProblem(p), {}, {}};
  // libarchive reads 7z and RAR archives but cannot decrypt them.
  if (message.find("ncrypt") != std::string::npos &&
      (message.find("not supported") != std::string::npos || message.find("unavailable") != std::string::npos))
    return {kErrorPassword, Reason::CipherUnsupported, {}, {}};
  // Encrypted, yet no password was asked for: the decoder has no cipher for it.
  if (archive_entry_is_encrypted(e) && p && !p->AskedForMember())
    return {kErrorPassword, Reason::CipherUnsupported, {}, {}};
  if (archive_entry_is_encrypted(e)) return {kErrorPassword, Reason::WrongPasswordOrDamaged, {}, {message}};
  return {};
}

// A RAR set that ends before its data does: the part that is missing.
Outcome MissingVolume(const Job& job, const std::string& message) {
  if (job.format != "rar" || message.find("Truncated") == std::string::npos) return {};
  const std::string next = NextRarVolume(RarVolumes(job.archive));
  if (next.empty()) return {};
  const size_t slash = next.rfind('/');
  return {kErrorCorrupt, Reason::MissingPart, {}, {slash == std::string::npos ? next : next.substr(slash + 1)}};
}

// Why a member's data did not come, libarchive's message given.
Outcome DataProblem(const Job& job, struct archive_entry* e, const std::string& message, const Passwords* p,
                    bool nothingWritten) {
  if (Outcome locked = LockedProblem(e, message, p); locked.Failed()) return locked;
  if (Outcome missing = MissingVolume(job, message); missing.Failed()) return missing;
  // A method that cannot be decoded gives no data at all.
  if (nothingWritten && message.find("nsupported") != std::string::npos)
    return {kErrorUnsupported, Reason::MethodUnsupported, {}, {message}};
  return {kErrorCorrupt, Reason::Damaged, {}, {message}};
}

// Why headers could not be read: damage, or a header libarchive cannot decrypt.
Outcome HeaderProblem(const char* message) {
  const std::string m = message ? message : "";
  if (m.find("encrypted") != std::string::npos) return {kErrorCorrupt, Reason::HeadersLocked, {}, {}};
  return {kErrorCorrupt, Reason::ArchiveDamaged, {}, {m}};
}

// How stored names are read: as the archive says (UTF-8), as Shift-JIS, or
// byte for byte (ISO-8859-1 keeps every byte) to be decoded name by name.
enum class Names { Native, Cp932, Raw };

// Opens a reader for the module's format only.
struct archive* OpenReader(const Job& job, Source& src, Names names, Passwords* passwords, Outcome* error) {
  src.fd = ::open(job.archive.c_str(), O_RDONLY | O_CLOEXEC);
  if (src.fd < 0) {
    *error = {kErrorCorrupt, Reason::CannotOpenFile, {}, {job.archive, std::strerror(errno)}};
    return nullptr;
  }
  if (job.format == "lha") {
    const int64_t start = FindLzhStart(src.fd, 16 << 20);
    if (start < 0) {
      *error = {kErrorCorrupt, Reason::NotLha, {}, {}};
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
    *error = why.find("encrypted") != std::string::npos ? HeaderProblem(why.c_str())
                                                        : Outcome{kErrorCorrupt, Reason::CannotOpenArchive, {}, {why}};
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
bool WalkWithLhasa(const Job& job, Outcome* error, const Visit& visit, bool force, Walk* result) {
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
bool WalkWithMspack(const Job& job, Outcome* error, const Visit& visit, bool force, Walk* result) {
  if (!force && !CabNeedsMspack(job.archive)) return false;
  bool stopped = false;
  Outcome why;
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

// One walk over libarchive's headers with one way of reading names, from
// the header after `resumeAfter` on. retry: a name did not decode this way;
// resumeAfter comes back set when libarchive lost the archive and the walk
// must go on from a new reader.
Walk WalkLibarchive(const Job& job, struct archive* a, Names names, Outcome* error, const Visit& visit,
                    size_t* resumeAfter, bool* retry) {
  MemberData data(job, a);
  if (*resumeAfter) data.PreferSecond();
  const size_t skip = *resumeAfter;
  *resumeAfter = 0;
  size_t seen = 0, withData = 0;
  // libarchive 3.6 neither decrypts RAR5 nor says which members are encrypted.
  std::unique_ptr<Rar5Encryption> rar5;
  for (;;) {
    struct archive_entry* e = nullptr;
    const int r = archive_read_next_header(a, &e);
    if (r == ARCHIVE_EOF) return Walk::Done;
    const std::string path = r >= ARCHIVE_WARN ? EntryPath(e, names) : std::string();
    // A damaged header may be a name in the wrong encoding: Shift-JIS is
    // tried once; after that only a name that does not decode reads again.
    if ((r < ARCHIVE_WARN && names == Names::Native) || (r >= ARCHIVE_WARN && path.empty() && names != Names::Raw)) {
      *retry = true;
      return Walk::Done;
    }
    if (!rar5 && job.format == "rar" && archive_format(a) == ARCHIVE_FORMAT_RAR_V5)
      rar5 = std::make_unique<Rar5Encryption>(ScanRar5Encryption(job.archive));
    if (r < ARCHIVE_WARN) {
      *error = rar5 && (rar5->headers || !rar5->members.empty()) ? Outcome{kErrorCorrupt, Reason::RestLocked, {}, {}}
                                                                 : HeaderProblem(archive_error_string(a));
      return Walk::Failed;
    }
    if (rar5 && rar5->members.count(path)) archive_entry_set_is_data_encrypted(e, 1);
    data.Current(e, archive_entry_filetype(e) == AE_IFDIR ? 0 : withData++);
    if (seen++ < skip) continue;
    if (!visit(e, path, data.Source())) return Walk::Stopped;
    if (data.ReaderLost()) {
      *resumeAfter = seen;
      return Walk::Done;
    }
  }
}

Walk ForEachHeader(const Job& job, Outcome* error, const Visit& visit, const std::function<void()>& restart = {},
                   Passwords* passwords = nullptr) {
  Walk viaOther;
  if (job.format == "lha" && WalkWithLhasa(job, error, visit, false, &viaOther)) return viaOther;
  if (job.format == "cab" && WalkWithMspack(job, error, visit, false, &viaOther)) return viaOther;
  for (Names names : {Names::Native, Names::Cp932, Names::Raw}) {
    // Headers already visited when libarchive had to be opened again.
    size_t resumeAfter = 0;
    bool retry = false;
    Walk result = Walk::Done;
    do {
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
      result = WalkLibarchive(job, a, names, error, visit, &resumeAfter, &retry);
      archive_read_free(a);
      ::close(src.fd);
    } while (resumeAfter);
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
    out.Put(Rec::Member, Encode(m, path));
  }
  return true;
}

uint32_t List(const Job& job, Output& out) {
  // Members go out as they are read, so the module works while we read on.
  bool any = false;
  size_t listed = 0;
  constexpr std::chrono::steady_clock::duration kPeekBudget = std::chrono::seconds(1);
  std::chrono::steady_clock::duration peeking{};
  Outcome error;
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
        out.Put(Rec::Member, Encode(m, path));
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
    error.status = any ? kErrorCorrupt : kErrorNotArchive;
    out.Problem(error);
    return error.status;
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

// Makes the destination folder and moves into it, so that nothing is
// written anywhere else. The module leaves the room check to us for an LHA
// archive it has not listed.
Outcome EnterDestination(const Job& job) {
  if (job.flags.find('s') != std::string::npos && job.format == "lha") {
    const int fd = ::open(job.archive.c_str(), O_RDONLY | O_CLOEXEC);
    const int64_t start = fd >= 0 ? FindLzhStart(fd, 16 << 20) : -1;
    const Outcome room = start >= 0 ? SpaceShortfall(job.dest, LzhStatedSize(fd, start, job.names)) : Outcome{};
    if (fd >= 0) ::close(fd);
    if (room.Failed()) return room;
  }
  if (!MakeFolders(job.dest)) return {kErrorFile, Reason::CannotMakeFolder, {}, {job.dest}};
  if (::chdir(job.dest.c_str()) != 0) return {kErrorFile, Reason::CannotEnterFolder, {}, {job.dest}};
  return {};
}

// What the placement rules are asked about a libarchive header.
MemberHeader HeaderOf(struct archive_entry* e, const std::string& path) {
  MemberHeader h;
  h.path = path;
  h.type = archive_entry_filetype(e);
  h.perm = archive_entry_perm(e);
  if (const char* link = archive_entry_hardlink(e)) h.hardlink = link;
  if (h.type == AE_IFLNK) {
    const char* target = archive_entry_symlink_utf8(e);
    if (!target) target = archive_entry_symlink(e);
    if (target) h.symlink = target;
  }
  return h;
}

// Writes the members asked for below the current folder, each where and as
// PlaceMember allows, through libarchive's disk writer (which also refuses
// "..", absolute paths and anything through a symbolic link).
class DiskWriter {
 public:
  DiskWriter(const Job& job, Output& out, Passwords& passwords) : job_(job), out_(out), passwords_(passwords) {
    archive_write_disk_set_options(disk_, ARCHIVE_EXTRACT_TIME | ARCHIVE_EXTRACT_PERM |
                                              ARCHIVE_EXTRACT_SECURE_SYMLINKS | ARCHIVE_EXTRACT_SECURE_NODOTDOT |
                                              ARCHIVE_EXTRACT_SECURE_NOABSOLUTEPATHS);
    mask_ = ::umask(022);
    ::umask(mask_);
  }
  ~DiskWriter() { archive_write_free(disk_); }
  DiskWriter(const DiskWriter&) = delete;
  DiskWriter& operator=(const DiskWriter&) = delete;

  uint32_t Status() const { return status_; }

  // One member of the walk; false stops it.
  bool Member(struct archive_entry* e, const std::string& path, const DataSource& data) {
    if (!NameWanted(job_.names, path)) return true;
    const Placement place = PlaceMember(HeaderOf(e, path), junk_, mask_);
    if (place.verdict == Placement::Skip) return true;
    if (place.verdict == Placement::Refuse) return Refuse({kErrorWarning, place.refusal, path, {}});
    const mode_t type = archive_entry_filetype(e);
    if (place.hardlink) archive_entry_copy_hardlink(e, place.hardlink->c_str());
    archive_entry_copy_pathname(e, place.path.c_str());
    archive_entry_set_perm(e, place.perm);
    ReplaceExisting(place.path, type);
    const bool sized = archive_entry_size_is_set(e) && type == AE_IFREG && !archive_entry_hardlink(e);
    const uint64_t size = archive_entry_size_is_set(e) ? static_cast<uint64_t>(archive_entry_size(e)) : 0;
    // The stated size is checked against the data; left to the disk writer
    // it would grow a short file to whatever the header claims.
    const bool checkSize = sized && archive_entry_sparse_count(e) == 0;
    if (checkSize) archive_entry_unset_size(e);
    passwords_.Member(path);
    std::string output;
    output.reserve(job_.dest.size() + 1 + place.path.size());
    output.append(job_.dest).append(1, '/').append(place.path);
    out_.Put(Rec::Begin, Encode(BeginRecord{size, path, std::move(output)}));
    if (archive_write_header(disk_, e) < ARCHIVE_WARN)
      return Refuse({kErrorWarning, Reason::NotWritten, path, {DiskMessage()}});
    // Folders and symbolic links carry no data: asking a decoder for it is
    // an error in some formats (RAR5), not an empty read.
    const bool dataless = type == AE_IFDIR || type == AE_IFLNK;
    return Copy(e, path, place.path, dataless ? DataSource() : data, checkSize ? size : kUnchecked);
  }

 private:
  static constexpr uint64_t kUnchecked = ~uint64_t{0};

  // The member's data into the file the header made; a member that does not
  // check out is removed, never left as if good.
  bool Copy(struct archive_entry* e, const std::string& path, const std::string& rel, const DataSource& data,
            uint64_t size) {
    uint64_t written = 0, reported = 0, end = 0;
    bool writeFailed = false;
    Sink sink;
    sink.put = [&](const void* block, size_t len, int64_t offset) {
      if (archive_write_data_block(disk_, block, len, offset) < ARCHIVE_WARN) return !(writeFailed = true);
      written += len;
      end = std::max<uint64_t>(end, static_cast<uint64_t>(offset) + len);
      if (written - reported >= kBlock) {
        out_.Written(written);
        out_.Flush();
        reported = written;
      }
      return true;
    };
    // A second decoder starts the member over in a new file.
    sink.restart = [&] {
      archive_write_finish_entry(disk_);
      ::unlink(rel.c_str());
      writeFailed = archive_write_header(disk_, e) < ARCHIVE_WARN;
      written = reported = end = 0;
    };
    std::string msg;
    const int r = data ? data(sink, &msg) : 0;
    if (writeFailed) {
      const bool full = DiskFull();
      Fail(rel, WriteProblem(path));
      return !full;
    }
    // A CRC mismatch comes back as an error, as does a method that cannot
    // be decoded (with no data).
    if (r < 0) {
      Outcome why = DataProblem(job_, e, msg, &passwords_, written == 0);
      why.member = path;
      Fail(rel, why);
      return r != -2;
    }
    if (size != kUnchecked && end != size)
    {
      Fail(rel, {kErrorCorrupt, Reason::SizeMismatch, path, {std::to_string(size), std::to_string(end)}});
      return true;
    }
    if (archive_write_finish_entry(disk_) < ARCHIVE_WARN) {
      const bool full = DiskFull();
      Report(WriteProblem(path));
      ::unlink(rel.c_str());
      return !full;
    }
    out_.Written(written);
    out_.Flush();
    return true;
  }

  bool Refuse(const Outcome& why) {
    out_.Problem(why);
    status_ = std::max<uint32_t>(status_, kErrorWarning);
    return true;
  }
  void Report(const Outcome& why) {
    out_.Problem(why);
    status_ = why.status;
  }
  // Reports, closes and removes the member.
  void Fail(const std::string& rel, const Outcome& why) {
    Report(why);
    archive_write_finish_entry(disk_);
    ::unlink(rel.c_str());
  }
  bool DiskFull() const { return archive_errno(disk_) == ENOSPC || archive_errno(disk_) == EDQUOT; }
  std::string DiskMessage() const { return archive_error_string(disk_) ? archive_error_string(disk_) : ""; }
  Outcome WriteProblem(const std::string& path) const {
    if (DiskFull()) return {kErrorFile, Reason::DiskFull, path, {}};
    return {kErrorFile, Reason::WriteFailed, path, {DiskMessage()}};
  }

  const Job& job_;
  Output& out_;
  Passwords& passwords_;
  struct archive* disk_ = archive_write_disk_new();
  const bool junk_ = job_.flags.find('j') != std::string::npos;
  mode_t mask_ = 022;
  uint32_t status_ = kOk;
};

uint32_t Extract(const Job& request, Output& out, Passwords& passwords) {
  Job job = request;
  // The archive is opened after moving into the destination folder.
  if (!job.archive.empty() && job.archive[0] != '/') {
    char cwd[4096];
    if (::getcwd(cwd, sizeof cwd)) job.archive = std::string(cwd) + "/" + job.archive;
  }
  if (const Outcome entered = EnterDestination(job); entered.Failed()) {
    out.Problem(entered);
    return entered.status;
  }
  DiskWriter writer(job, out, passwords);
  Outcome error;
  const Walk w = ForEachHeader(
      job, &error, [&](struct archive_entry* e, const std::string& path, const DataSource& data) {
        return writer.Member(e, path, data);
      }, {}, &passwords);
  if (w == Walk::Failed) {
    error.status = kErrorCorrupt;
    out.Problem(error);
    return kErrorCorrupt;
  }
  return writer.Status();
}

uint32_t ToMemory(const Job& job, Output& out, Passwords& passwords) {
  if (job.names.empty()) return kErrorCommand;
  const uint64_t limit = std::strtoull(job.dest.c_str(), nullptr, 10);
  bool found = false;
  Outcome failed;
  Outcome error;
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
      failed = DataProblem(job, e, msg, &passwords, false);
      failed.member = path;
      out.Problem(failed);
    }
    return false;
  }, {}, &passwords);
  if (failed.Failed()) return failed.status;
  if (w == Walk::Failed) {
    error.status = kErrorCorrupt;
    out.Problem(error);
    return kErrorCorrupt;
  }
  if (!found) {
    out.Problem({kErrorNoMember, Reason::NotInArchive, job.names.front(), {}});
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
