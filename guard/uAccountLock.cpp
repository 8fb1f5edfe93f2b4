#include "guard/uAccountLock.h"

#include "common/uPenalta.h"
#include "common/uRegistryHelper.h"
#include "guard/uLogind.h"
#include "platform/errors/ErrorGuard.h"
#include "platform/errors/Errors.h"

#include <QStringList>
#include <algorithm>

namespace {

const QString LockedValue = QStringLiteral("LockedAccounts");

}  // namespace

TAccountLock::TAccountLock(const QDBusConnection &bus, QObject *parent) : QObject(parent), FBus(bus), FPrograms(bus) {
  FPrograms.SetOnLeft([this](uint uid) { ProgramLeft(uid); });
}

QSet<uint> TAccountLock::Stored() const {
  QSet<uint> uids;
  for (const QString &uid :
       RegReadString(HKEY_LOCAL_MACHINE, TPenalta::RegKey, LockedValue).split(u',', Qt::SkipEmptyParts))
    uids.insert(uid.toUInt());
  return uids;
}

void TAccountLock::Store(const QSet<uint> &uids) {
  QList<uint> sorted(uids.begin(), uids.end());
  std::sort(sorted.begin(), sorted.end());
  QStringList text;
  for (const uint uid : sorted)
    text << QString::number(uid);
  if (!RegWriteString(HKEY_LOCAL_MACHINE, TPenalta::RegKey, LockedValue, text.join(u',')))
    Raise(QStringLiteral("锁定没有记下：无法写入注册表%1。").arg(HiveFileName(HKEY_LOCAL_MACHINE)));
}

bool TAccountLock::Locked(uint uid) const { return Stored().contains(uid); }

void TAccountLock::Lock(uint uid) {
  QSet<uint> uids = Stored();
  if (!uids.contains(uid)) {
    uids.insert(uid);
    Store(uids);
  }
  if (FOnLockDue)
    FOnLockDue(uid);
}

void TAccountLock::Release(uint uid) {
  QSet<uint> uids = Stored();
  if (uids.remove(uid))
    Store(uids);
  if (FOnRelease)
    FOnRelease(uid);
}

void TAccountLock::ReleaseAll() {
  for (const uint uid : Stored())
    Release(uid);
}

void TAccountLock::RegisterLockProgram(const QString &connection, uint uid) { FPrograms.Add(connection, uid); }

void TAccountLock::ProgramLeft(uint uid) {
  // Another lock program of the account (a second session's) still holds it.
  if (!Locked(uid) || FPrograms.Holds(uid))
    return;
  for (const TLoginSession &session : GraphicalSessions(FBus))
    if (session.iUid == uid)
      TerminateLoginSession(FBus, session.sId);
}
