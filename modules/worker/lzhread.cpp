#include "lzhread.h"
#include "protocol.h"

#include "text.h"

#include <archive_entry.h>
#include <lhasa.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace arc {
namespace {

// The decoders ask for a few bytes at a time: read the file in blocks.
struct Stream {
  int fd;
  std::vector<char> buf = std::vector<char>(1 << 16);
  size_t at = 0, have = 0;
};

// Fills the request whole unless the file ends: a short read means the end to the library.
int ReadCb(void* handle, void* out, size_t len) {
  auto* s = static_cast<Stream*>(handle);
  size_t done = 0;
  while (done < len) {
    if (s->at == s->have) {
      ssize_t n;
      do n = ::read(s->fd, s->buf.data(), s->buf.size());
      while (n < 0 && errno == EINTR);
      if (n < 0) return done ? static_cast<int>(done) : -1;
      if (n == 0) break;
      s->at = 0;
      s->have = static_cast<size_t>(n);
    }
    const size_t n = std::min(len - done, s->have - s->at);
    std::memcpy(static_cast<char*>(out) + done, s->buf.data() + s->at, n);
    s->at += n;
    done += n;
  }
  return static_cast<int>(done);
}

// Skipping compressed data is a seek, so walking headers reads only headers.
int SkipCb(void* handle, size_t bytes) {
  auto* s = static_cast<Stream*>(handle);
  const size_t buffered = s->have - s->at;
  if (bytes <= buffered) {
    s->at += bytes;
    return 1;
  }
  s->at = s->have = 0;
  return ::lseek(s->fd, static_cast<off_t>(bytes - buffered), SEEK_CUR) >= 0 ? 1 : 0;
}

const LHAInputStreamType kStreamType = {ReadCb, SkipCb, nullptr};

struct Reader {
  Stream stream;
  LHAInputStream* in = nullptr;
  LHAReader* reader = nullptr;
  Reader(int fd, int64_t start) : stream{fd} {
    ::lseek(fd, start, SEEK_SET);
    in = lha_input_stream_new(&kStreamType, &stream);
    if (in) reader = lha_reader_new(in);
    if (reader) lha_reader_set_dir_policy(reader, LHA_READER_DIR_PLAIN);
  }
  ~Reader() {
    if (reader) lha_reader_free(reader);
    if (in) lha_input_stream_free(in);
  }
};

// CRC-16 (polynomial 0xA001, reflected), eight bytes a step.
uint16_t Crc16(uint16_t crc, const uint8_t* p, size_t n) {
  static const auto t = [] {
    std::vector<std::array<uint16_t, 256>> tables(8);
    for (unsigned i = 0; i < 256; ++i) {
      uint16_t c = static_cast<uint16_t>(i);
      for (int k = 0; k < 8; ++k) c = (c & 1) ? static_cast<uint16_t>((c >> 1) ^ 0xA001) : static_cast<uint16_t>(c >> 1);
      tables[0][i] = c;
    }
    for (unsigned i = 0; i < 256; ++i)
      for (int k = 1; k < 8; ++k)
        tables[k][i] = static_cast<uint16_t>((tables[k - 1][i] >> 8) ^ tables[0][tables[k - 1][i] & 0xFF]);
    return tables;
  }();
  while (n >= 8) {
    crc = static_cast<uint16_t>(t[7][(p[0] ^ crc) & 0xFF] ^ t[6][(p[1] ^ (crc >> 8)) & 0xFF] ^ t[5][p[2]] ^ t[4][p[3]] ^
                                t[3][p[4]] ^ t[2][p[5]] ^ t[1][p[6]] ^ t[0][p[7]]);
    p += 8;
    n -= 8;
  }
  while (n--) crc = static_cast<uint16_t>(t[0][(crc ^ *p++) & 0xFF] ^ (crc >> 8));
  return crc;
}

bool IsSjisLead(uint8_t c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// Turns the stored separators into "/", leaving a Shift-JIS second byte alone.
std::string Separate(const std::string& raw, bool dosBackslash) {
  std::string out;
  for (size_t i = 0; i < raw.size(); ++i) {
    const uint8_t c = static_cast<uint8_t>(raw[i]);
    if (IsSjisLead(c) && i + 1 < raw.size()) {
      out += raw[i];
      out += raw[++i];
    } else if (c == 0xFF || (dosBackslash && c == '\\')) {
      out += '/';
    } else {
      out += raw[i];
    }
  }
  return out;
}

std::string Decode(const std::string& bytes) {
  if (IsValidUtf8(bytes)) return PrintableName(bytes);
  const std::string sjis = Cp932ToUtf8(bytes);
  return PrintableName(sjis.empty() ? bytes : sjis);
}

// UTF-16LE to UTF-8, with 0xFFFF and "\\" as separators; a lone surrogate becomes U+FFFD.
std::string Utf16Name(const std::string& bytes) {
  std::string out;
  auto put = [&out](uint32_t c) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | c >> 6);
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | c >> 12);
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | c >> 18);
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  };
  const auto* p = reinterpret_cast<const uint8_t*>(bytes.data());
  const size_t n = bytes.size() / 2;
  for (size_t i = 0; i < n; ++i) {
    uint32_t c = p[2 * i] | p[2 * i + 1] << 8;
    if (c == 0xFFFF || c == '\\') {
      out += '/';
      continue;
    }
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < n) {
      const uint32_t low = p[2 * i + 2] | p[2 * i + 3] << 8;
      if (low >= 0xDC00 && low < 0xE000) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      } else {
        c = 0xFFFD;
      }
    } else if (c >= 0xD800 && c < 0xE000) {
      c = 0xFFFD;
    }
    put(c);
  }
  return out;
}

