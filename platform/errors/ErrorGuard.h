#pragma once
// The error report of the user interface: every handler of a user action, timer, window message
// or window show runs inside this guard. An exception is shown in a message box with its text
// and the window goes on; no exception crosses the Qt event loop.
#include <QApplication>
#include <QString>
#include <functional>
#include <utility>

// Shows the text the way the toolkit reports an error: a message box with a stop icon and OK.
// Without a widget application (command-line tools) the text goes to standard error.
void ShowErrorMessage(const QString &text);

// Runs the action; an exception it raises is shown and swallowed.
void GuardedCall(const std::function<void()> &action) noexcept;

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
