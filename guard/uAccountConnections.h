#pragma once
// The bus connections that programs of the children's accounts registered with the guard (a
// session's agent, a lock program), each known as its account's until it leaves the bus: ended,
// killed or crashed. A connection that left before its watch began is dropped at once. Touches
// only the bus's list of names.
#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QHash>
#include <QObject>
#include <QString>
#include <functional>

class TAccountConnections : public QObject {
  Q_OBJECT
public:
  using TLeftEvent = std::function<void(uint uid)>;
  explicit TAccountConnections(const QDBusConnection &bus, QObject *parent = nullptr);

  // The connection is the account's until it leaves the bus.
  void Add(const QString &connection, uint uid);
  // Some connection of the account is still on the bus.
  bool Holds(uint uid) const;

  // A connection of the account left the bus (called after it is dropped).
  void SetOnLeft(TLeftEvent handler) { FOnLeft = std::move(handler); }

private:
  void Leave(const QString &connection);

  QDBusConnection FBus;
  QHash<QString, uint> FConnections;  // connection -> uid
  QDBusServiceWatcher FWatcher;
  TLeftEvent FOnLeft;
};