uint32_t Le(const uint8_t* p, int n) {
  uint32_t v = 0;
  for (int i = n - 1; i >= 0; --i) v = v << 8 | p[i];
  return v;
}

}  // namespace

std::string LzhHeaderName(const uint8_t* raw, size_t len) {
  if (len < 22) return std::string();
  const unsigned level = raw[20];
  if (level == 0 || level == 1) {
    const size_t n = raw[21];
    if (22 + n > len) return std::string();
    return Decode(Separate(std::string(reinterpret_cast<const char*>(raw + 22), n), true));
  }
  // Extended headers: a size field (2 bytes at level 2, 4 at level 3), then type and data.
  const int field = level == 3 ? 4 : 2;
  size_t at = level == 3 ? 28 : 24;
  if (level > 3 || at + field > len) return std::string();
  std::string dir, file, wideDir, wideFile;
  size_t size = Le(raw + at, field);
  at += field;
  for (int guard = 0; size != 0 && guard < 1024; ++guard) {
    if (size < static_cast<size_t>(field) + 1 || at + size > len) break;
    const uint8_t type = raw[at];
    const std::string data(reinterpret_cast<const char*>(raw + at + 1), size - 1 - field);
    if (type == 0x01) file = data;
    if (type == 0x02) dir = data;
    if (type == 0x44) wideFile = data;  // the same names in UTF-16, where a tool wrote them
    if (type == 0x45) wideDir = data;
    at += size;
    size = Le(raw + at - field, field);
  }
  if (!wideFile.empty()) {
    std::string path = Utf16Name(wideDir);
    if (!path.empty() && path.back() != '/') path += '/';
    return PrintableName(path + Utf16Name(wideFile));
  }
  std::string path = Separate(dir, false);
  if (!path.empty() && path.back() != '/') path += '/';
  return Decode(path + Separate(file, false));
}

bool LzhNeedsLhasa(int fd, int64_t start) {
  Reader r(fd, start);
  if (!r.reader) return true;
  bool any = false;
  while (LHAFileHeader* h = lha_reader_next_file(r.reader)) {
    any = true;
    static const char* const kLibarchive[] = {"-lh0-", "-lh5-", "-lh6-", "-lh7-", "-lhd-"};
    bool known = false;
    for (const char* m : kLibarchive) known = known || std::strcmp(h->compress_method, m) == 0;
    // Level-3 headers may carry UTF-16 names, which only our own decoding reads.
    if (!known || h->header_level == 3) return true;
  }
  return !any;
}

