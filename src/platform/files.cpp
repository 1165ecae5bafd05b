#include "platform/files.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

bool ReadRegularFile(const QString& path, QByteArray* out, qint64 max) {
  out->clear();
  // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
  const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return false;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return false;
  }
  const qint64 want = max < 0 ? static_cast<qint64>(st.st_size) : std::min<qint64>(max, st.st_size);
  out->resize(want);
  qint64 got = 0;
  while (got < want) {
    const ssize_t n = ::read(fd, out->data() + got, static_cast<size_t>(want - got));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += n;
  }
  ::close(fd);
  out->resize(got);
  return true;
}

}  // namespace platform
