#include "module.h"

#include "client.h"
#include "outcome.h"
#include "records.h"
#include "space.h"
#include "text.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <list>
#include <memory>
#include <mutex>

namespace arc {
namespace {

// The program calls from one thread, but a progress reply may run program
// code that calls a module again: the lock must let the same thread in.
std::recursive_mutex g_lock;

// A token keeps the escapes that make "*", "?" and "<" characters of a name
// (see UnescapeToPattern); raw is the text as written, for the "@" test.
struct Token {
  std::string text;
  bool quoted;
  std::string raw;
};

std::vector<Token> Tokenize(const std::string& line) {
  std::vector<Token> out;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i >= line.size()) break;
    Token t{std::string(), false, std::string()};
    while (i < line.size() && line[i] != ' ' && line[i] != '\t') {
      if (line[i] == '"') {
        t.quoted = true;
        const size_t end = line.find('"', i + 1);
        t.text += line.substr(i + 1, (end == std::string::npos ? line.size() : end) - i - 1);
        i = end == std::string::npos ? line.size() : end + 1;
      } else {
        t.text += line[i++];
      }
    }
    t.raw = t.text;
    t.text = UnescapeToPattern(t.text);
    out.push_back(t);
  }
  return out;
}

// Names from an "@file": one a line, CR LF or LF, quotes removed.
bool ReadResponseFile(const std::string& path, std::vector<std::string>& names) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() >= 2 && line.front() == '"' && line.back() == '"') line = line.substr(1, line.size() - 2);
    if (!line.empty()) names.push_back(UnescapeToPattern(line));
  }
  return true;
}

bool IsWord(Syntax syntax, const std::string& t) {
  static const char* const lha[] = {"x", "e", "l", "v", "u", "a", "c", "d", "f", "m", "s", "t", "p"};
  static const char* const tar[] = {"x", "c", "t", "l", "a"};
  switch (syntax) {
    case Syntax::Lha: return std::find_if(std::begin(lha), std::end(lha), [&](auto w) { return t == w; }) != std::end(lha);
    case Syntax::Tar: return std::find_if(std::begin(tar), std::end(tar), [&](auto w) { return t == w; }) != std::end(tar);
    case Syntax::UnZip:
    case Syntax::Rar: return t == "-x" || t == "-e";
    case Syntax::Cab: return t == "-x" || t == "-a" || t == "-f";
    case Syntax::Zip: return t == "-d" || t == "-f" || t == "-A";
  }
  return false;
}

bool IsFolder(const std::string& t) { return !t.empty() && (t.back() == '/' || t.back() == '\\'); }

// Undoes the ZIP name escapes: a leading "[-]" and "[[]" for "[".
std::string UnescapeZipName(const std::string& name) {
  std::string s = name.rfind("[-]", 0) == 0 ? "-" + name.substr(3) : name;
  for (size_t at; (at = s.find("[[]")) != std::string::npos;) s.replace(at, 3, "[");
  return s;
}

}  // namespace

