#pragma once
// The guard's interface on the system bus: org.pemblo.Guard at /org/pemblo/Guard (every call,
// who may make it and its errors: docs/host-interface.md, "The guard"). Reads and reports are
// open to every caller; a change of the parent's rules needs a parent session of the calling
// connection, opened with the parent's password. The caller is known by the bus (the Unix user
// of its connection), never by an argument. The guard works on its own files through the same
// data layer as the suite's programs in single-account mode, so the formats are one.
#include "common/uGuardLink.h"
#include "common/uPenalta.h"
#include "guard/uAccountLock.h"
#include "guard/uAgentWatch.h"
#include "guard/uCallerQuota.h"
#include "guard/uGuardLogs.h"
#include "guard/uParentSessions.h"

#include <QByteArray>
#include <QDBusContext>
#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <initializer_list>
#include <optional>

class TGuardService : public QObject, protected QDBusContext {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.pemblo.Guard")
public:
  struct TOptions {
    int iSessionIdleSeconds = 600;
    QString sParentsGroup = QStringLiteral("pemblo-parents");
    // logs: the seconds after a session's capture when the next is overdue; 0 for the settings'
    // capture period and a margin.
    int iCaptureDueSeconds = 0;
    // The session agent's watch: its group and, for tests, how much faster its waits pass.
    TAgentWatch::TOptions oAgentWatch;
  };
  TGuardService(const QDBusConnection &bus, const TOptions &options, QObject *parent = nullptr);

public slots:
  // Open to every caller.
  Q_SCRIPTABLE QByteArray GetSettings();
  Q_SCRIPTABLE TGuardRows GetLimits();
  Q_SCRIPTABLE int CountLimits();
  Q_SCRIPTABLE TGuardRows GetBlackList();
  Q_SCRIPTABLE TGuardRows GetViolations();
  Q_SCRIPTABLE TGuardRows GetCancelRecords();
  Q_SCRIPTABLE int GetCardCount();
  Q_SCRIPTABLE QString ReadMachineValue(const QString &key, const QString &name);
  Q_SCRIPTABLE bool PasswordState(bool &damaged, int &secondsLocked);
  Q_SCRIPTABLE void ReportVisit(const QString &address);
  Q_SCRIPTABLE void ReportBlocked(const QString &address, const QString &findings);
  Q_SCRIPTABLE void ReportBlackListVisit(const QString &address, int key);
  // Violations and cards only ever count against the child: a child's account (or root) adds them.
  Q_SCRIPTABLE int AddViolation(const QString &datetime, const QString &item);
  Q_SCRIPTABLE int GiveCards(int count, bool &lockDue);
  Q_SCRIPTABLE QString OpenParentSession(const QString &password);
  Q_SCRIPTABLE void EndParentSession();
  // The first password: root or the parents' group; a new one: a parent session (or root).
  Q_SCRIPTABLE void SetPassword(const QString &password);

  // Inside a parent session (or as root).
  Q_SCRIPTABLE void SetSettings(const QByteArray &stream);
  Q_SCRIPTABLE int AddLimit(const QString &app, const QString &schedule);
  Q_SCRIPTABLE int DeleteLimit(int aid);
  Q_SCRIPTABLE int AddBlackListRow(const QString &address, const QString &schedule);
  Q_SCRIPTABLE int DeleteBlackListRow(int wid);
  Q_SCRIPTABLE int DeleteViolation(int hid);
  Q_SCRIPTABLE int CancelCards(int count);
  Q_SCRIPTABLE int AddCancelRecord(const QString &day, const QString &reason);
  Q_SCRIPTABLE int DeleteCancelRecord(int cid);
  // The parent's week report of the guard's logs and tables, the week ending with the day
  // (yyyy-MM-dd): the counts, never the logs. A day's captures: their names, and one picture as
  // a file the guard opened (never a path), read by the caller.
  Q_SCRIPTABLE QByteArray GetWeekReport(const QString &lastDay);
  Q_SCRIPTABLE QStringList GetDayCaptures(const QString &day);
  Q_SCRIPTABLE QDBusUnixFileDescriptor GetCapture(const QString &day, const QString &name);
  // Outside a parent session the answer is false and nothing is written, as for a hive that
  // cannot be written.
  Q_SCRIPTABLE bool WriteMachineValue(const QString &key, const QString &name, const QString &value);

