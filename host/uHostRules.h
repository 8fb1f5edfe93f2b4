#pragma once
// The parent's rules in force in the host: the program limits (TAppLimiter; in guarded mode the
// guard's, whose ProgramEnded signal for this user shows the child's notice), the log values
// (TLogKeeper) and the violations the browser reports for the web black list. It listens to
// the notices of the host's windows: WM_APPSUPDATE reloads the limits, WM_CFGUPDATE applies the
// log values again (each once after the notices waiting have been read, however many came),
// WM_WEBBLOCKED (wParam the black-list row) records a violation (in guarded mode only told: the
// guard records it from the browser's report). A card database that had to be
// replaced, or that a full disk keeps read-only, is named in the notices.
#include "common/uAppLimiter.h"
#include "host/uLogKeeper.h"
#include "host/uViolations.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <map>

class TCfMrg;
class TFrmHostMain;

class THostRules : public QObject {
public:
  THostRules(
      TFrmHostMain &main, TCfMrg &cfMrg, TAppLimiter::TClock clock = [] { return QDateTime::currentDateTime(); });

  // Reads the rules and starts watching.
  void Start();

  TAppLimiter &Limiter() { return FLimiter; }
  TLogKeeper &LogKeeper() { return FLogKeeper; }

private:
  void Notice(quint32 msg, qint64 wParam, qint64 lParam);
  // Runs the rules' own work for a notice (`what`, its name) after the notices that asked for
  // it, or on the minute's timer: its errors go to the host's notices as a notice's do, each
  // told once while it lasts, never as a box that waits (it would stop nothing and wait on
  // nobody, and a box a minute piles up).
  void RunReported(const QString &what, const std::function<void()> &work);
  static QString ChildProgramNotice(const QString &name);
  // In guarded mode the guard ended a program of this user and recorded it: the notice only.
  void GuardEndedProgram(const QString &name);
  void Violation(const QString &item, const QString &toChild);
  // Lists what opening the card database had to do (a damaged file replaced, a full disk).
  void TellDataNotes();

  // A black-list violation counts once a minute per row, so a flood of notices gives no flood
  // of cards.
  static inline constexpr int WebQuietMs = 60000;

  TFrmHostMain &FMain;
  std::map<qint64, QElapsedTimer> FWebReported;
  QTimer FReloadTimer;
  QHash<QString, QStringList> FLastingErrors;  // by the notice's name, the errors told
  QTimer FAppsTimer;                           // WM_APPSUPDATE waiting
  QTimer FCfgTimer;                            // WM_CFGUPDATE waiting
  TCfMrg &FCfMrg;
  TAppLimiter FLimiter;
  TLogKeeper FLogKeeper;
  TViolations FViolations;
};
