#pragma once
// Another program holding an flock on a file, as a stranger may hold a lock file of the suite:
// `flock FILE sleep` in a process of its own, started and holding when Held() says so, ended
// when this goes.
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTest>

class THeldLockFile {
public:
  explicit THeldLockFile(const QString &file) {
    FHolder.start(QStringLiteral("flock"), {file, QStringLiteral("sleep"), QStringLiteral("600")});
    // Held once a try without waiting fails.
    FHeld = FHolder.waitForStarted() &&
            QTest::qWaitFor(
                [&] {
                  return QProcess::execute(QStringLiteral("flock"),
                                           {QStringLiteral("-n"), file, QStringLiteral("true")}) != 0;
                },
                5000);
  }
  ~THeldLockFile() {
    FHolder.kill();
    FHolder.waitForFinished();
  }
  THeldLockFile(const THeldLockFile &) = delete;
  THeldLockFile &operator=(const THeldLockFile &) = delete;

  bool Held() const { return FHeld; }

private:
  QProcess FHolder;
  bool FHeld = false;
};
