#include "unarrread.h"

#include <fcntl.h>
#include <unarr.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

namespace arc {
namespace {

// unarr logs what it skips and every error to stderr, which is the
// program's; the worker reports problems through its records instead.
class QuietStderr {
 public:
  QuietStderr() : saved_(::dup(2)) {
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (saved_ >= 0 && null >= 0) ::dup2(null, 2);
    if (null >= 0) ::close(null);
  }
  ~QuietStderr() {
    if (saved_ < 0) return;
    ::dup2(saved_, 2);
    ::close(saved_);
  }
  QuietStderr(const QuietStderr&) = delete;
  QuietStderr& operator=(const QuietStderr&) = delete;

 private:
  int saved_;
};

}  // namespace

struct UnarrData::State {
  ar_stream* stream = nullptr;
  ar_archive* archive = nullptr;
  long current = -1;  // the entry parsed last; -1 before the first
  long end = -1;      // the first entry that could not be parsed, once known
  std::vector<char> buf = std::vector<char>(1 << 20);
};

UnarrData::UnarrData(const std::string& path, Kind kind) : s_(new State) {
  QuietStderr quiet;
  s_->stream = ar_open_file(path.c_str());
  if (s_->stream)
    s_->archive = kind == Kind::Rar ? ar_open_rar_archive(s_->stream) : ar_open_zip_archive(s_->stream, false);
}

UnarrData::~UnarrData() {
  if (s_->archive) ar_close_archive(s_->archive);
  if (s_->stream) ar_close(s_->stream);
}

DataReader UnarrData::Find(size_t index, uint64_t size) {
  if (!s_->archive || (s_->end >= 0 && static_cast<long>(index) >= s_->end)) return {};
  QuietStderr quiet;
  // Entries are parsed in order (a solid archive decodes them in order);
  // going back starts from the first.
  if (s_->current > static_cast<long>(index)) {
    if (!ar_parse_entry_at(s_->archive, 0)) return {};
    s_->current = 0;
  }
  while (s_->current < static_cast<long>(index)) {
    if (!ar_parse_entry(s_->archive)) {
      s_->end = s_->current + 1;
      s_->current = s_->end;  // the next search starts over
      return {};
    }
    ++s_->current;
  }
  if (ar_entry_get_size(s_->archive) != size) return {};
  State* s = s_.get();
  uint64_t done = 0;
  return [s, size, done](const void** block, size_t* len, int64_t* offset, std::string* message) mutable {
    if (done == size) return 0;
    const size_t n = static_cast<size_t>(std::min<uint64_t>(size - done, s->buf.size()));
    QuietStderr quiet;
    // The last block also checks the member's CRC.
    if (!ar_entry_uncompress(s->archive, s->buf.data(), n)) {
      *message = "data error or CRC mismatch (second decoder)";
      return -1;
    }
    *block = s->buf.data();
    *len = n;
    *offset = static_cast<int64_t>(done);
    done += n;
    return 1;
  };
}

}  // namespace arc
