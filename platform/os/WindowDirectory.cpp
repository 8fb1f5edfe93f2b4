#include "platform/os/WindowDirectory.h"

#include "platform/errors/ErrorGuard.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDateTime>
#include <QHash>
#include <QMetaObject>
#include <QMutex>
#include <QMutexLocker>
#include <QPointer>
#include <QThread>
#include <QWidget>
#include <atomic>
#include <dlfcn.h>
#include <limits>
#include <mutex>
#include <unistd.h>

namespace {

const QString kObjectPath = QStringLiteral("/window");
const QString kInterface = QStringLiteral("org.pemblo.Window");

// Endpoints of this process by unique bus name: a message to one of them is delivered
// directly, as the window system calls the window procedure of its own thread directly. Every
// library of the suite carries its own copy of this code, so the list is kept where all copies
// find it: an object under the application, holding each endpoint as a property named after
// its bus name, and the list's lock. Endpoints are called by their invokable methods, which
// work whichever copy made them.
struct TLocalEndpoints {
  QObject *Registry = nullptr;
  QMutex *Lock = nullptr;
};

TLocalEndpoints SharedEndpoints(bool create) {
  static const QString name = QStringLiteral("pemblo-window-endpoints");
  QCoreApplication *app = QCoreApplication::instance();
  if (!app)
    return {};
  QObject *registry = app->findChild<QObject *>(name, Qt::FindDirectChildrenOnly);
  if (!registry && create && QThread::currentThread() == app->thread()) {
    registry = new QObject(app);
    registry->setObjectName(name);
    // Every copy of this code uses this one lock; it goes with the registry, when the
    // application does, as nothing can find it after that.
    auto *lock = new QMutex;
    registry->setProperty("lock", QVariant::fromValue(quintptr(lock)));
    QObject::connect(registry, &QObject::destroyed, [lock] { delete lock; });
  }
  if (!registry)
    return {};
  return {registry, reinterpret_cast<QMutex *>(registry->property("lock").value<quintptr>())};
}

void SetLocalEndpoint(const QString &busName, QObject *endpoint) {
  const TLocalEndpoints shared = SharedEndpoints(endpoint != nullptr);
  if (!shared.Registry)
    return;
  QMutexLocker lock(shared.Lock);
  shared.Registry->setProperty(busName.toUtf8().constData(), endpoint ? QVariant::fromValue(endpoint) : QVariant());
}

QPointer<QObject> LocalEndpoint(const QString &busName) {
  const TLocalEndpoints shared = SharedEndpoints(false);
  if (!shared.Registry)
    return nullptr;
  QMutexLocker lock(shared.Lock);
  return shared.Registry->property(busName.toUtf8().constData()).value<QObject *>();
}

// Calls an invokable method of an endpoint on the endpoint's thread and waits for it.
template <class... TArgs> void CallEndpoint(QObject *endpoint, const char *method, TArgs... args) {
  const Qt::ConnectionType how =
      endpoint->thread() == QThread::currentThread() ? Qt::DirectConnection : Qt::BlockingQueuedConnection;
  QMetaObject::invokeMethod(endpoint, method, how, args...);
}

// The bus of the senders; an unconnected bus makes every lookup find nothing.
std::optional<QDBusConnection> SenderBus() {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected() || !bus.interface())
    return std::nullopt;
  return bus;
}

std::optional<TWindowRef> OwnerOf(const QString &name) {
  auto bus = SenderBus();
  if (!bus)
    return std::nullopt;
  QDBusReply<QString> owner = bus->interface()->serviceOwner(name);
  if (!owner.isValid() || owner.value().isEmpty())
    return std::nullopt;
  return TWindowRef{owner.value()};
}

// How long a call to another window waits for its answer. A window of the suite answers within
// milliseconds (it reads a small table or file again); no sender needs the answer to finish its
// own work, so the limit only bounds how long a sender stands still before a window that hangs
// or a foreign program that took a window's name and never answers. One second leaves a window
// slowed down by a busy machine time to answer, and keeps a parent's click from feeling stuck.
constexpr int CallTimeLimitMs = 1000;

QDBusMessage WindowCall(const TWindowRef &window, const QString &method) {
  QDBusMessage call = QDBusMessage::createMethodCall(window.sBusName, kObjectPath, kInterface, method);
  call.setAutoStartService(false);
  return call;
}

// libdbus stops reading a connection while the messages it has read and not yet released pass a
// size (63 MB unless told otherwise), and one message of 64 MB does it alone. Qt releases a
// message on the thread that handled it, where turning reading back on fails (the bus thread's
// socket notifier cannot be switched from another thread): the window would keep its names and
// never hear again. So a window's connection never stops reading; an oversized message is then
// read, matches no method and is refused with an error answer like any other stranger, and the
// memory it took is given back. The function is libdbus's own, already loaded with QtDBus.
void KeepReading(const QDBusConnection &bus) {
  using TSetMaxReceivedSize = void (*)(void *connection, long size);
  static const auto setMaxReceivedSize =
      reinterpret_cast<TSetMaxReceivedSize>(dlsym(RTLD_DEFAULT, "dbus_connection_set_max_received_size"));
  if (setMaxReceivedSize && bus.internalPointer())
    setMaxReceivedSize(bus.internalPointer(), std::numeric_limits<long>::max());
}

