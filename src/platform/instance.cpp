#include "platform/instance.h"

#include "platform/folders.h"

#include <QCryptographicHash>
#include <QLocalServer>
#include <QLocalSocket>
#include <QSocketNotifier>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>

namespace platform {
namespace {

const QByteArray kActivate("activate\n");

}  // namespace

SingleInstance::SingleInstance(const QString& title, QObject* parent) : QObject(parent) {
  const QByteArray hash = QCryptographicHash::hash(title.toUtf8(), QCryptographicHash::Sha1).toHex();
  name_ = QStringLiteral("zot-%1-%2").arg(::getuid()).arg(QString::fromLatin1(hash.left(16)));
}

SingleInstance::~SingleInstance() {
  if (lock_ >= 0) ::close(lock_);
}

namespace {

// A folder only this user writes to: the runtime folder, else the settings folder.
QString LockFolder() {
  const QString runtime = QString::fromLocal8Bit(qgetenv("XDG_RUNTIME_DIR"));
  if (QDir::isAbsolutePath(runtime) && QFileInfo(runtime).isDir()) return runtime;
  const QString settings = QFileInfo(SettingsFilePath()).absolutePath();
  QDir().mkpath(settings);
  return settings;
}

}  // namespace

bool SingleInstance::Claim(std::function<void(const QString&)> onActivate, const QString& path) {
  const QByteArray lockPath = QFile::encodeName(LockFolder() + QLatin1Char('/') + name_ + QStringLiteral(".lock"));
  lock_ = ::open(lockPath.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  struct stat st {};
  if (lock_ >= 0 && (::fstat(lock_, &st) != 0 || st.st_uid != ::geteuid())) {
    ::close(lock_);
    lock_ = -1;
  }
  if (lock_ >= 0 && ::flock(lock_, LOCK_EX | LOCK_NB) != 0) {
    ::close(lock_);
    lock_ = -1;
    // The first copy listens right after taking the lock; give it a moment.
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 5000) {
      if (ActivateRunning(path)) return false;
      QThread::msleep(50);
    }
    return false;
  }
  // Without a lock file (no folder to put it in) the socket alone decides.
  if (lock_ < 0 && ActivateRunning(path)) return false;
  return Listen(std::move(onActivate)) || true;
}

bool SingleInstance::ActivateRunning(const QString& path) {
  QLocalSocket socket;
  socket.connectToServer(name_);
  if (!socket.waitForConnected(1000)) return false;
  // One line: "activate", or "open" and the path percent-encoded (any byte may be in a name).
  socket.write(path.isEmpty() ? kActivate : "open " + QFile::encodeName(path).toPercentEncoding("/") + "\n");
  socket.waitForBytesWritten(1000);
  // Wait for the first copy to take the request, so it is not lost when we end.
  socket.waitForReadyRead(1000);
  socket.disconnectFromServer();
  return true;
}

bool SingleInstance::Listen(std::function<void(const QString&)> onActivate) {
  onActivate_ = std::move(onActivate);
  server_ = new QLocalServer(this);
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  if (!server_->listen(name_)) {
    // A socket left behind by a copy that crashed; with the lock held no
    // running copy can own it.
    QLocalServer::removeServer(name_);
    if (!server_->listen(name_)) return false;
  }
  connect(server_, &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* client = server_->nextPendingConnection()) {
      connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
      connect(client, &QLocalSocket::readyRead, this, [this, client] {
        // A request is one line; it may come in pieces.
        QByteArray line = client->property("zot-request").toByteArray() + client->readAll();
        if (line.size() > 65536) {
          client->abort();
          return;
        }
        const qsizetype end = line.indexOf('\n');
        if (end < 0) {
          client->setProperty("zot-request", line);
          return;
        }
        line.truncate(end);
        QString path;
        if (line.startsWith("open ")) path = QFile::decodeName(QByteArray::fromPercentEncoding(line.mid(5)));
        else if (line != "activate") return;
        client->write("ok\n");
        client->flush();
        if (onActivate_) onActivate_(path);
      });
    }
  });
  return true;
}

namespace {

int g_signalPipe[2] = {-1, -1};

void SignalHandler(int) {
  const char c = 1;
  [[maybe_unused]] ssize_t n = ::write(g_signalPipe[1], &c, 1);
}

}  // namespace

void OnTerminateSignal(std::function<void()> callback) {
  if (g_signalPipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0) return;
  auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read);
  QObject::connect(notifier, &QSocketNotifier::activated, notifier, [callback] {
    char c;
    [[maybe_unused]] ssize_t n = ::read(g_signalPipe[0], &c, 1);
    callback();
  });
  struct sigaction sa {};
  sa.sa_handler = SignalHandler;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(sig, &sa, nullptr);
}

}  // namespace platform
