// Draws every picture of the skin into a folder (default: assets/skin of the source tree), each
// part of the suite from a file of its own (tools/skingen/Skin<Part>.cpp).
//
//   pemblo_skingen <output folder>
#include "tools/skingen/SkinDraw.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>
#include <exception>

int main(int argc, char **argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: pemblo_skingen <output folder>\n");
    return 2;
  }
  const QString folder = QString::fromLocal8Bit(argv[1]);
  SetSkinFolder(folder);
  QDir().mkpath(folder);
  try {
    DrawButtons();
    DrawManage();
    DrawCards();
    DrawCentre();
    DrawViewer();
    DrawBrowser();
  } catch (const std::exception &e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
