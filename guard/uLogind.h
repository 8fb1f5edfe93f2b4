#pragma once
// The guard's hands on the login manager (systemd-logind, org.freedesktop.login1 on the bus the
// guard serves): the graphical sessions of the machine, and locking or ending one of them. Calls
// wait at most a few seconds; a login manager that does not answer gives no sessions, and a lock
// or an end it refuses is left at that (the next check asks again). Touches only the bus.
#include <QDBusConnection>
#include <QList>
#include <QString>

struct TLoginSession {
  QString sId;
  uint iUid = 0;
};

// The sessions of type "x11" or "wayland".
QList<TLoginSession> GraphicalSessions(const QDBusConnection &bus);
void LockLoginSession(const QDBusConnection &bus, const QString &id);
void TerminateLoginSession(const QDBusConnection &bus, const QString &id);
