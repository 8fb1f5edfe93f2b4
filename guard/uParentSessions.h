#pragma once
// The parent sessions of the guard. A right password opens one for the bus connection that
// asked, and only for it: another connection of the same account has no rights. A session ends
// when its connection leaves the bus, when the parent ends it, or after a time without a
// parent's call (10 minutes). Touches nothing but the bus's name watch.
#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QString>

class TParentSessions : public QObject {
  Q_OBJECT
public:
  TParentSessions(const QDBusConnection &bus, int idleSeconds, QObject *parent = nullptr);

  void Open(const QString &connection);
  void End(const QString &connection);
  // True for a connection inside a live session, whose idle time then starts again.
  bool Use(const QString &connection);

private:
  QHash<QString, QElapsedTimer> FLastUse;
  QDBusServiceWatcher FWatcher;
  qint64 FIdleMs;
};
