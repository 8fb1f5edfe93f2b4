// A host that is not ours, for the tests of the libraries' exports: a plain application that
// installed no translations, in a folder laid out like the product. It loads the three libraries
// from its folder as our host does, calls the one export named on its command line, and reports
// the error guard's message box before and after, one line each:
//   box <its text>: <its buttons' texts>
// It then runs until it is ended.
//   host_export_probe ShowMrgMain|ShowYCardMenu|PembloBox
#include "host/uSuiteLibraries.h"
#include "platform/errors/ErrorGuard.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <string>

namespace {

void Say(const QString &line) {
  std::fputs((line + "\n").toUtf8().constData(), stdout);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char **argv) {
  QApplication app(argc, argv);
  if (argc != 2)
    return 2;
  const std::string name = argv[1];

  // Every box reports itself and is closed, those an export might show as well.
  QTimer boxes;
  QObject::connect(&boxes, &QTimer::timeout, [] {
    auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
    if (!box)
      return;
    QStringList buttons;
    for (QAbstractButton *button : box->buttons())
      buttons << button->text();
    Say("box " + box->text() + ": " + buttons.join(u' '));
    box->close();
  });
  boxes.start(10);

  QWidget host;
  host.resize(150, 410);
  host.show();
  const TSuiteLibraries libraries(QCoreApplication::applicationDirPath());
  ShowErrorMessage(QStringLiteral("before"));
  if (name == "ShowMrgMain" && libraries.ShowMrgMain())
    libraries.ShowMrgMain()(100, 100);
  else if (name == "ShowYCardMenu" && libraries.ShowYCardMenu())
    libraries.ShowYCardMenu()(100, 100);
  else if (name == "PembloBox" && libraries.PembloBox())
    libraries.PembloBox()(host.winId());
  else
    Say("no export " + QString::fromStdString(name));
  ShowErrorMessage(QStringLiteral("after"));
  return app.exec();
}