Command ParseCommand(Syntax syntax, const std::string& line) {
  Command c;
  std::vector<Token> tokens = Tokenize(line);
  size_t i = 0;
  if (i < tokens.size() && !tokens[i].quoted && IsWord(syntax, tokens[i].text)) c.word = tokens[i++].text;
  if (syntax == Syntax::Zip && c.word == "-A") {
    c.error = Describe({kErrorCommand, Reason::SfxUnsupported, {}, {}});
    return c;
  }
  std::vector<std::string> rest;
  for (; i < tokens.size(); ++i) {
    const std::string& t = tokens[i].text;
    if (syntax == Syntax::Tar && (t == "-f" || t == "-o") && i + 1 < tokens.size()) {
      (t == "-f" ? c.archive : c.folder) = UnescapeCommandText(tokens[++i].text);
      continue;
    }
    // Switches come before the archive; after it everything is a name.
    if (c.archive.empty() && rest.empty() && !t.empty() && t[0] == '-' && t.size() > 1) {
      c.switches.push_back(t);
      continue;
    }
    // A response file is a quoted "@" as written: a name that starts with
    // "@" comes as "<40>".
    if (!tokens[i].raw.empty() && tokens[i].raw[0] == '@' && tokens[i].quoted) {
      const std::string file = UnescapeCommandText(t.substr(1));
      if (!ReadResponseFile(file, c.names)) c.error = Describe({kErrorCommand, Reason::ResponseFileUnreadable, {}, {file}});
      continue;
    }
    if (t.empty()) continue;
    rest.push_back(t);
  }
  size_t r = 0;
  if (c.archive.empty() && r < rest.size()) c.archive = rest[r++];
  if (c.folder.empty() && r < rest.size() && IsFolder(rest[r])) c.folder = rest[r++];
  for (; r < rest.size(); ++r) c.names.push_back(rest[r]);
  // Paths of the archive, the folder and the switches are plain text.
  c.archive = UnescapeCommandText(c.archive);
  c.folder = UnescapeCommandText(c.folder);
  for (std::string& sw : c.switches) sw = UnescapeCommandText(sw);
  // Files to pack are files on disk, not patterns.
  if (syntax == Syntax::Zip || (syntax == Syntax::Tar && (c.word == "c" || c.word == "a")))
    for (std::string& n : c.names) n = UnescapeCommandText(n);
  if (syntax == Syntax::UnZip || syntax == Syntax::Zip)
    for (std::string& n : c.names) n = UnescapeZipName(n);
  for (std::string& n : c.names) std::replace(n.begin(), n.end(), '\\', '/');
  if (c.archive.empty() && c.error.empty()) c.error = Describe({kErrorCommand, Reason::NoArchiveGiven, {}, {}});
  return c;
}