// The bus face of an endpoint, on the endpoint's own connection.
class TWindowAdaptor : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.pemblo.Window")
public:
  explicit TWindowAdaptor(TWindowEndpoint *endpoint) : QObject(endpoint), FEndpoint(endpoint) {}

public Q_SLOTS:
  Q_NOREPLY void Post(uint msg, qlonglong wParam, qlonglong lParam) { FEndpoint->Dispatch(msg, wParam, lParam); }
  qlonglong Send(uint msg, qlonglong wParam, qlonglong lParam) { return FEndpoint->Dispatch(msg, wParam, lParam); }
  void Activate() { FEndpoint->Activate(); }
  int Geometry(int &y, int &w, int &h) {
    const QRect r = FEndpoint->Geometry();
    y = r.y();
    w = r.width();
    h = r.height();
    return r.x();
  }

private:
  TWindowEndpoint *FEndpoint;
};

}  // namespace

QString TitleBusName(const QString &title) {
  // An element of a bus name must not begin with a digit, so the digits follow a "t".
  const QByteArray digest = QCryptographicHash::hash(title.toUtf8(), QCryptographicHash::Sha1);
  return QStringLiteral("org.pemblo.Title.t") + QString::fromLatin1(digest.toHex().left(16));
}

QString ClassBusName(const QString &className) { return QStringLiteral("org.pemblo.Class.") + className; }

std::optional<TWindowRef> FindWindowByTitle(const QString &title) { return OwnerOf(TitleBusName(title)); }

std::optional<TWindowRef> FindWindowByClass(const QString &className) { return OwnerOf(ClassBusName(className)); }

std::vector<TWindowRef> FindWindowsByClass(const QString &className) {
  std::vector<TWindowRef> windows;
  auto bus = SenderBus();
  if (!bus)
    return windows;
  QDBusMessage call =
      QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                                     QStringLiteral("org.freedesktop.DBus"), QStringLiteral("ListQueuedOwners"));
  call << ClassBusName(className);
  QDBusReply<QStringList> owners = bus->call(call);
  if (!owners.isValid())
    return windows;
  for (const QString &owner : owners.value())
    windows.push_back(TWindowRef{owner});
  return windows;
}

void PostWindowMessage(const TWindowRef &window, quint32 msg, qint64 wParam, qint64 lParam) {
  if (QPointer<QObject> local = LocalEndpoint(window.sBusName)) {
    QMetaObject::invokeMethod(local.data(), "DispatchMessage", Qt::QueuedConnection, Q_ARG(uint, msg),
                              Q_ARG(qlonglong, wParam), Q_ARG(qlonglong, lParam));
    return;
  }
  auto bus = SenderBus();
  if (!bus)
    return;
  QDBusMessage call = WindowCall(window, QStringLiteral("Post"));
  call << msg << qlonglong(wParam) << qlonglong(lParam);
  bus->send(call);
  // send() only queues the message; a short-lived sender (pemblo-config) could end before it
  // leaves. The bus handles a connection's messages in order, so once it has answered a ping
  // the post is on its way to the window. The window's own answer is still not awaited.
  bus->call(QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
                                           QStringLiteral("/org/freedesktop/DBus"),
                                           QStringLiteral("org.freedesktop.DBus.Peer"), QStringLiteral("Ping")));
}

qint64 SendWindowMessage(const TWindowRef &window, quint32 msg, qint64 wParam, qint64 lParam) {
  if (QPointer<QObject> local = LocalEndpoint(window.sBusName)) {
    qlonglong result = 0;
    CallEndpoint(local.data(), "DispatchMessage", Q_RETURN_ARG(qlonglong, result), Q_ARG(uint, msg),
                 Q_ARG(qlonglong, wParam), Q_ARG(qlonglong, lParam));
    return result;
  }
  auto bus = SenderBus();
  if (!bus)
    return 0;
  QDBusMessage call = WindowCall(window, QStringLiteral("Send"));
  call << msg << qlonglong(wParam) << qlonglong(lParam);
  QDBusReply<qlonglong> reply = bus->call(call, QDBus::Block, CallTimeLimitMs);
  return reply.isValid() ? reply.value() : 0;
}

bool ActivateWindow(const TWindowRef &window) {
  if (QPointer<QObject> local = LocalEndpoint(window.sBusName)) {
    CallEndpoint(local.data(), "Activate");
    return true;
  }
  auto bus = SenderBus();
  if (!bus)
    return false;
  return bus->call(WindowCall(window, QStringLiteral("Activate")), QDBus::Block, CallTimeLimitMs).type() ==
         QDBusMessage::ReplyMessage;
}

