#include "cabread.h"
#include "protocol.h"

#include "text.h"

#include <archive_entry.h>
#include <dirent.h>
#include <fcntl.h>
#include <mspack.h>
#include <strings.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <algorithm>
#include <deque>
#include <vector>

namespace arc {
namespace {

// The name the decoder writes a member to: our sink, never a file.
constexpr char kSinkName[] = "\x01member";

// A cabinet read through a buffer: libmspack reads each file entry in a few
// small reads, which would otherwise be a system call each.
struct File {
  int fd = -1;  // -1 for the sink
  std::vector<char> buf;
  size_t at = 0, have = 0;
  off_t bufStart = 0;  // file offset of buf[0]
};

// libmspack reads through this and writes into the current member's sink.
struct System : mspack_system {
  const Sink* sink = nullptr;
  int64_t written = 0;
  bool stopped = false;
  File sinkFile;
};

mspack_file* Open(mspack_system* self, const char* name, int mode) {
  auto* sys = static_cast<System*>(self);
  if (mode == MSPACK_SYS_OPEN_WRITE && std::strcmp(name, kSinkName) == 0) {
    sys->written = 0;
    return reinterpret_cast<mspack_file*>(&sys->sinkFile);
  }
  if (mode != MSPACK_SYS_OPEN_READ) return nullptr;
  const int fd = ::open(name, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  auto* f = new File;
  f->fd = fd;
  f->buf.resize(1 << 16);
  return reinterpret_cast<mspack_file*>(f);
}

void Close(mspack_file* file) {
  auto* f = reinterpret_cast<File*>(file);
  if (f->fd < 0) return;
  ::close(f->fd);
  delete f;
}

int Read(mspack_file* file, void* buffer, int bytes) {
  auto* f = reinterpret_cast<File*>(file);
  if (f->fd < 0 || bytes < 0) return -1;
  int done = 0;
  while (done < bytes) {
    if (f->at == f->have) {
      f->bufStart += static_cast<off_t>(f->have);
      f->at = f->have = 0;
      ssize_t n;
      do n = ::pread(f->fd, f->buf.data(), f->buf.size(), f->bufStart);
      while (n < 0 && errno == EINTR);
      if (n < 0) return done ? done : -1;
      if (n == 0) break;
      f->have = static_cast<size_t>(n);
    }
    const size_t n = std::min(static_cast<size_t>(bytes - done), f->have - f->at);
    std::memcpy(static_cast<char*>(buffer) + done, f->buf.data() + f->at, n);
    f->at += n;
    done += static_cast<int>(n);
  }
  return done;
}

System* g_system = nullptr;  // the walk in progress; libmspack passes no context to write

int Write(mspack_file* file, void* buffer, int bytes) {
  auto* f = reinterpret_cast<File*>(file);
  System* sys = g_system;
  if (f->fd >= 0 || !sys || !sys->sink || bytes < 0) return -1;
  if (!sys->sink->put(buffer, static_cast<size_t>(bytes), sys->written)) {
    sys->stopped = true;
    return -1;
  }
  sys->written += bytes;
  return bytes;
}

off_t Tell(mspack_file* file) {
  auto* f = reinterpret_cast<File*>(file);
  return f->fd >= 0 ? f->bufStart + static_cast<off_t>(f->at) : -1;
}

// Seeks within the buffer where it can, else drops it.
int Seek(mspack_file* file, off_t offset, int mode) {
  auto* f = reinterpret_cast<File*>(file);
  if (f->fd < 0) return -1;
  off_t to = offset;
  if (mode == MSPACK_SYS_SEEK_CUR) {
    to += Tell(file);
  } else if (mode == MSPACK_SYS_SEEK_END) {
    const off_t end = ::lseek(f->fd, 0, SEEK_END);
    if (end < 0) return -1;
    to += end;
  }
  if (to < 0) return -1;
  if (to >= f->bufStart && to <= f->bufStart + static_cast<off_t>(f->have)) {
    f->at = static_cast<size_t>(to - f->bufStart);
  } else {
    f->bufStart = to;
    f->at = f->have = 0;
  }
  return 0;
}

void Message(mspack_file*, const char*, ...) {}
void* Alloc(mspack_system*, size_t bytes) { return std::malloc(bytes); }
void Free(void* p) { std::free(p); }
void Copy(void* src, void* dest, size_t bytes) { std::memmove(dest, src, bytes); }

std::string Folder(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

// A part named by a cabinet, beside it; the case of the name may differ
// (the names were written on a system that ignores it).
std::string FindPart(const std::string& folder, const std::string& name) {
  if (name.empty() || name.find('/') != std::string::npos || name == "." || name == "..") return std::string();
  const std::string exact = folder + "/" + name;
  if (::access(exact.c_str(), R_OK) == 0) return exact;
  DIR* d = ::opendir(folder.c_str());
  if (!d) return std::string();
  std::string found;
  while (dirent* e = ::readdir(d))
    if (::strcasecmp(e->d_name, name.c_str()) == 0) {
      found = folder + "/" + e->d_name;
      break;
    }
  ::closedir(d);
  return found;
}

std::string ErrorText(int code) {
  switch (code) {
    case MSPACK_ERR_OPEN: return "cannot open";
    case MSPACK_ERR_READ: return "truncated or unreadable CAB data";
    case MSPACK_ERR_WRITE: return "write stopped";
    case MSPACK_ERR_SEEK: return "seek failed";
    case MSPACK_ERR_NOMEMORY: return "out of memory";
    case MSPACK_ERR_SIGNATURE: return "not a cabinet";
    case MSPACK_ERR_DATAFORMAT: return "bad CAB data";
    case MSPACK_ERR_CHECKSUM: return "CAB checksum error";
    case MSPACK_ERR_DECRUNCH: return "CAB data cannot be decompressed";
    default: return "CAB error " + std::to_string(code);
  }
}

// A member name: UTF-8 when the cabinet says so, else Shift-JIS or bytes
// kept as %XX; "\\" separates (decoded first: it can be a Shift-JIS byte).
std::string MemberName(const mscabd_file* f) {
  std::string s = f->filename ? f->filename : "";
  if (!(f->attribs & MSCAB_ATTRIB_UTF_NAME) && !IsValidUtf8(s))
    if (const std::string sjis = Cp932ToUtf8(s); !sjis.empty()) s = sjis;
  for (char& c : s)
    if (c == '\\') c = '/';
  return PrintableName(s);
}

// One decompressor with the cabinets it opened; closing the first closes the set.
class Cabinets {
 public:
  Cabinets() {
    sys_.open = Open;
    sys_.close = Close;
    sys_.read = Read;
    sys_.write = Write;
    sys_.seek = Seek;
    sys_.tell = Tell;
    sys_.message = Message;
    sys_.alloc = Alloc;
    sys_.free = Free;
    sys_.copy = Copy;
    sys_.null_ptr = nullptr;
    cabd_ = mspack_create_cab_decompressor(&sys_);
    // A damaged block fails its member rather than being patched over.
    if (cabd_) cabd_->set_param(cabd_, MSCABD_PARAM_FIXMSZIP, 0);
  }
  ~Cabinets() {
    for (mscabd_cabinet* c : opened_) cabd_->close(cabd_, c);
    if (cabd_) mspack_destroy_cab_decompressor(cabd_);
  }
  Cabinets(const Cabinets&) = delete;
  Cabinets& operator=(const Cabinets&) = delete;

  // The cabinet in the file: at its start, or the first found inside it.
  mscabd_cabinet* OpenFile(const std::string& path) {
    if (!cabd_) return nullptr;
    names_.push_back(path);  // libmspack keeps the pointer
    mscabd_cabinet* c = cabd_->open(cabd_, names_.back().c_str());
    if (!c && StartsLikeAProgram(path)) c = cabd_->search(cabd_, names_.back().c_str());
    if (c) opened_.push_back(c);
    return c;
  }

  // Joins the parts before and after cab; false (error says which part)
  // when one is missing or does not belong.
  bool JoinSet(mscabd_cabinet* cab, const std::string& path, Outcome* error) {
    const std::string folder = Folder(path);
    for (mscabd_cabinet* c = cab; c->flags & MSCAB_HDR_PREVCAB; c = c->prevcab) {
      mscabd_cabinet* part = Part(folder, c->prevname);
      if (!part || cabd_->prepend(cabd_, c, part) != MSPACK_ERR_OK) return Missing(c->prevname, part, error);
    }
    for (mscabd_cabinet* c = cab; c->flags & MSCAB_HDR_NEXTCAB; c = c->nextcab) {
      mscabd_cabinet* part = Part(folder, c->nextname);
      if (!part || cabd_->append(cabd_, c, part) != MSPACK_ERR_OK) return Missing(c->nextname, part, error);
    }
    return true;
  }

  int Extract(mscabd_file* f, const Sink& sink, std::string* message) {
    System* before = g_system;
    g_system = &sys_;
    sys_.sink = &sink;
    sys_.stopped = false;
    const int err = cabd_->extract(cabd_, f, kSinkName);
    sys_.sink = nullptr;
    g_system = before;
    if (sys_.stopped) return 1;
    if (err != MSPACK_ERR_OK) {
      *message = ErrorText(err);
      return -1;
    }
    return 0;
  }

 private:
  static bool StartsLikeAProgram(const std::string& path) {
    char head[2] = {};
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    const bool mz = fd >= 0 && ::read(fd, head, 2) == 2 && head[0] == 'M' && head[1] == 'Z';
    if (fd >= 0) ::close(fd);
    return mz;
  }
  mscabd_cabinet* Part(const std::string& folder, const char* name) {
    const std::string file = FindPart(folder, name ? name : "");
    if (file.empty()) return nullptr;
    names_.push_back(file);
    mscabd_cabinet* c = cabd_->open(cabd_, names_.back().c_str());
    if (c) parts_.push_back(c);
    return c;
  }
  static bool Missing(const char* name, mscabd_cabinet* found, Outcome* error) {
    *error = {kErrorCorrupt, found ? Reason::PartsMismatch : Reason::MissingPart, {}, {PrintableName(name ? name : "")}};
    return false;
  }

  System sys_{};
  mscab_decompressor* cabd_ = nullptr;
  std::deque<std::string> names_;
  std::vector<mscabd_cabinet*> opened_;
  std::vector<mscabd_cabinet*> parts_;
};

}  // namespace

// Folders libarchive 3.6 does not decode (Quantum) or not always (LZX).
static bool ForMspack(int compType) {
  const int method = MSCABD_COMP_METHOD(compType);
  return method == MSCAB_COMP_QUANTUM || method == MSCAB_COMP_LZX;
}

bool CabNeedsMspack(const std::string& path) {
  // A cabinet at the start of the file: its header and folder table say it
  // all, without reading the file table (libmspack would read all of it).
  std::vector<unsigned char> head(1 << 16);
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const ssize_t got = ::pread(fd, head.data(), head.size(), 0);
  ::close(fd);
  const size_t n = got > 0 ? static_cast<size_t>(got) : 0;
  auto u16 = [&](size_t at) { return at + 2 <= n ? head[at] | (head[at + 1] << 8) : -1; };
  if (n >= 36 && std::memcmp(head.data(), "MSCF", 4) == 0) {
    const int folders = u16(26), flags = u16(30);
    if (flags & (MSCAB_HDR_PREVCAB | MSCAB_HDR_NEXTCAB)) return true;
    size_t at = 36, folderReserve = 0;
    if (flags & MSCAB_HDR_RESV) {
      if (n < 40) return false;
      folderReserve = head[38];
      at = 40 + static_cast<size_t>(u16(36));
    }
    for (int i = 0; i < folders; ++i, at += 8 + folderReserve) {
      const int type = u16(at + 6);
      if (type < 0) return false;
      if (ForMspack(type)) return true;
    }
    return false;
  }
  // Inside a self-extracting program: libmspack finds it.
  Cabinets cabs;
  const mscabd_cabinet* cab = cabs.OpenFile(path);
  if (!cab) return false;
  if (cab->flags & (MSCAB_HDR_PREVCAB | MSCAB_HDR_NEXTCAB)) return true;
  for (const mscabd_folder* f = cab->folders; f; f = f->next)
    if (ForMspack(f->comp_type)) return true;
  return false;
}

CabWalk MspackWalk(const std::string& path, Outcome* error, const Visit& visit) {
  Cabinets cabs;
  mscabd_cabinet* cab = cabs.OpenFile(path);
  if (!cab) {
    *error = {kErrorCorrupt, Reason::CabUnreadable, {}, {}};
    return CabWalk::NotCabinet;
  }
  if (!cabs.JoinSet(cab, path, error)) return CabWalk::Failed;
  while (cab->prevcab) cab = cab->prevcab;
  for (mscabd_file* f = cab->files; f; f = f->next) {
    const std::string name = MemberName(f);
    struct archive_entry* e = archive_entry_new();
    archive_entry_copy_pathname(e, name.c_str());
    archive_entry_set_filetype(e, AE_IFREG);
    archive_entry_set_size(e, f->length);
    archive_entry_set_perm(e, f->attribs & MSCAB_ATTRIB_RDONLY ? 0444 : 0666);
    // Cabinets keep local time, as DOS did.
    std::tm t{};
    t.tm_year = f->date_y - 1900;
    t.tm_mon = f->date_m - 1;
    t.tm_mday = f->date_d;
    t.tm_hour = f->time_h;
    t.tm_min = f->time_m;
    t.tm_sec = f->time_s;
    t.tm_isdst = -1;
    if (f->date_m >= 1 && f->date_d >= 1) archive_entry_set_mtime(e, std::mktime(&t), 0);
    const DataSource data = [&](const Sink& sink, std::string* message) { return cabs.Extract(f, sink, message); };
    const bool go = visit(e, name, data);
    archive_entry_free(e);
    if (!go) break;
  }
  return CabWalk::Done;
}

}  // namespace arc
