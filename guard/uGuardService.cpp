#include "guard/uGuardService.h"

#include "common/uAppcf.h"
#include "common/uDayCaptures.h"
#include "common/uLogTrimmer.h"
#include "common/uPassword.h"
#include "common/uPenalta.h"
#include "common/uRegistryHelper.h"
#include "common/uTextLog.h"
#include "common/uWeekReport.h"
#include "datastore/uAppsDao.h"
#include "datastore/uCancelRecordsDao.h"
#include "datastore/uHistoryRecordsDao.h"
#include "datastore/uWebsDao.h"
#include "guard/uChildAccounts.h"
#include "guard/uGuardCards.h"
#include "platform/os/FileDescriptor.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDebug>
#include <QStringList>
#include <algorithm>
#include <exception>
#include <grp.h>
#include <pwd.h>
#include <vector>

namespace {

const QString kNeedParentText = QStringLiteral("这项修改需要家长密码。");

// What a caller may put into a file of the guard: one line of at most this many characters.
constexpr qsizetype MaxText = 2048;

QString OneLine(const QString &text) {
  QString line;
  for (const QChar c : text.left(MaxText))
    if (c.unicode() >= 0x20 && c.unicode() != 0x7f && c != QChar(0x2028) && c != QChar(0x2029))
      line += c;
  return line;
}

// The key path as the registry compares it: its parts, case folded.
QStringList FoldedParts(const QString &key) {
  QStringList parts = key.split(u'\\', Qt::SkipEmptyParts);
  for (QString &part : parts)
    part = part.toCaseFolded();
  return parts;
}

bool SuiteKey(const QString &key) {
  const QStringList parts = FoldedParts(key);
  return parts.size() >= 2 && parts[0] == QStringLiteral("software") && parts[1] == QStringLiteral("pemblo");
}

bool OneOfSuiteValues(const QString &key, const QString &name, const QStringList &names) {
  return SuiteKey(key) && FoldedParts(key).size() == 2 && names.contains(name.toCaseFolded());
}

// The parent's password and its tries (one value an account): nobody but the guard reads them (a hash read is a hash
// that can be attacked at leisure).
bool PasswordValue(const QString &key, const QString &name) {
  return OneOfSuiteValues(key, name, {QStringLiteral("parentpassword")}) ||
         (SuiteKey(key) && FoldedParts(key).size() == 2 &&
          name.toCaseFolded().startsWith(TParentPassword::TriesValue.toCaseFolded()));
}

// The values only the guard's own calls change: those and the card count.
bool GuardOnlyValue(const QString &key, const QString &name) {
  return PasswordValue(key, name) || OneOfSuiteValues(key, name, {TPenalta::CountValue.toCaseFolded()});
}

template <class TList, class TRow> TGuardRows RowsOf(const TList &list, TRow row) {
  TGuardRows rows;
  for (const auto &model : list)
    rows.push_back(row(*model));
  return rows;
}

}  // namespace

TGuardService::TGuardService(const QDBusConnection &bus, const TOptions &options, QObject *parent)
    : QObject(parent), FBus(bus), FOptions(options), FSessions(bus, options.iSessionIdleSeconds),
      // A browser reports a line for each address it is asked for; a day of real browsing is far
      // below these. A child's violations come from limits that count once per start or minute.
      FReports({300, 20, 20 * 1024 * 1024}), FViolations({30, 0.2, 4 * 1024 * 1024}), FLogs(options.iCaptureDueSeconds),
      FAgents(bus, options.oAgentWatch), FLock(bus) {
  // ---- logs
  FLogs.SetOnNotice([](const QString &text) { qWarning().noquote() << "pemblo-guard:" << text; });
  ApplyLogValues();
  connect(this, &TGuardService::SettingsChanged, this, &TGuardService::ApplyLogValues);
  // ---- the session agent and the lock kept by the guard
  FAgents.SetOnCard([this](uint uid, int32_t count, bool passed) {
    emit CardCountChanged(FBus.baseService(), count);
    if (passed)
      CardsPassed(uid);
  });
  FLock.SetOnLockDue([this](uint uid) { emit LockDue(uid); });
  FLock.SetOnRelease([this](uint uid) { FAgents.Release(uid); });
}

