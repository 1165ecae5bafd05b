#pragma once
#include <QObject>
#include <QString>
#include <functional>

class QLocalServer;

namespace platform {

// One running copy per user and window title. The first copy holds a lock
// (flock on a file in the user's runtime or settings folder) and listens on
// a per-user local socket named after the title; a later copy asks it to
// come to the front and then ends. Holding the lock is what makes a copy the
// first, so two copies starting together cannot both win, and only the
// holder ever removes a socket left behind.
class SingleInstance : public QObject {
  Q_OBJECT
 public:
  explicit SingleInstance(const QString& title, QObject* parent = nullptr);
  ~SingleInstance() override;

  // Claims the instance before anything else is built: true when this is the
  // only copy (it then listens at once and onActivate runs whenever a later
  // copy starts); false when another copy runs, after asking it to come
  // forward.
  // forward. A later copy hands its path (when it has one) to the first,
  // whose onActivate gets it (empty: just come forward).
  bool Claim(std::function<void(const QString& path)> onActivate, const QString& path = QString());

  // True when another copy answered and was asked to come forward (and to open path).
  bool ActivateRunning(const QString& path = QString());
  // Starts listening; onActivate runs whenever a later copy starts.
  bool Listen(std::function<void(const QString& path)> onActivate);

  QString SocketName() const { return name_; }

 private:
  QString name_;
  int lock_ = -1;
  QLocalServer* server_ = nullptr;
  std::function<void(const QString&)> onActivate_;
};

// Runs the callback on the event loop when SIGTERM, SIGINT or SIGHUP arrives,
// so that the program closes as if the user had closed it.
void OnTerminateSignal(std::function<void()> callback);

}  // namespace platform
