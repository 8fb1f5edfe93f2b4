#include "platform/errors/ErrorGuard.h"

#include <QMessageBox>
#include <cstdio>
#include <exception>

namespace {

thread_local TErrorReportScope *InnermostScope = nullptr;

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

void ShowErrorWithoutWaiting(const QString &text) {
  if (!qobject_cast<QApplication *>(QCoreApplication::instance())) {
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    return;
  }
  static const char *const NoWait = "pembloNoWait";
  for (QWidget *window : QApplication::topLevelWidgets())
    if (auto *open = qobject_cast<QMessageBox *>(window);
        open && open->property(NoWait).toBool() && open->isVisible() && open->text() == text)
      return;
  auto *box = new QMessageBox(QMessageBox::Critical, QApplication::applicationDisplayName(), text, QMessageBox::Ok);
  box->setProperty(NoWait, true);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setWindowModality(Qt::NonModal);
  box->show();
}

TErrorReportScope::TErrorReportScope(TReportEvent report) : FReport(std::move(report)), FOuter(InnermostScope) {
  InnermostScope = this;
}

TErrorReportScope::~TErrorReportScope() { InnermostScope = FOuter; }

const TErrorReportScope::TReportEvent *TErrorReportScope::Current() {
  return InnermostScope ? &InnermostScope->FReport : nullptr;
}

void GuardedCall(const std::function<void()> &action) noexcept {
  try {
    action();
  } catch (...) {
    const QString text = CurrentErrorText();
    try {
      if (const auto *report = TErrorReportScope::Current())
        (*report)(text);
      else
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