namespace {

bool HasSwitch(const Command& c, const char* s) {
  return std::find(c.switches.begin(), c.switches.end(), s) != c.switches.end();
}

struct Member {
  MemberRecord r;
  std::string path;
  uint16_t dosDate = 0, dosTime = 0;  // local time, worked out once per listing
};

// DOS date and time in local time; 1980-01-01 for anything earlier or unknown.
void SetDosTime(Member& m) {
  static int64_t lastSeconds = -1;
  static uint16_t lastDate, lastTime;
  if (m.r.mtime == lastSeconds) {
    m.dosDate = lastDate;
    m.dosTime = lastTime;
    return;
  }
  const time_t t = static_cast<time_t>(m.r.mtime);
  struct tm local {};
  if (m.r.mtime && ::localtime_r(&t, &local) && local.tm_year >= 80 && local.tm_year < 80 + 128) {
    m.dosDate = static_cast<uint16_t>(((local.tm_year - 80) << 9) | ((local.tm_mon + 1) << 5) | local.tm_mday);
    m.dosTime = static_cast<uint16_t>((local.tm_hour << 11) | (local.tm_min << 5) | (local.tm_sec / 2));
  } else {
    m.dosDate = (1 << 5) | 1;
    m.dosTime = 0;
  }
  lastSeconds = m.r.mtime;
  lastDate = m.dosDate;
  lastTime = m.dosTime;
}

struct Directory {
  std::vector<Member> members;
};

struct CacheEntry {
  std::string format, path;
  dev_t dev;
  ino_t ino;
  off_t size;
  struct timespec mtime;
  std::shared_ptr<const Directory> dir;
};

std::list<CacheEntry> g_cache;  // most recent first
constexpr size_t kCacheSize = 8;

// The members of an archive listed earlier, while the file stays the same.
std::shared_ptr<const Directory> CachedMembers(const char* format, const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return nullptr;
  for (auto it = g_cache.begin(); it != g_cache.end(); ++it) {
    if (it->format == format && it->path == path && it->dev == st.st_dev && it->ino == st.st_ino &&
        it->size == st.st_size && it->mtime.tv_sec == st.st_mtim.tv_sec && it->mtime.tv_nsec == st.st_mtim.tv_nsec) {
      g_cache.splice(g_cache.begin(), g_cache, it);
      return g_cache.front().dir;
    }
  }
  return nullptr;
}

// The members of an archive, listed once while the file stays the same.
std::shared_ptr<const Directory> Members(const char* format, const std::string& path) {
  if (auto dir = CachedMembers(format, path)) return dir;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return nullptr;
  auto dir = std::make_shared<Directory>();
  const WorkerRun run = RunWorker({format, "l", path}, {}, [&](Rec type, const std::string& p) {
    if (type == Rec::Restart) dir->members.clear();
    if (Member m; type == Rec::Member && Decode(p, &m.r, &m.path)) {
      SetDosTime(m);
      dir->members.push_back(std::move(m));
    }
    return true;
  });
  if (run.status != kOk) return nullptr;
  g_cache.push_front({format, path, st.st_dev, st.st_ino, st.st_size, st.st_mtim, dir});
  if (g_cache.size() > kCacheSize) g_cache.pop_back();
  return dir;
}

struct Handle {
  std::shared_ptr<const Directory> dir;
  Wildcard wildcard;
  size_t next = 0;
  const Member* current = nullptr;
};

void FillRecord(const Member& m, void* record) {
  auto* info = static_cast<CaMemberInfo*>(record);
  std::memset(info, 0, sizeof *info);
  info->original_size = static_cast<uint32_t>(std::min<uint64_t>(m.r.size, UINT32_MAX));
  info->compressed_size = static_cast<uint32_t>(std::min<uint64_t>(m.r.compressed, UINT32_MAX));
  info->dos_date = m.dosDate;
  info->dos_time = m.dosTime;
  if (m.r.flags & kEncrypted) info->module_b[0] |= CA_MEMBER_ENCRYPTED;
  if (S_ISREG(m.r.mode) && (m.r.mode & 0111)) info->module_b[0] |= CA_MEMBER_EXECUTABLE;
  if (m.r.flags & kElf) info->module_b[0] |= CA_MEMBER_ELF;
  if (m.r.flags & kScript) info->module_b[0] |= CA_MEMBER_SCRIPT;
  // Cut an over-long path at a character boundary.
  size_t n = std::min<size_t>(m.path.size(), CA_PATH_SIZE - 1);
  while (n > 0 && n < m.path.size() && (static_cast<unsigned char>(m.path[n]) & 0xC0) == 0x80) --n;
  std::memcpy(info->path, m.path.data(), n);
}

int Advance(Handle* h, void* record) {
  while (h->next < h->dir->members.size()) {
    const Member& m = h->dir->members[h->next++];
    // Folders are implied by the paths of their files.
    if (m.r.flags & kDirectory) continue;
    if (!h->wildcard.Matches(m.path)) continue;
    h->current = &m;
    FillRecord(m, record);
    return 0;
  }
  h->current = nullptr;
  return -1;
}

uint64_t FileTime(int64_t seconds, uint32_t ns) {
  return static_cast<uint64_t>(seconds + 11644473600LL) * 10000000ull + ns / 100;
}

// Copies the messages into the caller's buffer, always NUL-terminated.
void WriteOutput(const std::vector<std::string>& messages, char* out, uint32_t size) {
  if (!out || size == 0) return;
  std::string text;
  for (const std::string& m : messages) text += m + "\n";
  const size_t n = std::min<size_t>(text.size(), size - 1);
  std::memcpy(out, text.data(), n);
  out[n] = '\0';
}

CaWindow* Window(void* wnd) {
  auto* w = static_cast<CaWindow*>(wnd);
  return w && w->magic == CA_WINDOW_MAGIC && w->send ? w : nullptr;
}

void CopyText(char* to, const std::string& s) {
  const size_t n = std::min<size_t>(s.size(), CA_PATH_SIZE - 1);
  std::memcpy(to, s.data(), n);
  to[n] = '\0';
}

// Password requests go to the owner window as "wm_arcextract" messages;
// without a window nothing is asked and encrypted members fail.
PasswordHandler AskOwner(CaWindow* w, const std::string& archive) {
  if (!w) return {};
  return [w, archive](uint32_t attempt, const std::string& member) -> std::optional<std::string> {
    CaPasswordRequest request{};
    request.struct_size = sizeof request;
    request.attempt = attempt;
    CopyText(request.archive_path, archive);
    CopyText(request.member_path, member);
    const intptr_t reply = w->send(w, CaRegisterWindowMessage(CA_PROGRESS_MESSAGE_NAME), CA_STATE_PASSWORD,
                                   reinterpret_cast<intptr_t>(&request));
    std::optional<std::string> answer;
    if (reply == CA_PASSWORD_GIVEN) answer.emplace(request.password, ::strnlen(request.password, sizeof request.password));
    ::explicit_bzero(&request, sizeof request);
    return answer;
  };
}

}  // namespace

