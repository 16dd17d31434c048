#pragma once
// One running program per user. The first start takes the lock file "kanvo_mobile.lock" in
// the user's runtime folder and listens on the local socket "kanvo_mobile" there; a later
// start finds the lock held, connects and asks the running program to come forward, handing
// over a file to open when it was given one, and then ends without a window.
//
// The lock is per user (the runtime folder is). A lock left by a program that crashed is taken
// over (QLockFile recognises a holder that no longer runs), and so is the socket it left.
#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <memory>

namespace kanvo {

class SingleInstance : public QObject {
  Q_OBJECT

 public:
  enum class Role {
    kFirst,    // this process runs the program
    kHandedOver,  // another process runs it and took the request
    kFailed,   // another process holds the lock but could not be reached
  };

  explicit SingleInstance(QObject* parent = nullptr);
  ~SingleInstance() override;

  // Takes the lock and listens, or hands the request over (file: an absolute path, or empty
  // just to bring the running program forward). folder overrides the runtime folder.
  Role start(const QString& file, const QString& folder = QString());
  // Why start failed, for a message.
  const QString& failure() const { return failure_; }

 signals:
  // The running program is asked to come forward, and to open file when it is not empty.
  void requested(const QString& file);

 private:
  bool listen(const QString& socketPath);
  bool handOver(const QString& socketPath, const QString& file);

  std::unique_ptr<QLockFile> lock_;
  QLocalServer server_;
  QString failure_;
};

}  // namespace kanvo
