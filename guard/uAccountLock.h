#pragma once
// The lock the guard keeps on a child's account once its cards went past three. The locked
// accounts are kept in the machine's hive (\SOFTWARE\Pemblo value "LockedAccounts", their uids),
// so a restart of the guard keeps them. Locking asks the account's host to start the lock
// program (the guard's LockDue); the lock program registers and is known by its bus connection:
// when that leaves the bus while the account is locked (the lock program killed or crashed), the
// account's graphical sessions are ended through the login manager. Only the parent gives the lock
// back. Touches the machine's hive and the login manager.
#include "guard/uAccountConnections.h"

#include <QDBusConnection>
#include <QObject>
#include <QSet>
#include <QString>
#include <functional>

class TAccountLock : public QObject {
  Q_OBJECT
public:
  using TAccountEvent = std::function<void(uint uid)>;
  explicit TAccountLock(const QDBusConnection &bus, QObject *parent = nullptr);

  // Keeps the account locked and asks for its lock program (also when it was locked already).
  void Lock(uint uid);
  bool Locked(uint uid) const;
  // The parent gave the lock of the account back (every account's: ReleaseAll).
  void Release(uint uid);
  void ReleaseAll();
  // The lock program of the account is the connection, until it leaves the bus.
  void RegisterLockProgram(const QString &connection, uint uid);

  // The account's lock program is due in its session.
  void SetOnLockDue(TAccountEvent handler) { FOnLockDue = std::move(handler); }
  // The account's lock was given back.
  void SetOnRelease(TAccountEvent handler) { FOnRelease = std::move(handler); }

private:
  QSet<uint> Stored() const;
  void Store(const QSet<uint> &uids);
  void ProgramLeft(uint uid);

  QDBusConnection FBus;
  TAccountConnections FPrograms;
  TAccountEvent FOnLockDue;
  TAccountEvent FOnRelease;
};