void* Module::OpenArchive(void*, const char* path, uint32_t) {
  std::lock_guard<std::recursive_mutex> lock(g_lock);
  if (!path) return nullptr;
  auto dir = Members(format_, path);
  if (!dir) return nullptr;
  auto* h = new Handle;
  h->dir = std::move(dir);
  return h;
}

int Module::CloseArchive(void* arc) {
  delete static_cast<Handle*>(arc);
  return 0;
}

// A handle belongs to its caller and its directory never changes, so the
// calls made per member take no lock.
int Module::FindFirst(void* arc, const char* wildcard, void* record) {
  auto* h = static_cast<Handle*>(arc);
  if (!h || !record) return -1;
  h->wildcard = Wildcard(wildcard && *wildcard ? wildcard : "*");
  h->next = 0;
  return Advance(h, record);
}

int Module::FindNext(void* arc, void* record) {
  auto* h = static_cast<Handle*>(arc);
  return h && record ? Advance(h, record) : -1;
}

int Module::CheckArchive(const char* path, int) {
  std::lock_guard<std::recursive_mutex> lock(g_lock);
  return path && Members(format_, path) ? 1 : 0;
}

int Module::GetArchiveType(const char* path) { return CheckArchive(path, 0) ? 1 : 0; }

namespace {

template <typename F>
int Current(void* arc, uint64_t* out, F value) {
  auto* h = static_cast<Handle*>(arc);
  if (!h || !h->current || !out) return 0;
  return value(*h->current, out) ? 1 : 0;
}

}  // namespace

int Module::GetWriteTimeEx(void* arc, uint64_t* t) {
  return Current(arc, t, [](const Member& m, uint64_t* o) {
    *o = FileTime(m.r.mtime, m.r.mtime_ns);
    return m.r.mtime != 0;
  });
}

int Module::GetCreateTimeEx(void* arc, uint64_t* t) {
  return Current(arc, t, [](const Member& m, uint64_t* o) {
    *o = FileTime(m.r.ctime, 0);
    return m.r.ctime != 0;
  });
}

int Module::GetAccessTimeEx(void* arc, uint64_t* t) {
  return Current(arc, t, [](const Member& m, uint64_t* o) {
    *o = FileTime(m.r.atime, 0);
    return m.r.atime != 0;
  });
}

int Module::GetOriginalSizeEx(void* arc, uint64_t* n) {
  return Current(arc, n, [](const Member& m, uint64_t* o) {
    *o = m.r.size;
    return true;
  });
}

int Module::GetCompressedSizeEx(void* arc, uint64_t* n) {
  return Current(arc, n, [](const Member& m, uint64_t* o) {
    *o = m.r.compressed;
    return true;
  });
}

int Module::SetOwnerWindowEx(void* wnd, void*) {
  std::lock_guard<std::recursive_mutex> lock(g_lock);
  if (!Window(wnd)) return 0;
  owner_ = wnd;
  return 1;
}

int Module::KillOwnerWindowEx(void* wnd) {
  std::lock_guard<std::recursive_mutex> lock(g_lock);
  if (wnd != owner_) return 0;
  owner_ = nullptr;
  return 1;
}

