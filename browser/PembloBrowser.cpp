// PembloBrowser: the filtered tabbed browser. Takes at most one address on its command line.
#include "browser/uBrowserServices.h"
#include "browser/uFrmMain.h"
#include "controls/uFonts.h"
#include "datastore/uDBMrgFactory.h"
#include "platform/errors/ErrorGuard.h"
#include "platform/os/MachineTimeZone.h"
#include "platform/os/PageProgramStart.h"
#include "platform/os/UiLanguage.h"

#include <exception>
#include <memory>

int main(int argc, char *argv[]) {
  // Before any time is read: the rules are the machine's, not a start line's time zone.
  UseMachineTimeZone();
  // The web engine shares its drawing contexts with the widgets; this must precede the application.
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  // Qt and the engine get no switch from the start line or the environment.
  TPageProgramStart start(argc, argv, 1);
  TGuardedApplication app(start.Argc(), start.Argv());
  InstallChineseUiLanguage();
  InstallFontSubstitutes();

  // The settings and the browse log come before any window; an error here ends the start.
  std::unique_ptr<TBrowserServices> services;
  try {
    services = std::make_unique<TBrowserServices>();
  } catch (const std::exception &e) {
    ShowErrorMessage(QString::fromUtf8(e.what()));
    return 1;
  }
  // A damaged card database was replaced, or a full disk keeps it read-only: said once.
  for (const QString &note : TDBMrgFactory::TakeNotes())
    ShowErrorMessage(note);

  TFrmMain frmMain(app.arguments().mid(1));
  frmMain.show();
  return app.exec();
}
