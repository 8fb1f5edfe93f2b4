#pragma once
// The suite's link to the guard, the root service that owns the machine's rules in guarded mode
// (docs/host-interface.md, "The guard"). A process is in guarded mode when the guard is installed
// (its bus policy file is in the system's policy folder: then the guard is reached on the
// machine's system bus socket, whatever the environment names), or when the guard's bus name has
// an owner, or can be started, on the system bus (a guard run by hand, tests); then the settings manager, the card
// counter, the parent's password, the machine's registry values, the tables of rules and
// records and the logs of pages go through the guard instead of the local files. Which mode a
// process runs in is decided once, at its first question, and kept: a guard that restarts is
// waited for, never replaced by local files. The guard itself works on its files
// (ServeLocally). Calls wait for the guard's answer; a refusal or a guard that cannot be reached
// raises EGuardError with the guard's own text, which reaches the user through the error guard.
#include "platform/errors/Errors.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QVariant>
#include <functional>

class EGuardError : public EPembloError {
public:
  using EPembloError::EPembloError;
};

// One row of a table kept by the guard: its key and its two texts (`apps`: program, schedule;
// `webs`: address, schedule; `historyrecords`: date and time, item; `cancelrecords`: day,
// reason). On the bus, "(iss)".
struct TGuardRow {
  int32_t iKey = 0;
  QString sFirst;
  QString sSecond;
};
Q_DECLARE_METATYPE(TGuardRow)
QDBusArgument &operator<<(QDBusArgument &arg, const TGuardRow &row);
const QDBusArgument &operator>>(const QDBusArgument &arg, TGuardRow &row);
using TGuardRows = QList<TGuardRow>;

namespace GuardBus {
inline const QString Service = QStringLiteral("org.pemblo.Guard");
inline const QString Path = QStringLiteral("/org/pemblo/Guard");
inline const QString Interface = QStringLiteral("org.pemblo.Guard");
// The error names of the guard's refusals.
inline const QString ErrorNeedParent = QStringLiteral("org.pemblo.Guard.Error.NeedParent");
inline const QString ErrorDenied = QStringLiteral("org.pemblo.Guard.Error.Denied");
inline const QString ErrorFailed = QStringLiteral("org.pemblo.Guard.Error.Failed");
// The installed guard's policy file, and the socket of the machine's system bus.
inline const QString InstalledPolicy = QStringLiteral("/usr/share/dbus-1/system.d/org.pemblo.Guard.conf");
inline const QString SystemSocket = QStringLiteral("unix:path=/run/dbus/system_bus_socket");
// Registers the row types with the bus; every side calls it before its first call.
void RegisterTypes();
// Raises EGuardError "家长规则服务的回答无法读取。" for an answer that is not in its form.
[[noreturn]] void RaiseUnreadableAnswer();
}  // namespace GuardBus

class TGuardLink {
public:
  // The link of this process in guarded mode; null in single-account mode and in the guard.
  static TGuardLink *Active();
  // Called by the guard before anything else: its own data layer works on its files.
  static void ServeLocally();

  // Calls a method of the guard and returns its out arguments. Raises EGuardError with the
  // guard's text when it refuses, and "家长规则服务没有响应，请稍后再试。" when it cannot be reached.
  QVariantList Call(const QString &method, const QVariantList &args = {}) const;
  // The rows answered by a call returning "a(iss)".
  TGuardRows CallRows(const QString &method) const;

  // Follows a signal of the guard ("SettingsChanged", "LimitsChanged", ...); the handler gets
  // its arguments. Returns false when the bus refused the subscription.
  bool Follow(const QString &signal, QObject *receiver, std::function<void(const QVariantList &)> handler) const;

  QDBusConnection Connection() const { return FConnection; }

private:
  explicit TGuardLink(const QDBusConnection &connection) : FConnection(connection) {}
  mutable QDBusConnection FConnection;  // a handle; subscribing changes no state of the link
};
