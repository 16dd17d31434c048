#include "platform/qt/SingleInstance.h"

#include <QDir>
#include <QElapsedTimer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

namespace kanvo {

namespace {

constexpr int kWaitMs = 3000;  // for a program that is still starting up
const char kTerminator = '\0';  // paths cannot hold it

}  // namespace

SingleInstance::SingleInstance(QObject* parent) : QObject(parent) {}

SingleInstance::~SingleInstance() = default;

SingleInstance::Role SingleInstance::start(const QString& file, const QString& folder) {
  QString dir = folder.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) : folder;
  if (dir.isEmpty()) dir = QDir::tempPath();
  const QString lockPath = dir + "/kanvo_mobile.lock";
  const QString socketPath = dir + "/kanvo_mobile";

  QElapsedTimer waited;
  waited.start();
  while (true) {
    lock_ = std::make_unique<QLockFile>(lockPath);
    lock_->setStaleLockTime(0);  // only a holder that no longer runs makes the lock stale
    if (lock_->tryLock(0)) return listen(socketPath) ? Role::kFirst : Role::kFailed;
    if (lock_->error() != QLockFile::LockFailedError) {
      failure_ = "cannot create the lock file " + lockPath;
      return Role::kFailed;
    }
    lock_.reset();
    if (handOver(socketPath, file)) return Role::kHandedOver;
    if (waited.elapsed() > kWaitMs) {
      failure_ = "kanvo is already running but does not answer (" + socketPath + ")";
      return Role::kFailed;
    }
    QThread::msleep(50);
  }
}

bool SingleInstance::listen(const QString& socketPath) {
  QLocalServer::removeServer(socketPath);  // left by a program that crashed; we hold the lock
  server_.setSocketOptions(QLocalServer::UserAccessOption);
  if (!server_.listen(socketPath)) {
    failure_ = "cannot listen on " + socketPath + ": " + server_.errorString();
    return false;
  }
  connect(&server_, &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
      connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
      connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
        const QByteArray data = socket->peek(1 << 16);
        const qsizetype end = data.indexOf(kTerminator);
        if (end < 0) return;
        socket->read(end + 1);
        socket->write("ok", 3);
        socket->flush();
        emit requested(QString::fromUtf8(data.left(end)));
      });
    }
  });
  return true;
}

bool SingleInstance::handOver(const QString& socketPath, const QString& file) {
  QLocalSocket socket;
  socket.connectToServer(socketPath);
  if (!socket.waitForConnected(1000)) return false;
  QByteArray message = file.toUtf8();
  message.append(kTerminator);
  socket.write(message);
  if (!socket.waitForBytesWritten(1000)) return false;
  // The running program answers once it has taken the request.
  while (socket.bytesAvailable() < 3)
    if (!socket.waitForReadyRead(kWaitMs)) return false;
  return true;
}

}  // namespace kanvo