std::optional<QRect> GetWindowRect(const TWindowRef &window) {
  if (QPointer<QObject> local = LocalEndpoint(window.sBusName)) {
    QRect r;
    CallEndpoint(local.data(), "Geometry", Q_RETURN_ARG(QRect, r));
    return r;
  }
  auto bus = SenderBus();
  if (!bus)
    return std::nullopt;
  QDBusMessage reply = bus->call(WindowCall(window, QStringLiteral("Geometry")), QDBus::Block, CallTimeLimitMs);
  const QList<QVariant> args = reply.arguments();
  if (reply.type() != QDBusMessage::ReplyMessage || args.size() != 4)
    return std::nullopt;
  return QRect(args[0].toInt(), args[1].toInt(), args[2].toInt(), args[3].toInt());
}

TWindowEndpoint *TWindowEndpoint::Of(QWidget *window) {
  if (auto *existing = window->findChild<TWindowEndpoint *>(QString(), Qt::FindDirectChildrenOnly))
    return existing;
  return new TWindowEndpoint(window);
}

TWindowEndpoint::TWindowEndpoint(QWidget *window) : QObject(window), FWindow(window) {
  // The name must be unique in the process, and a library of the suite carries its own copy of
  // this code (and of any counter in it): a name shared with another endpoint would let one
  // window's end close the other's connection. The object's address and the time of creation
  // tell every live endpoint apart, whichever copy made it.
  static std::atomic<int> counter{0};
  FConnectionName = QStringLiteral("pemblo-window-%1-%2-%3-%4")
                        .arg(getpid())
                        .arg(quintptr(this), 0, 16)
                        .arg(QDateTime::currentMSecsSinceEpoch())
                        .arg(++counter);
  QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, FConnectionName);
  if (bus.isConnected()) {
    KeepReading(bus);
    bus.registerObject(kObjectPath, new TWindowAdaptor(this), QDBusConnection::ExportAllSlots);
    FBusName = bus.baseService();
    SetLocalEndpoint(FBusName, this);
  }
  SetTitle(window->windowTitle());
  connect(window, &QWidget::windowTitleChanged, this, &TWindowEndpoint::SetTitle);
}

TWindowEndpoint::~TWindowEndpoint() {
  if (!FBusName.isEmpty())
    SetLocalEndpoint(FBusName, nullptr);
  // Closing the connection gives up every name, so the next queued window takes over.
  QDBusConnection::disconnectFromBus(FConnectionName);
}

void TWindowEndpoint::Own(const QString &busName) {
  if (FBusName.isEmpty())
    return;
  QDBusConnection bus(FConnectionName);
  bus.interface()->registerService(busName, QDBusConnectionInterface::QueueService,
                                   QDBusConnectionInterface::DontAllowReplacement);
}

void TWindowEndpoint::Release(const QString &busName) {
  if (FBusName.isEmpty() || busName.isEmpty())
    return;
  QDBusConnection(FConnectionName).interface()->unregisterService(busName);
}

void TWindowEndpoint::SetTitle(const QString &title) {
  const QString name = title.isEmpty() ? QString() : TitleBusName(title);
  if (name == FTitleName)
    return;
  Release(FTitleName);
  FTitleName = name;
  if (!name.isEmpty())
    Own(name);
}

void TWindowEndpoint::SetClassName(const QString &className) {
  const QString name = className.isEmpty() ? QString() : ClassBusName(className);
  if (name == FClassName)
    return;
  Release(FClassName);
  FClassName = name;
  if (!name.isEmpty())
    Own(name);
}

void TWindowEndpoint::SetMessageHandler(TMessageHandler handler) { FHandler = std::move(handler); }

void TWindowEndpoint::SetOnError(TErrorEvent handler) { FOnError = std::move(handler); }

qint64 TWindowEndpoint::Dispatch(quint32 msg, qint64 wParam, qint64 lParam) {
  if (!FHandler)
    return 0;
  qint64 result = 0;
  QStringList errors;
  {
    TErrorReportScope scope([&errors](const QString &text) {
      if (!errors.contains(text))
        errors << text;
    });
    GuardedCall([&] { result = FHandler(msg, wParam, lParam); });
  }
  TellErrors(msg, errors);
  return result;
}

void TWindowEndpoint::TellErrors(quint32 msg, const QStringList &errors) {
  const QStringList told = FLastingErrors.value(msg);
  if (errors.isEmpty())
    FLastingErrors.remove(msg);
  else
    FLastingErrors.insert(msg, errors);
  // Telling must not wait on the user either.
  TErrorReportScope fallback([](const QString &text) { ShowErrorWithoutWaiting(text); });
  for (const QString &text : errors) {
    if (told.contains(text))
      continue;
    if (FOnError)
      GuardedCall([&] { FOnError(msg, text); });
    else
      ShowErrorWithoutWaiting(text);
  }
}

void TWindowEndpoint::Activate() {
  FWindow->raise();
  FWindow->activateWindow();
}

QRect TWindowEndpoint::Geometry() const { return FWindow->frameGeometry(); }

#include "WindowDirectory.moc"
