#pragma once
// The window directory: how the processes of the suite find one another's top-level windows
// and send them plain window messages, over the D-Bus session bus.
//
// A window that others look up by title owns the bus name TitleBusName(title),
// "org.pemblo.Title.t" + the first 16 lowercase hex digits of SHA-1 of the UTF-8 title; a window with a
// registered class name also owns ClassBusName(class). Each window has its own bus connection
// that serves the object /window with the interface org.pemblo.Window:
//   Post(u msg, x wParam, x lParam)      no reply awaited (PostMessage)
//   Send(u msg, x wParam, x lParam) -> x synchronous (SendMessage)
//   Activate()                           bring to the front (SetForegroundWindow)
//   Geometry() -> (i x, i y, i w, i h)   outer rectangle (GetWindowRect)
// Several windows of one title or class queue for the name: the first answers, the next takes
// over when it goes. Every window queued for a class can be reached through FindWindowsByClass.
// No bus or no owner: nothing is found and senders go on silently.
#include <QHash>
#include <QObject>
#include <QRect>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

class QWidget;

// A window of any process: the unique bus name of the connection that serves it.
struct TWindowRef {
  QString sBusName;
  bool operator==(const TWindowRef &) const = default;
};

QString TitleBusName(const QString &title);
QString ClassBusName(const QString &className);

// FindWindowW with a null class: the first window with this title, any class, any process.
std::optional<TWindowRef> FindWindowByTitle(const QString &title);
// FindWindowW with a null title: the first window registered under this class name.
std::optional<TWindowRef> FindWindowByClass(const QString &className);
// Every window registered under this class name, the one FindWindowByClass returns first.
std::vector<TWindowRef> FindWindowsByClass(const QString &className);

// Posts a message; a window that has gone meanwhile is skipped silently.
void PostWindowMessage(const TWindowRef &window, quint32 msg, qint64 wParam, qint64 lParam);
// Sends a message and waits for the window's answer, at most a second; 0 when the window has
// gone or did not answer in time (the message may still be handled later).
qint64 SendWindowMessage(const TWindowRef &window, quint32 msg, qint64 wParam, qint64 lParam);
// Brings the window to the front (a minimised window stays minimised); false when gone or
// when it did not answer within the same second.
bool ActivateWindow(const TWindowRef &window);
// The outer rectangle of the window, or nothing when it has gone or did not answer in time.
std::optional<QRect> GetWindowRect(const TWindowRef &window);

// The presence of one top-level window in the directory. It lives as a child of the window,
// owns the bus name of the window's current title (following title changes) and, once set, of
// its class name, and hands incoming messages to the message handler inside the error guard.
// A message's handler never waits on the user: a flood of messages would open box inside box.
// Its errors are told once each, when they begin, and not again while they last (until that
// message is handled without them): to the error event, or else in a box that does not wait.
class TWindowEndpoint : public QObject {
  Q_OBJECT
public:
  using TMessageHandler = std::function<qint64(quint32 msg, qint64 wParam, qint64 lParam)>;

  // The endpoint of this window, created on first use.
  static TWindowEndpoint *Of(QWidget *window);

  ~TWindowEndpoint() override;

  void SetClassName(const QString &className);
  void SetMessageHandler(TMessageHandler handler);
  using TErrorEvent = std::function<void(quint32 msg, const QString &text)>;
  void SetOnError(TErrorEvent handler);
  // The unique bus name of this window; empty when there is no session bus.
  QString BusName() const { return FBusName; }

  // Called by the bus side and by senders in this process (by name, as Q_INVOKABLE, since a
  // library of the suite may hold another copy of this class).
  qint64 Dispatch(quint32 msg, qint64 wParam, qint64 lParam);
  Q_INVOKABLE qlonglong DispatchMessage(uint msg, qlonglong wParam, qlonglong lParam) {
    return Dispatch(msg, wParam, lParam);
  }
  Q_INVOKABLE void Activate();
  Q_INVOKABLE QRect Geometry() const;

private:
  explicit TWindowEndpoint(QWidget *window);
  void SetTitle(const QString &title);
  void Own(const QString &busName);
  void Release(const QString &busName);
  void TellErrors(quint32 msg, const QStringList &errors);

  QWidget *FWindow;
  QString FConnectionName;
  QString FBusName;
  QString FTitleName;
  QString FClassName;
  TMessageHandler FHandler;
  TErrorEvent FOnError;
  // The errors of each message's last handling, told already.
  QHash<quint32, QStringList> FLastingErrors;
};
