#include "guard/uAccountConnections.h"

#include "platform/errors/ErrorGuard.h"

#include <QDBusConnectionInterface>
#include <algorithm>

TAccountConnections::TAccountConnections(const QDBusConnection &bus, QObject *parent)
    : QObject(parent), FBus(bus), FWatcher(QString(), bus, QDBusServiceWatcher::WatchForUnregistration) {
  connect(&FWatcher, &QDBusServiceWatcher::serviceUnregistered, this,
          [this](const QString &connection) { GuardedCall([&] { Leave(connection); }); });
}

void TAccountConnections::Add(const QString &connection, uint uid) {
  if (!FConnections.contains(connection))
    FWatcher.addWatchedService(connection);
  FConnections.insert(connection, uid);
  // The connection may have left before the watch began.
  if (!FBus.interface()->isServiceRegistered(connection).value())
    Leave(connection);
}

bool TAccountConnections::Holds(uint uid) const {
  return std::find(FConnections.cbegin(), FConnections.cend(), uid) != FConnections.cend();
}

void TAccountConnections::Leave(const QString &connection) {
  const auto found = FConnections.constFind(connection);
  if (found == FConnections.cend())
    return;
  const uint uid = *found;
  FConnections.erase(found);
  FWatcher.removeWatchedService(connection);
  if (FOnLeft)
    FOnLeft(uid);
}
