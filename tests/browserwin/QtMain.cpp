// The main of the browser window tests: the widgets need an application, and the web engine
// wants its drawing contexts shared before the application starts.
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char **argv) {
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
