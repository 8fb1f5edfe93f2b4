// PembloExternal: the learning-information viewer. It takes no arguments and runs once at a time.
#include "common/uScreenServices.h"
#include "controls/uFonts.h"
#include "datastore/uDBMrgFactory.h"
#include "platform/errors/ErrorGuard.h"
#include "platform/os/MachineTimeZone.h"
#include "platform/os/NamedMutex.h"
#include "platform/os/PageProgramStart.h"
#include "platform/os/UiLanguage.h"
#include "viewer/uFrmExternal.h"

#include <exception>
#include <memory>

int main(int argc, char *argv[]) {
  // Before any time is read: the rules are the machine's, not a start line's time zone.
  UseMachineTimeZone();
  // Held until the process ends. A second start ends at once, without a window or a message.
  const TNamedMutex mutex(QStringLiteral("D13765B7-7FAC-44D8-877E-296842F7A8B9"));
  if (mutex.AlreadyExists())
    return 0;

  // The web engine shares its drawing contexts with the widgets; this must precede the application.
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  // Qt and the engine get no switch from the start line or the environment.
  TPageProgramStart start(argc, argv, 0);
  TGuardedApplication app(start.Argc(), start.Argv());
  InstallChineseUiLanguage();
  InstallFontSubstitutes();

  // The page is screened as the browser's are; without the settings, the block log or the black
  // list the viewer shows no page at all: the error is said and the start ends.
  std::unique_ptr<TScreenServices> services;
  try {
    services = std::make_unique<TScreenServices>();
  } catch (const std::exception &e) {
    ShowErrorMessage(QString::fromUtf8(e.what()));
    return 1;
  }
  // A damaged card database was replaced, or a full disk keeps it read-only: said once.
  for (const QString &note : TDBMrgFactory::TakeNotes())
    ShowErrorMessage(note);

  TFrmExternal frmExternal;
  frmExternal.show();
  return app.exec();
}