template <class T> T TGuardService::Serve(const std::function<T()> &work, T fallback) {
  try {
    return work();
  } catch (const std::exception &e) {
    Refuse(GuardBus::ErrorFailed, QString::fromUtf8(e.what()));
    return fallback;
  }
}

void TGuardService::Refuse(const QString &error, const QString &text) {
  if (calledFromDBus())
    sendErrorReply(error, text);
}

QString TGuardService::Caller() const { return calledFromDBus() ? message().service() : QString(); }

uint TGuardService::CallerUid() const {
  // The bus daemon vouches for the user of the connection; nothing the caller says counts. A
  // connection's user never changes and its unique name is never given again, so the answer for
  // the last caller stands: one call's several checks ask the bus once.
  const QString caller = Caller();
  if (caller != FCallerUid.sCaller) {
    const QDBusReply<uint> uid = FBus.interface()->serviceUid(caller);
    FCallerUid = {caller, uid.isValid() ? uid.value() : uint(-1)};
  }
  return FCallerUid.iUid;
}

bool TGuardService::CallerIsRootOrParent() const {
  const uint uid = CallerUid();
  return uid == 0 || (uid != uint(-1) && AccountInGroup(uid, FOptions.sParentsGroup));
}

bool TGuardService::CallerIsChild() const {
  const uint uid = CallerUid();
  return uid != uint(-1) && AccountInGroup(uid, FOptions.oAgentWatch.sChildrenGroup);
}

bool TGuardService::ChildCall() {
  if (CallerUid() == 0 || CallerIsChild())
    return true;
  Refuse(GuardBus::ErrorDenied, QStringLiteral("只有孩子账户的违约才记下。"));
  return false;
}

bool TGuardService::Within(TCallerQuota &quota, std::initializer_list<QString> texts) {
  qint64 bytes = 0;
  for (const QString &text : texts)
    bytes += std::min(text.size(), MaxText) * 2;
  if (quota.Take(CallerUid(), bytes))
    return true;
  Refuse(GuardBus::ErrorFailed, QStringLiteral("请求太多，请稍后再试。"));
  return false;
}

TParentPassword TGuardService::CallersPassword() const {
  // Every account counts its own wrong tries: a child guessing makes the child's account wait,
  // never the parent's own.
  return TParentPassword([] { return QDateTime::currentDateTimeUtc(); },
                         TParentPassword::TriesValue + QStringLiteral(".%1").arg(CallerUid()));
}

bool TGuardService::InParentSession() { return FSessions.Use(Caller()) || CallerUid() == 0; }

bool TGuardService::ParentCall() {
  if (InParentSession())
    return true;
  Refuse(GuardBus::ErrorNeedParent, kNeedParentText);
  return false;
}

// ---- open to every caller

QByteArray TGuardService::GetSettings() {
  return Serve<QByteArray>([] { return WriteAppCfStream(TCfMrg().AppCf()); });
}

TGuardRows TGuardService::GetLimits() {
  return Serve<TGuardRows>([] {
    return RowsOf(TAppsDao().QueryAll(), [](const TAppsModel &m) { return TGuardRow{m.iAid, m.sApp, m.sDt}; });
  });
}

int TGuardService::CountLimits() {
  return Serve<int>([] { return TAppsDao().CountAll(); });
}

TGuardRows TGuardService::GetBlackList() {
  return Serve<TGuardRows>([] {
    return RowsOf(TWebsDao().QueryAll(), [](const TWebsModel &m) { return TGuardRow{m.iWid, m.sUrl, m.sDt}; });
  });
}

TGuardRows TGuardService::GetViolations() {
  return Serve<TGuardRows>([] {
    return RowsOf(THistoryRecordsDao().QueryAll(), [](const THistoryRecords &m) {
      return TGuardRow{m.hid, m.datetime, m.item};
    });
  });
}

