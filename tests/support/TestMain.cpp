// The one main of every test program: one guarded application for the whole run (widgets need
// it, and an exception escaping a handler is reported as the suite reports it), with the web
// engine's drawing contexts shared before the application starts.
#include "platform/errors/ErrorGuard.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

int main(int argc, char **argv) {
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  ::testing::InitGoogleTest(&argc, argv);
  TGuardedApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
