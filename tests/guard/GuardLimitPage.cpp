// The page "限制程序" of the management window as a parent uses it in guarded mode: opened
// offscreen, with a parent session first when a password is given (the first argument, "-" for
// none), its button "添加孩子账户" clicked and the account (the second argument) typed into the
// dialog and sent with Enter. Prints "button" when the page has the button, "box <text>" for
// each error box it shows (then closed), and "done" once the click is answered.
#include "common/uGuardLink.h"
#include "common/uPassword.h"
#include "controls/uPngButton.h"
#include "manage/uFrmLimitApp.h"
#include "platform/errors/ErrorGuard.h"

#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <cstdio>

namespace {

void Say(const QString &line) {
  std::fputs((line + "\n").toUtf8().constData(), stdout);
  std::fflush(stdout);
}

// Types the account into the dialog once it shows, and reports and closes every error box.
void AnswerDialogs(const QString &user) {
  auto *timer = new QTimer(QApplication::instance());
  QObject::connect(timer, &QTimer::timeout, [user] {
    for (QWidget *w : QApplication::topLevelWidgets()) {
      if (!w->isVisible())
        continue;
      if (auto *dialog = qobject_cast<QInputDialog *>(w)) {
        auto *edit = dialog->findChild<QLineEdit *>();
        QTest::keyClicks(edit, user);
        QTest::keyClick(edit, Qt::Key_Return);
      } else if (auto *box = qobject_cast<QMessageBox *>(w)) {
        Say(QStringLiteral("box ") + box->text());
        box->accept();
      }
    }
  });
  timer->start(20);
}

}  // namespace

int main(int argc, char **argv) {
  TGuardedApplication app(argc, argv);
  const QStringList args = app.arguments();
  if (args.size() != 3 || !TGuardLink::Active())
    return 2;
  if (args.at(1) != QStringLiteral("-") && TParentPassword().Check(args.at(1)) != TPasswordCheck::Right)
    return 3;
  TFrmLimitApp page(nullptr);
  page.show();
  if (!QTest::qWaitForWindowExposed(&page) || !page.btnAddChild)
    return 4;
  Say(QStringLiteral("button"));
  AnswerDialogs(args.at(2));
  QTest::mouseClick(page.btnAddChild, Qt::LeftButton, Qt::NoModifier, page.btnAddChild->rect().center());
  // The error box opens after the dialog is answered, inside the click.
  Say(QStringLiteral("done"));
  return 0;
}