uint64_t LzhStatedSize(int fd, int64_t start, const std::vector<std::string>& names) {
  Reader r(fd, start);
  uint64_t total = 0;
  while (r.reader) {
    LHAFileHeader* h = lha_reader_next_file(r.reader);
    if (!h) break;
    if (names.empty() || NameWanted(names, h->raw_data ? LzhHeaderName(h->raw_data, h->raw_data_len) : std::string()))
      total += h->length;
  }
  return total;
}

namespace {

// liblhasa's header as a libarchive entry, for the extraction rules.
struct archive_entry* EntryOf(const LHAFileHeader* h, const std::string& path, bool dir) {
  struct archive_entry* e = archive_entry_new();
  archive_entry_copy_pathname(e, path.c_str());
  if (h->symlink_target) {
    archive_entry_set_filetype(e, AE_IFLNK);
    archive_entry_copy_symlink(e, h->symlink_target);
  } else {
    archive_entry_set_filetype(e, dir ? AE_IFDIR : AE_IFREG);
    archive_entry_set_size(e, static_cast<la_int64_t>(h->length));
  }
  const unsigned perms = LHA_FILE_HAVE_EXTRA(h, LHA_FILE_UNIX_PERMS) ? (h->unix_perms & 07777) : (dir ? 0755 : 0644);
  archive_entry_set_perm(e, perms);
  if (LHA_FILE_HAVE_EXTRA(h, LHA_FILE_WINDOWS_TIMESTAMPS) && h->win_modification_time) {
    const uint64_t t = h->win_modification_time;
    archive_entry_set_mtime(e, static_cast<time_t>(t / 10000000 - 11644473600ull), static_cast<long>(t % 10000000 * 100));
  } else {
    archive_entry_set_mtime(e, static_cast<time_t>(h->timestamp), 0);
  }
  return e;
}

}  // namespace

bool LhasaWalk(int fd, int64_t start, Outcome* error,
               const std::function<bool(struct archive_entry*, const std::string&, const DataReader&)>& visit) {
  Reader r(fd, start);
  if (!r.reader) {
    *error = {kErrorCorrupt, Reason::LhaUnreadable, {}, {}};
    return false;
  }
  std::vector<char> buf(1 << 16);
  bool any = false;
  while (LHAFileHeader* h = lha_reader_next_file(r.reader)) {
    any = true;
    std::string path = h->raw_data ? LzhHeaderName(h->raw_data, h->raw_data_len) : std::string();
    if (path.empty()) path = Decode(std::string(h->path ? h->path : "") + (h->filename ? h->filename : ""));
    const bool dir = std::strcmp(h->compress_method, LHA_COMPRESS_TYPE_DIR) == 0 && !h->symlink_target;
    struct archive_entry* e = EntryOf(h, path, dir);
    uint16_t crc = 0;
    uint64_t done = 0;
    const uint16_t expected = h->crc;
    const uint64_t length = h->length;
    const bool decodable = lha_decoder_for_name(h->compress_method) != nullptr;
    const DataReader read = [&](const void** block, size_t* len, int64_t* offset, std::string* message) {
      if (dir || h->symlink_target) return 0;
      if (!decodable) {
        *message = std::string("Unsupported LHa method ") + h->compress_method;
        return -1;
      }
      const size_t n = lha_reader_read(r.reader, buf.data(), buf.size());
      if (n == 0) {
        if (done != length) *message = "LHa data truncated or undecodable";
        else if (crc != expected) *message = "LHa data CRC error";
        return done != length || crc != expected ? -1 : 0;
      }
      crc = Crc16(crc, reinterpret_cast<const uint8_t*>(buf.data()), n);
      *block = buf.data();
      *len = n;
      *offset = static_cast<int64_t>(done);
      done += n;
      return 1;
    };
    const bool go = visit(e, path, read);
    archive_entry_free(e);
    if (!go) return true;
  }
  if (!any) *error = {kErrorCorrupt, Reason::LhaUnreadable, {}, {}};
  return any;
}

}  // namespace arc
