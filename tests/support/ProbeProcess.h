#pragma once
// Runs the test probe as a second process and reads its report lines.
#include "tests/support/WaitUntil.h"

#include <QProcess>
#include <QString>
#include <QStringList>
#include <memory>

#ifndef PEMBLO_PROBE
#error "PEMBLO_PROBE must name the probe program"
#endif

class TProbe {
public:
  explicit TProbe(const QStringList &args, const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment()) {
    FProcess.setProcessEnvironment(env);
    FProcess.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    FProcess.start(QStringLiteral(PEMBLO_PROBE), args);
  }
  ~TProbe() { Stop(); }

  // The next report line, or empty after 15 s without one.
  QString NextLine() {
    while (!FProcess.canReadLine()) {
      if (!FProcess.waitForReadyRead(15000))
        return {};
    }
    return QString::fromUtf8(FProcess.readLine()).trimmed();
  }

  // Waits for the end of a probe that ends by itself; returns its exit code.
  int Finish() {
    FProcess.waitForFinished(60000);
    return FProcess.exitCode();
  }

  void Stop() {
    if (FProcess.state() != QProcess::NotRunning) {
      FProcess.kill();
      FProcess.waitForFinished(15000);
    }
  }

  QString ReadAll() { return QString::fromUtf8(FProcess.readAllStandardOutput()); }

  // What a flood probe says once every window has taken its posts ("handled") or one has not
  // ("unanswered"); this process's event loop runs meanwhile, as its own windows take posts too.
  QString FloodAnswer() {
    QString said;
    WaitUntil(
        [&] {
          said += Pending();
          return said.contains(QStringLiteral("handled")) || said.contains(QStringLiteral("unanswered"));
        },
        120000);
    return said.trimmed();
  }

  // What the probe has reported so far and was not read yet, without waiting for more.
  QString Pending() {
    FProcess.waitForReadyRead(0);
    return ReadAll();
  }

private:
  QProcess FProcess;
};