TGuardRows TGuardService::GetCancelRecords() {
  return Serve<TGuardRows>([] {
    return RowsOf(TCancelRecordsDao().QueryAll(), [](const TCancelRecordModel &m) {
      return TGuardRow{m.cid, m.time, m.cause};
    });
  });
}

int TGuardService::GetCardCount() {
  return Serve<int>([] { return TPenalta().YCount(); });
}

QString TGuardService::ReadMachineValue(const QString &key, const QString &name) {
  if (PasswordValue(key, name)) {
    Refuse(GuardBus::ErrorDenied, QStringLiteral("家长密码只有家长规则服务能读。"));
    return {};
  }
  return Serve<QString>([&] { return RegReadString(HKEY_LOCAL_MACHINE, key, name); });
}

bool TGuardService::PasswordState(bool &damaged, int &secondsLocked) {
  return Serve<bool>([&] {
    const TParentPassword password = CallersPassword();
    damaged = password.Damaged();
    secondsLocked = password.SecondsLocked();
    return password.IsSet();
  });
}

void TGuardService::ReportVisit(const QString &address) {
  if (!Within(FReports, {address}))
    return;
  Serve<bool>([&] {
    TTextLogManager(&QDateTime::currentDateTime, TLogKind::Browse).LogVisit(OneLine(address));
    return true;
  });
}

void TGuardService::ReportBlocked(const QString &address, const QString &findings) {
  if (!Within(FReports, {address, findings}))
    return;
  Serve<bool>([&] {
    TTextLogManager(&QDateTime::currentDateTime, TLogKind::Block).LogBlocked(OneLine(address), OneLine(findings));
    return true;
  });
}

void TGuardService::ReportBlackListVisit(const QString &address, int key) {
  if (!Within(FReports, {address}))
    return;
  Serve<bool>([&] {
    TTextLogManager(&QDateTime::currentDateTime, TLogKind::Block).LogBlackListed(OneLine(address), key);
    // ---- logs: the visit is a violation, counted for the user who reported it.
    // Another account's visit is logged, never counted against the child.
    if (const auto card = CallerIsChild() ? FLogs.BlackListVisit(key, CallerUid()) : std::nullopt) {
      emit CardCountChanged(Caller(), card->iCount);
      if (card->bPassed)
        CardsPassed(CallerUid());
    }
    return true;
  });
}

int TGuardService::AddViolation(const QString &datetime, const QString &item) {
  if (!ChildCall() || !Within(FViolations, {datetime, item}))
    return 0;
  return Serve<int>([&] {
    const THistoryRecords row{0, OneLine(datetime), OneLine(item)};
    return THistoryRecordsDao().Insert(&row);
  });
}

int TGuardService::GiveCards(int count, bool &lockDue) {
  if (!ChildCall() || !Within(FViolations, {}))
    return 0;
  if (count < 1 || count > TPenalta::MaxCards + 1) {
    Refuse(GuardBus::ErrorFailed, QStringLiteral("卡数不对：%1").arg(count));
    return 0;
  }
  return Serve<int>([&] {
    const TPenalta::TStoredChange change = StoreCards(count);
    lockDue = change.bPassed;
    emit CardCountChanged(Caller(), change.iCount);
    if (lockDue)
      CardsPassed(CallerUid());
    return change.iCount;
  });
}

QString TGuardService::OpenParentSession(const QString &password) {
  return Serve<QString>([&] {
    const TPasswordCheck check = CallersPassword().Check(password);
    if (check == TPasswordCheck::Right)
      FSessions.Open(Caller());
    return PasswordCheckText(check);
  });
}

void TGuardService::EndParentSession() { FSessions.End(Caller()); }

void TGuardService::SetPassword(const QString &password) {
  Serve<bool>([&] {
    TParentPassword parent = CallersPassword();
    // A damaged password is no password anybody can prove; only root or a parent replaces it.
    const bool first = !parent.IsSet() || parent.Damaged();
    if (first ? !CallerIsRootOrParent() : !ParentCall()) {
      if (first)
        Refuse(GuardBus::ErrorDenied,
               QStringLiteral("只有家长能设置家长密码：请家长以root运行 pemblo-guard --set-password。"));
      return false;
    }
    parent.Set(password);
    return true;
  });
}

