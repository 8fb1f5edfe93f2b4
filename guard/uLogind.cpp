#include "guard/uLogind.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QVariant>

namespace {

const QString Login = QStringLiteral("org.freedesktop.login1");
const QString ManagerPath = QStringLiteral("/org/freedesktop/login1");
const QString Manager = QStringLiteral("org.freedesktop.login1.Manager");
constexpr int AnswerMs = 5000;

QDBusMessage CallManager(const QDBusConnection &bus, const QString &method, const QVariantList &args = {}) {
  QDBusMessage call = QDBusMessage::createMethodCall(Login, ManagerPath, Manager, method);
  call.setArguments(args);
  return bus.call(call, QDBus::Block, AnswerMs);
}

QString SessionType(const QDBusConnection &bus, const QDBusObjectPath &path) {
  QDBusMessage get = QDBusMessage::createMethodCall(
      Login, path.path(), QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
  get.setArguments({QStringLiteral("org.freedesktop.login1.Session"), QStringLiteral("Type")});
  const QDBusMessage answer = bus.call(get, QDBus::Block, AnswerMs);
  if (answer.type() != QDBusMessage::ReplyMessage || answer.arguments().isEmpty())
    return {};
  return answer.arguments().first().value<QDBusVariant>().variant().toString();
}

}  // namespace

QList<TLoginSession> GraphicalSessions(const QDBusConnection &bus) {
  const QDBusMessage answer = CallManager(bus, QStringLiteral("ListSessions"));
  QList<TLoginSession> sessions;
  if (answer.type() != QDBusMessage::ReplyMessage || answer.arguments().isEmpty())
    return sessions;
  // a(susso): id, uid, user name, seat, object path.
  const QDBusArgument list = answer.arguments().first().value<QDBusArgument>();
  list.beginArray();
  while (!list.atEnd()) {
    TLoginSession session;
    QString user, seat;
    QDBusObjectPath path;
    list.beginStructure();
    list >> session.sId >> session.iUid >> user >> seat >> path;
    list.endStructure();
    const QString type = SessionType(bus, path);
    if (type == QStringLiteral("x11") || type == QStringLiteral("wayland"))
      sessions << session;
  }
  list.endArray();
  return sessions;
}

void LockLoginSession(const QDBusConnection &bus, const QString &id) {
  CallManager(bus, QStringLiteral("LockSession"), {id});
}

void TerminateLoginSession(const QDBusConnection &bus, const QString &id) {
  CallManager(bus, QStringLiteral("TerminateSession"), {id});
}
