#include "common/uGuardLink.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusReply>
#include <QFileInfo>
#include <QObject>
#include <atomic>
#include <mutex>

QDBusArgument &operator<<(QDBusArgument &arg, const TGuardRow &row) {
  arg.beginStructure();
  arg << row.iKey << row.sFirst << row.sSecond;
  arg.endStructure();
  return arg;
}

const QDBusArgument &operator>>(const QDBusArgument &arg, TGuardRow &row) {
  arg.beginStructure();
  arg >> row.iKey >> row.sFirst >> row.sSecond;
  arg.endStructure();
  return arg;
}

void GuardBus::RegisterTypes() {
  static std::once_flag once;
  std::call_once(once, [] {
    qDBusRegisterMetaType<TGuardRow>();
    qDBusRegisterMetaType<TGuardRows>();
  });
}

namespace {

std::atomic<bool> ServingLocally{false};

// A guard installed on this machine answers to its name, or the bus starts it on the first call.
bool GuardPresent(const QDBusConnection &bus) {
  if (!bus.isConnected())
    return false;
  QDBusConnectionInterface *names = bus.interface();
  if (names->isServiceRegistered(GuardBus::Service).value())
    return true;
  const QDBusReply<QStringList> activatable = bus.call(
      QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                                     QStringLiteral("org.freedesktop.DBus"), QStringLiteral("ListActivatableNames")));
  return activatable.isValid() && activatable.value().contains(GuardBus::Service);
}

// Hands a signal's arguments to a function; lives as a child of the receiver.
class TSignalRelay : public QObject {
  Q_OBJECT
public:
  TSignalRelay(QObject *receiver, std::function<void(const QVariantList &)> handler)
      : QObject(receiver), FHandler(std::move(handler)) {}
public slots:
  void Relay(const QDBusMessage &message) { FHandler(message.arguments()); }

private:
  std::function<void(const QVariantList &)> FHandler;
};

}  // namespace

TGuardLink *TGuardLink::Active() {
  static TGuardLink *link = []() -> TGuardLink * {
    if (ServingLocally)
      return nullptr;
    GuardBus::RegisterTypes();
    // An installed guard is found by a file of root's, and on the machine's own bus socket:
    // the child's environment can neither name another bus nor make the guard's absence a
    // reason to work on the child's files. Its calls then fail until the guard is back.
    if (QFileInfo::exists(GuardBus::InstalledPolicy))
      return new TGuardLink(QDBusConnection::connectToBus(GuardBus::SystemSocket, QStringLiteral("pemblo-guard-link")));
    const QDBusConnection bus = QDBusConnection::systemBus();
    return GuardPresent(bus) ? new TGuardLink(bus) : nullptr;
  }();
  return ServingLocally ? nullptr : link;
}

void TGuardLink::ServeLocally() { ServingLocally = true; }

QVariantList TGuardLink::Call(const QString &method, const QVariantList &args) const {
  QDBusMessage call = QDBusMessage::createMethodCall(GuardBus::Service, GuardBus::Path, GuardBus::Interface, method);
  call.setArguments(args);
  // A parent's change writes a database and a registry file; 25 s covers a slow disk.
  const QDBusMessage reply = FConnection.call(call, QDBus::Block, 25000);
  if (reply.type() == QDBusMessage::ReplyMessage)
    return reply.arguments();
  // The guard's own refusals carry the text for the user; anything else means it is not there.
  const QString name = reply.errorName();
  if (name == GuardBus::ErrorNeedParent || name == GuardBus::ErrorDenied || name == GuardBus::ErrorFailed)
    Raise<EGuardError>(reply.errorMessage());
  Raise<EGuardError>(QStringLiteral("家长规则服务没有响应，请稍后再试。"));
}

TGuardRows TGuardLink::CallRows(const QString &method) const {
  const QVariantList out = Call(method);
  TGuardRows rows;
  if (!out.isEmpty())
    out.first().value<QDBusArgument>() >> rows;
  return rows;
}

bool TGuardLink::Follow(const QString &signal, QObject *receiver,
                        std::function<void(const QVariantList &)> handler) const {
  auto *relay = new TSignalRelay(receiver, std::move(handler));
  return FConnection.connect(GuardBus::Service, GuardBus::Path, GuardBus::Interface, signal, relay,
                             SLOT(Relay(QDBusMessage)));
}

void GuardBus::RaiseUnreadableAnswer() { Raise<EGuardError>(QStringLiteral("家长规则服务的回答无法读取。")); }

#include "uGuardLink.moc"