// ---- parent calls

void TGuardService::SetSettings(const QByteArray &stream) {
  if (!ParentCall())
    return;
  Serve<bool>([&] {
    TCfMrg mrg;
    mrg.AppCf() = ReadAppCfStream(stream).WithinRanges();
    mrg.SaveToFile();
    emit SettingsChanged(Caller());
    return true;
  });
}

int TGuardService::AddLimit(const QString &app, const QString &schedule) {
  if (!ParentCall())
    return -1;
  return Serve<int>(
      [&] {
        const TAppsModel row{0, OneLine(app), OneLine(schedule)};
        const int key = TAppsDao().Insert(&row);
        if (key > 0)
          emit LimitsChanged(Caller(), 1, key);
        return key;
      },
      -1);
}

int TGuardService::DeleteLimit(int aid) {
  if (!ParentCall())
    return 0;
  return Serve<int>([&] {
    const int rows = TAppsDao().DeleteFromAID(aid);
    if (rows == 1)
      emit LimitsChanged(Caller(), -1, aid);
    return rows;
  });
}

int TGuardService::AddBlackListRow(const QString &address, const QString &schedule) {
  if (!ParentCall())
    return -1;
  return Serve<int>(
      [&] {
        const TWebsModel row{0, OneLine(address), OneLine(schedule)};
        const int key = TWebsDao().Insert(&row);
        if (key > 0)
          emit BlackListChanged(Caller(), 1, key);
        return key;
      },
      -1);
}

int TGuardService::DeleteBlackListRow(int wid) {
  if (!ParentCall())
    return 0;
  return Serve<int>([&] {
    const int rows = TWebsDao().DeleteFromCID(wid);
    if (rows == 1)
      emit BlackListChanged(Caller(), -1, wid);
    return rows;
  });
}

int TGuardService::DeleteViolation(int hid) {
  if (!ParentCall())
    return 0;
  return Serve<int>([&] { return THistoryRecordsDao().DeleteFromHID(hid); });
}

int TGuardService::CancelCards(int count) {
  if (!ParentCall())
    return 0;
  if (count < 0) {
    Refuse(GuardBus::ErrorFailed, QStringLiteral("卡数不对：%1").arg(count));
    return 0;
  }
  return Serve<int>([&] {
    const auto change = TPenalta().ChangeStoredCount(-count);
    if (!change)
      Raise(QStringLiteral("黄牌没有取消：无法写入注册表%1。").arg(HiveFileName(HKEY_LOCAL_MACHINE)));
    emit CardCountChanged(Caller(), change->iCount);
    // The parent taking cards back below three gives the locks back, as it opens the lock screen.
    if (change->iCount < TPenalta::MaxCards)
      FLock.ReleaseAll();
    return change->iCount;
  });
}

int TGuardService::AddCancelRecord(const QString &day, const QString &reason) {
  if (!ParentCall())
    return 0;
  return Serve<int>([&] {
    const TCancelRecordModel row{0, OneLine(day), OneLine(reason)};
    return TCancelRecordsDao().Insert(&row);
  });
}

int TGuardService::DeleteCancelRecord(int cid) {
  if (!ParentCall())
    return 0;
  return Serve<int>([&] { return TCancelRecordsDao().DeleteFromCID(cid); });
}

namespace {

QDate DayArgument(const QString &text) {
  const QDate day = QDate::fromString(text, Qt::ISODate);
  if (!day.isValid())
    Raise(QStringLiteral("日期不对：") + text.left(20));
  return day;
}

}  // namespace

QByteArray TGuardService::GetWeekReport(const QString &lastDay) {
  if (!ParentCall())
    return {};
  return Serve<QByteArray>([&] { return WriteWeekReportStream(LoadWeekReport(DayArgument(lastDay))); });
}