// Refuses an extraction whose members would not fit: the sizes the archive
// states, plus a margin so that the disk is never filled to the last byte.
bool Module::RoomFor(const Command& c, const std::string& folder, bool* workerChecks, std::vector<std::string>& messages) {
  *workerChecks = false;
  auto dir = CachedMembers(format_, c.archive);
  // An LHA archive not listed yet: its worker adds the sizes up from the
  // headers, cheaper than listing it in a worker of its own first.
  if (!dir && std::string(format_) == "lha") {
    *workerChecks = true;
    return true;
  }
  if (!dir) dir = Members(format_, c.archive);
  if (!dir) return true;  // the worker will say what is wrong with the archive
  uint64_t needed = 0;
  for (const Member& m : dir->members)
    if (!(m.r.flags & kDirectory) && NameWanted(c.names, m.path)) needed += m.r.size;
  const Outcome room = SpaceShortfall(folder, needed);
  if (!room.Failed()) return true;
  messages.push_back(Describe(room));
  return false;
}

uint32_t Module::Extract(const Command& c, bool junk, std::vector<std::string>& messages) {
  // Never the working folder of whoever loaded us.
  if (c.folder.empty() || c.folder[0] != '/') {
    messages.push_back(Describe({kErrorCommand, Reason::FolderNotAbsolute, {}, {}}));
    return kErrorCommand;
  }
  bool workerChecks = false;
  if (!RoomFor(c, c.folder, &workerChecks, messages)) return kErrorFile;
  CaWindow* w = Window(owner_);
  const uint32_t msg = CaRegisterWindowMessage(CA_PROGRESS_MESSAGE_NAME);
  CaExtractingInfo info{};
  info.struct_size = sizeof info;
  CopyText(info.archive_path, c.archive);
  auto send = [&](int state) { return w && w->send(w, msg, static_cast<uintptr_t>(state), reinterpret_cast<intptr_t>(&info)) != 0; };
  std::string current;  // output of the member being written
  bool complete = true;
  bool cancelled = send(CA_STATE_BEGIN);
  const std::string& folder = c.folder;
  WorkerRun run;
  if (!cancelled) {
    run = RunWorker({format_, "x", c.archive, folder, std::string(junk ? "j" : "") + (workerChecks ? "s" : "")}, c.names, [&](Rec type, const std::string& p) {
      BeginRecord begin;
      uint64_t written = 0;
      if (type == Rec::Begin && Decode(p, &begin)) {
        info.member_size = begin.size;
        CopyText(info.member_path, begin.path);
        current = begin.output;
        CopyText(info.output_path, current);
        info.written = 0;
        complete = info.member_size == 0;
      } else if (type == Rec::Written && DecodeU64(p, &written)) {
        info.written = written;
        complete = info.written >= info.member_size;
      } else {
        return true;
      }
      return !send(CA_STATE_INPROCESS);
    }, AskOwner(w, c.archive));
    cancelled = run.stopped;
  }
  messages = run.problems;
  if (cancelled) {
    // The worker is gone; what it left half-written goes too.
    if (!complete && !current.empty()) ::unlink(current.c_str());
    messages.push_back(Describe({kErrorCancel, Reason::Cancelled, {}, {}}));
    return kErrorCancel;
  }
  send(CA_STATE_END);
  return run.status;
}

uint32_t Module::Create(const Command& c, std::vector<std::string>& messages) {
  std::string flags;
  for (const std::string& s : c.switches) {
    if (s == "-r" || s == "-j" || s == "-D") flags += s[1];
    else if (s.size() == 2 && s[1] >= '0' && s[1] <= '9') flags += s[1];
    else if (s.rfind("-z", 0) == 0) flags += 'z';
    else if (s.rfind("-B", 0) == 0) flags += 'B';
  }
  // TAR chooses its compression by the switches or, failing them, the name.
  if (syntax_ == Syntax::Tar && flags.find_first_of("zB") == std::string::npos) {
    const std::string& a = c.archive;
    auto ends = [&a](const char* e) { return a.size() >= std::strlen(e) && a.compare(a.size() - std::strlen(e), std::string::npos, e) == 0; };
    if (ends(".tgz") || ends(".tar.gz") || ends(".taz")) flags += 'z';
    if (ends(".tbz") || ends(".tar.bz2") || ends(".bz2")) flags += 'B';
  }
  const WorkerRun run = RunWorker({syntax_ == Syntax::Tar ? "tar" : "zip", "c", c.archive, c.folder, flags}, c.names,
                                  nullptr);
  messages = run.problems;
  if (run.status == kOk) g_cache.remove_if([&](const CacheEntry& e) { return e.path == c.archive; });
  return run.status;
}

