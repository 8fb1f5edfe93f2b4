#include "platform/errors/ErrorGuard.h"

#include <QMessageBox>
#include <cstdio>
#include <exception>

namespace {

// The text of the exception in flight; called only inside a catch block.
QString CurrentErrorText() {
  try {
    throw;
  } catch (const std::exception &e) {
    return QString::fromUtf8(e.what());
  } catch (...) {
    return QStringLiteral("Unknown error");
  }
}

}  // namespace

void ShowErrorMessage(const QString &text) {
  if (qobject_cast<QApplication *>(QCoreApplication::instance())) {
    QMessageBox box(QMessageBox::Critical, QApplication::applicationDisplayName(), text, QMessageBox::Ok);
    box.exec();
  } else {
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
  }
}

void GuardedCall(const std::function<void()> &action) noexcept {
  try {
    action();
  } catch (...) {
    const QString text = CurrentErrorText();
    try {
      ShowErrorMessage(text);
    } catch (...) {
      // Showing the report failed as well; the window still goes on.
    }
  }
}

bool TGuardedApplication::notify(QObject *receiver, QEvent *event) {
  bool handled = false;
  GuardedCall([&] { handled = QApplication::notify(receiver, event); });
  return handled;
}
