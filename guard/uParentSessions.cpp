#include "guard/uParentSessions.h"

TParentSessions::TParentSessions(const QDBusConnection &bus, int idleSeconds, QObject *parent)
    : QObject(parent), FWatcher(QString(), bus, QDBusServiceWatcher::WatchForUnregistration),
      FIdleMs(qint64(idleSeconds) * 1000) {
  connect(&FWatcher, &QDBusServiceWatcher::serviceUnregistered, this, &TParentSessions::End);
}

void TParentSessions::Open(const QString &connection) {
  if (!FLastUse.contains(connection))
    FWatcher.addWatchedService(connection);
  FLastUse[connection].start();
}

void TParentSessions::End(const QString &connection) {
  if (FLastUse.remove(connection))
    FWatcher.removeWatchedService(connection);
}

bool TParentSessions::Use(const QString &connection) {
  const auto it = FLastUse.find(connection);
  if (it == FLastUse.end())
    return false;
  if (it->elapsed() >= FIdleMs) {
    End(connection);
    return false;
  }
  it->restart();
  return true;
}
