#include "platform/instance.h"

#include <QCryptographicHash>
#include <QLocalServer>
#include <QLocalSocket>
#include <QSocketNotifier>

#include <sys/socket.h>
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

SingleInstance::~SingleInstance() = default;

bool SingleInstance::ActivateRunning() {
  QLocalSocket socket;
  socket.connectToServer(name_);
  if (!socket.waitForConnected(1000)) return false;
  socket.write(kActivate);
  socket.waitForBytesWritten(1000);
  // Wait for the first copy to take the request, so it is not lost when we end.
  socket.waitForReadyRead(1000);
  socket.disconnectFromServer();
  return true;
}

bool SingleInstance::Listen(std::function<void()> onActivate) {
  onActivate_ = std::move(onActivate);
  server_ = new QLocalServer(this);
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  if (!server_->listen(name_)) {
    // A socket left behind by a copy that crashed.
    QLocalServer::removeServer(name_);
    if (!server_->listen(name_)) return false;
  }
  connect(server_, &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* client = server_->nextPendingConnection()) {
      connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
      connect(client, &QLocalSocket::readyRead, this, [this, client] {
        if (!client->readAll().contains("activate")) return;
        client->write("ok\n");
        client->flush();
        if (onActivate_) onActivate_();
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