int Module::Run(void*, const char* cmd, char* out, uint32_t size) {
  std::lock_guard<std::recursive_mutex> lock(g_lock);
  std::vector<std::string> messages;
  const Command c = ParseCommand(syntax_, cmd ? cmd : "");
  uint32_t status = kOk;
  if (!c.error.empty()) {
    messages.push_back(c.error);
    status = kErrorCommand;
  } else {
    const std::string& w = c.word;
    const bool create = (syntax_ == Syntax::Zip && w.empty()) || (syntax_ == Syntax::Tar && w == "c") ||
                        (syntax_ == Syntax::Lha && (w == "u" || w == "a" || w == "m" || w == "c")) ||
                        (syntax_ == Syntax::Cab && (w == "-a" || w == "-f"));
    const bool extract = (syntax_ == Syntax::Lha && (w == "x" || w == "e")) ||
                         (syntax_ == Syntax::Tar && w == "x") || ((syntax_ == Syntax::UnZip || syntax_ == Syntax::Cab || syntax_ == Syntax::Rar) && (w == "-x" || w == "-e"));
    if (extract) {
      const bool junk = (syntax_ == Syntax::Lha && (w == "e" || HasSwitch(c, "-x0"))) ||
                        ((syntax_ == Syntax::UnZip || syntax_ == Syntax::Cab) && HasSwitch(c, "-j")) ||
                        (syntax_ == Syntax::Tar && HasSwitch(c, "--use-directory=0")) ||
                        (syntax_ == Syntax::Rar && w == "-e");
      status = Extract(c, junk, messages);
    } else if (create && (syntax_ == Syntax::Zip || syntax_ == Syntax::Tar)) {
      status = Create(c, messages);
    } else if (create) {
      messages.push_back(Describe({kErrorNoCreate, Reason::CreateUnsupported, {}, {}}));
      status = kErrorNoCreate;
    } else {
      messages.push_back(Describe({kErrorCommand, w.empty() ? Reason::NoCommand : Reason::CommandUnsupported, {}, {w}}));
      status = kErrorCommand;
    }
  }
  WriteOutput(messages, out, size);
  return static_cast<int>(status);
}

int Module::ExtractMem(void* wnd, const char* cmd, unsigned char* buf, uint32_t size, void*, uint16_t*,
                       uint32_t* written) {
  std::lock_guard<std::recursive_mutex> lock(g_lock);
  if (written) *written = 0;
  const Command c = ParseCommand(syntax_, cmd ? cmd : "");
  if (!c.error.empty() || c.names.empty() || !buf) return static_cast<int>(kErrorCommand);
  uint32_t got = 0;
  const WorkerRun run = RunWorker({format_, "m", c.archive, std::to_string(size)}, {c.names.front()},
                                  [&](Rec type, const std::string& p) {
                                    // A second decoder starts the member over.
                                    if (type == Rec::Restart) got = 0;
                                    if (type == Rec::Data) {
                                      const size_t n = std::min<size_t>(p.size(), size - got);
                                      std::memcpy(buf + got, p.data(), n);
                                      got += static_cast<uint32_t>(n);
                                    }
                                    return true;
                                  },
                                  AskOwner(Window(wnd) ? Window(wnd) : Window(owner_), c.archive));
  if (written) *written = got;
  return static_cast<int>(run.status);
}

}  // namespace arc