QStringList TGuardService::GetDayCaptures(const QString &day) {
  if (!ParentCall())
    return {};
  return Serve<QStringList>([&] { return DayCaptureNames(TLogTrimmer::CapturePath(), DayArgument(day)); });
}

QDBusUnixFileDescriptor TGuardService::GetCapture(const QString &day, const QString &name) {
  if (!ParentCall())
    return {};
  return Serve<QDBusUnixFileDescriptor>([&] {
    const TFd file(OpenCapture(TLogTrimmer::CapturePath(), DayArgument(day), name));
    if (file.Get() < 0)
      Raise(QStringLiteral("无法打开抓屏：") + day.left(20) + u'/' + name.left(40));
    return QDBusUnixFileDescriptor(file.Get());  // the bus sends a copy
  });
}

bool TGuardService::WriteMachineValue(const QString &key, const QString &name, const QString &value) {
  if (GuardOnlyValue(key, name)) {
    Refuse(GuardBus::ErrorDenied, QStringLiteral("这个值只能由家长规则服务修改。"));
    return false;
  }
  if (key.size() > MaxText || name.size() > MaxText || value.size() > MaxText) {
    Refuse(GuardBus::ErrorFailed, QStringLiteral("注册表的值太长。"));
    return false;
  }
  // The machine's values are the parent's (the suite's own: the lock program above all). Outside
  // a parent session nothing is written and the answer says so, as for a hive that cannot be
  // written: a host registering its lock program at its start goes on, the guard's name stays,
  // and a child cannot fill the hive.
  if (!InParentSession())
    return false;
  return Serve<bool>([&] { return RegWriteString(HKEY_LOCAL_MACHINE, key, name, value); });
}

// ---- limits: the children's accounts and the program limits the guard enforces

void TGuardService::AddChild(const QString &user) {
  if (!ParentCall())
    return;
  Serve<bool>([&] {
    ::AddChild(user);
    emit ChildrenChanged();
    return true;
  });
}

void TGuardService::TellProgramEnded(uint uid, const QString &name,
                                     const std::optional<TPenalta::TStoredChange> &card) {
  emit ProgramEnded(uid, name);
  if (!card)
    return;
  emit CardCountChanged(FBus.baseService(), card->iCount);
  if (card->bPassed)
    CardsPassed(uid);
}

// ---- logs

void TGuardService::StoreCapture(const QByteArray &png) {
  Serve<bool>([&] {
    FLogs.StoreCapture(png, CallerUid());
    return true;
  });
}

// ---- the session agent and the lock kept by the guard

bool TGuardService::RegisterSessionAgent() {
  const uint uid = CallerUid();
  if (uid == uint(-1))
    return false;
  FAgents.Register(Caller(), uid);
  return Serve<bool>([&] { return FLock.Locked(uid); });
}

void TGuardService::RegisterLock() {
  const uint uid = CallerUid();
  if (uid != uint(-1))
    FLock.RegisterLockProgram(Caller(), uid);
}

bool TGuardService::IsAccountLocked(const QString &user) {
  const passwd *account = ::getpwnam(user.toLocal8Bit().constData());
  return account && Serve<bool>([&] { return FLock.Locked(account->pw_uid); });
}

void TGuardService::ReleaseLock(const QString &user) {
  if (!ParentCall())
    return;
  const passwd *account = ::getpwnam(user.toLocal8Bit().constData());
  if (!account) {
    Refuse(GuardBus::ErrorFailed, QStringLiteral("没有这个用户：") + OneLine(user));
    return;
  }
  const uint uid = account->pw_uid;
  Serve<bool>([&] {
    FLock.Release(uid);
    return true;
  });
}

void TGuardService::ApplyLogValues() {
  try {
    FLogs.Apply(TCfMrg().AppCf());
  } catch (const std::exception &e) {
    qWarning().noquote() << "pemblo-guard:" << QString::fromUtf8(e.what());
  }
}

void TGuardService::CardsPassed(uint uid) {
  if (uid != uint(-1) && AccountInGroup(uid, FOptions.oAgentWatch.sChildrenGroup))
    FLock.Lock(uid);
}
