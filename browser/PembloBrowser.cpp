// PembloBrowser: the filtered tabbed browser. Takes at most one address on its command line.
#include "browser/uChild.h"
#include "browser/uFrmMain.h"
#include "browser/uTextLog.h"
#include "common/uAppcf.h"
#include "controls/uFonts.h"
#include "platform/errors/ErrorGuard.h"

#include <exception>
#include <memory>

int main(int argc, char *argv[]) {
  // The web engine shares its drawing contexts with the widgets; this must precede the application.
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  TGuardedApplication app(argc, argv);
  InstallFontSubstitutes();

  // The settings and the browse log come before any window; an error here ends the start.
  std::unique_ptr<TCfMrg> cfMrg;
  std::unique_ptr<TTextLogManager> textLog;
  try {
    cfMrg = std::make_unique<TCfMrg>();
    textLog = std::make_unique<TTextLogManager>();
  } catch (const std::exception &e) {
    ShowErrorMessage(QString::fromUtf8(e.what()));
    return 1;
  }
  PageServices = {cfMrg.get(), textLog.get()};

  int result = 0;
  {
    TFrmMain frmMain(app.arguments().mid(1));
    frmMain.show();
    result = app.exec();
  }
  PageServices = {};
  return result;
}
