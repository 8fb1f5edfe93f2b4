// The host's capture keeper in a session of the child: stores one picture as its capture timer
// would and prints "stored 1" (or "stored 0") after any notice it gave ("notice <text>").
#include "host/uLogKeeper.h"

#include <QGuiApplication>
#include <QImage>
#include <cstdio>

int main(int argc, char **argv) {
  QGuiApplication app(argc, argv);
  TLogKeeper keeper;
  keeper.SetOnNotice([](const QString &text) { std::printf("notice %s\n", text.toUtf8().constData()); });
  QImage picture(8, 6, QImage::Format_RGB32);
  picture.fill(Qt::darkRed);
  std::printf("stored %d\n", int(keeper.Store(picture)));
  return 0;
}