  // ---- logs: the sessions' screen captures, kept by the guard (open to every caller).
  Q_SCRIPTABLE void StoreCapture(const QByteArray &png);
  // ---- the session agent and the lock kept by the guard
  // The host of the caller's session registers as its agent, until its connection leaves the bus.
  // True when the account is locked: the host starts its lock program.
  Q_SCRIPTABLE bool RegisterSessionAgent();
  // The lock program of the caller's session registers, until its connection leaves the bus.
  Q_SCRIPTABLE void RegisterLock();
  // Open to anyone (the login's account check asks it).
  Q_SCRIPTABLE bool IsAccountLocked(const QString &user);
  // Inside a parent session (or as root): gives the account's lock back.
  Q_SCRIPTABLE void ReleaseLock(const QString &user);

signals:
  // origin: the unique bus name of the connection whose call made the change.
  Q_SCRIPTABLE void SettingsChanged(const QString &origin);
  Q_SCRIPTABLE void LimitsChanged(const QString &origin, int change, int key);
  Q_SCRIPTABLE void BlackListChanged(const QString &origin, int change, int key);
  Q_SCRIPTABLE void CardCountChanged(const QString &origin, int count);
  // ---- the session agent and the lock kept by the guard
  // The account is locked: its host starts the lock program.
  Q_SCRIPTABLE void LockDue(uint uid);

  // ---- limits: the children's accounts and the program limits the guard enforces
public slots:
  // Parent: puts the account into the children's group (made when missing).
  Q_SCRIPTABLE void AddChild(const QString &user);
signals:
  // A program of the account was ended by the guard: its host shows the child's notice.
  Q_SCRIPTABLE void ProgramEnded(uint uid, const QString &name);
  // Inside the guard only: the children's group changed.
  void ChildrenChanged();

public:
  // Tells the bus what the guard's limits did: the program ended, the card count after the card
  // (none when it could not be stored).
  void TellProgramEnded(uint uid, const QString &name, const std::optional<TPenalta::TStoredChange> &card);
  // ---- end of limits

private:
  // Runs work and answers its errors as the guard's failure with their text.
  template <class T> T Serve(const std::function<T()> &work, T fallback = T());
  // True for a caller in a parent session (whose idle time starts again) or root.
  bool InParentSession();
  // InParentSession, or else answers the refusal.
  bool ParentCall();
  uint CallerUid() const;
  // The user of the last caller's connection, as the bus answered.
  struct TCallerUid {
    QString sCaller;
    uint iUid = uint(-1);
  };
  mutable TCallerUid FCallerUid;
  bool CallerIsRootOrParent() const;
  bool CallerIsChild() const;
  // True for root or a child's account (violations and cards count only against a child);
  // otherwise answers the refusal.
  bool ChildCall();
  void Refuse(const QString &error, const QString &text);
  // True when the caller's quota takes a call of these texts; otherwise answers the refusal.
  bool Within(TCallerQuota &quota, std::initializer_list<QString> texts);
  // The caller's password, with the wrong tries of the caller's account.
  class TParentPassword CallersPassword() const;
  QString Caller() const;

  QDBusConnection FBus;
  TOptions FOptions;
  TParentSessions FSessions;
  TCallerQuota FReports;     // log lines
  TCallerQuota FViolations;  // violation rows and cards

  // ---- logs
  void ApplyLogValues();
  TGuardLogs FLogs;
  // ---- the session agent and the lock kept by the guard
  TAgentWatch FAgents;
  TAccountLock FLock;
  // Cards past three given to a watched account lock it.
  void CardsPassed(uint uid);
};
