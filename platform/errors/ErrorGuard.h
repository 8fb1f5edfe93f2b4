#pragma once
// The error report of the user interface: every handler of a user action, timer, window message
// or window show runs inside this guard. An exception is shown in a message box with its text
// and the window goes on; no exception crosses the Qt event loop. A handler that must not wait
// on the user (a window message: the next one would open its box inside the last) hands its
// errors to a report of its own instead.
#include <QApplication>
#include <QString>
#include <functional>
#include <utility>

// Shows the text the way the toolkit reports an error: a message box with a stop icon and OK.
// Without a widget application (command-line tools) the text goes to standard error.
void ShowErrorMessage(const QString &text);

// Shows the text in a message box that does not wait for its OK (no event loop of its own);
// while such a box with the same text is open, no second one is opened.
void ShowErrorWithoutWaiting(const QString &text);

// Runs the action; an exception it raises is shown and swallowed (or handed to the report of
// the innermost TErrorReportScope of this thread).
void GuardedCall(const std::function<void()> &action) noexcept;

// While it lives, the guard hands the errors it catches on this thread to the report instead
// of showing them in a modal box, also those of guards nested inside the handler.
class TErrorReportScope {
public:
  using TReportEvent = std::function<void(const QString &text)>;
  explicit TErrorReportScope(TReportEvent report);
  ~TErrorReportScope();
  TErrorReportScope(const TErrorReportScope &) = delete;
  TErrorReportScope &operator=(const TErrorReportScope &) = delete;

  // The report of the innermost scope of this thread; null outside every scope.
  static const TReportEvent *Current();

private:
  TReportEvent FReport;
  TErrorReportScope *FOuter;
};

// Wraps a slot or callback so that its exceptions are shown instead of escaping, e.g.
// connect(btnAdd, &QPushButton::clicked, this, Guarded([this] { btnAddClick(); })).
template <class F> auto Guarded(F f) {
  return [f = std::move(f)](auto &&...args) { GuardedCall([&] { f(std::forward<decltype(args)>(args)...); }); };
}

// An application whose event delivery runs inside the guard, so an exception escaping any
// event handler is reported and the event loop goes on.
class TGuardedApplication : public QApplication {
public:
  TGuardedApplication(int &argc, char **argv) : QApplication(argc, argv) {}
  bool notify(QObject *receiver, QEvent *event) override;
};
