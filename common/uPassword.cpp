#include "common/uPassword.h"
#include "common/uGuardLink.h"
#include "common/uRegistryHelper.h"
#include "platform/errors/Errors.h"

#include <QCryptographicHash>
#include <QPasswordDigestor>
#include <QRandomGenerator>
#include <QStringList>
#include <algorithm>
#include <optional>

namespace {

const QString kKey = QStringLiteral("\\SOFTWARE\\Pemblo");
const QString kHashValue = QStringLiteral("ParentPassword");

QByteArray Derive(const QString &password, const QByteArray &salt, int rounds) {
  return QPasswordDigestor::deriveKeyPbkdf2(QCryptographicHash::Sha256, password.toUtf8(), salt, rounds, 32);
}

struct TTries {
  int iWrong = 0;
  qint64 iLockedUntil = 0;
};

TTries ParseTries(const QString &text) {
  const QStringList parts = text.split(u',');
  TTries tries;
  if (parts.size() == 2) {
    // A hand-edited count or time must neither erase wrong tries nor lock the parent out.
    tries.iWrong = std::max(0, parts[0].toInt());
    tries.iLockedUntil = std::max<qint64>(0, parts[1].toLongLong());
  }
  return tries;
}

QString TriesText(const TTries &tries) { return QStringLiteral("%1,%2").arg(tries.iWrong).arg(tries.iLockedUntil); }

// Constant-time comparison, so the time of a wrong try tells nothing about the hash.
bool SameBytes(const QByteArray &a, const QByteArray &b) {
  if (a.size() != b.size())
    return false;
  unsigned char diff = 0;
  for (qsizetype i = 0; i < a.size(); ++i)
    diff |= static_cast<unsigned char>(a[i] ^ b[i]);
  return diff == 0;
}

// A stored hash in the one form Set writes: the documented rounds, a 16-byte salt and a 32-byte
// hash, in lower- or upper-case hex. Anything else (another round count above all: two billion
// rounds would hold every try for minutes) is not a password.
struct TStoredHash {
  QByteArray Salt;
  QByteArray Hash;
};

std::optional<TStoredHash> ParseHash(const QString &stored) {
  const QStringList parts = stored.split(u'$');
  if (parts.size() != 4 || parts[0] != QStringLiteral("pbkdf2-sha256") ||
      parts[1] != QString::number(TParentPassword::Rounds))
    return std::nullopt;
  const auto hex = [](const QString &text, qsizetype bytes) -> std::optional<QByteArray> {
    if (text.size() != bytes * 2 || !std::all_of(text.begin(), text.end(), [](QChar c) {
          return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
        }))
      return std::nullopt;
    return QByteArray::fromHex(text.toLatin1());
  };
  const auto salt = hex(parts[2], 16);
  const auto hash = hex(parts[3], 32);
  if (!salt || !hash)
    return std::nullopt;
  return TStoredHash{*salt, *hash};
}

// The stored value: nothing when it cannot be read (a value of another type); empty when unset.
std::optional<QString> StoredValue() {
  try {
    return RegReadString(HKEY_LOCAL_MACHINE, kKey, kHashValue);
  } catch (const ERegistryError &) {
    return std::nullopt;
  }
}

// The guard's view of its password: set, damaged, seconds of the wait.
struct TGuardPasswordState {
  bool bSet = false, bDamaged = false;
  int iSecondsLocked = 0;
};

TGuardPasswordState GuardState(const TGuardLink &guard) {
  const QVariantList out = guard.Call(QStringLiteral("PasswordState"));
  return {out.value(0).toBool(), out.value(1).toBool(), out.value(2).toInt()};
}

}  // namespace

// In guarded mode only the guard sees the hash and counts the tries; a right password opens a
// parent session on this process's bus connection.

QString PasswordCheckText(TPasswordCheck check) {
  switch (check) {
  case TPasswordCheck::Right:
    return QStringLiteral("right");
  case TPasswordCheck::Locked:
    return QStringLiteral("locked");
  case TPasswordCheck::Wrong:
    break;
  }
  return QStringLiteral("wrong");
}

TPasswordCheck PasswordCheckOf(const QString &text) {
  for (const TPasswordCheck check : {TPasswordCheck::Right, TPasswordCheck::Locked})
    if (text == PasswordCheckText(check))
      return check;
  return TPasswordCheck::Wrong;
}

TParentPassword::TParentPassword(TClock clock, QString triesValue)
    : FClock(std::move(clock)), FTriesValue(std::move(triesValue)) {}

bool TParentPassword::IsSet() const {
  if (const TGuardLink *guard = TGuardLink::Active())
    return GuardState(*guard).bSet;
  return !StoredValue().value_or(QStringLiteral("?")).isEmpty();
}

bool TParentPassword::Damaged() const {
  if (const TGuardLink *guard = TGuardLink::Active())
    return GuardState(*guard).bDamaged;
  const std::optional<QString> stored = StoredValue();
  return !stored || (!stored->isEmpty() && !ParseHash(*stored));
}

void TParentPassword::Set(const QString &password) {
  if (password.isEmpty())
    Raise(QStringLiteral("密码不能为空！"));
  if (const TGuardLink *guard = TGuardLink::Active()) {
    guard->Call(QStringLiteral("SetPassword"), {password});
    return;
  }
  QByteArray salt(16, Qt::Uninitialized);
  QRandomGenerator::system()->fillRange(reinterpret_cast<quint32 *>(salt.data()), salt.size() / 4);
  const QString stored =
      QStringLiteral("pbkdf2-sha256$%1$%2$%3")
          .arg(Rounds)
          .arg(QString::fromLatin1(salt.toHex()), QString::fromLatin1(Derive(password, salt, Rounds).toHex()));
  // The hash and the cleared tries change together, or neither does.
  const bool written = UpdateHive(HKEY_LOCAL_MACHINE, [&](THiveAccess &hive) {
    hive.WriteValue(kKey, kHashValue, TRegValue::String(stored));
    hive.WriteValue(kKey, FTriesValue, TRegValue::String(TriesText({})));
  });
  if (!written)
    Raise(QStringLiteral("密码没有修改：无法写入注册表%1。").arg(HiveFileName(HKEY_LOCAL_MACHINE)));
}

int TParentPassword::SecondsLocked() const {
  if (const TGuardLink *guard = TGuardLink::Active())
    return GuardState(*guard).iSecondsLocked;
  const qint64 left =
      ParseTries(RegReadString(HKEY_LOCAL_MACHINE, kKey, FTriesValue)).iLockedUntil - FClock().toMSecsSinceEpoch();
  // No wait is ever longer than one: a time further ahead was written by hand.
  return int(std::clamp<qint64>((left + 999) / 1000, 0, WaitSeconds));
}

TPasswordCheck TParentPassword::Check(const QString &password) {
  if (const TGuardLink *guard = TGuardLink::Active()) {
    return PasswordCheckOf(guard->Call(QStringLiteral("OpenParentSession"), {password}).value(0).toString());
  }
  if (SecondsLocked() > 0) {
    // A wait that ends more than a minute from now was started by a clock that ran ahead (or
    // written by hand): it is brought back to a minute from now, so it ends like any other.
    const qint64 latest = FClock().toMSecsSinceEpoch() + qint64(WaitSeconds) * 1000;
    if (ParseTries(RegReadString(HKEY_LOCAL_MACHINE, kKey, FTriesValue)).iLockedUntil > latest)
      RegUpdateString(HKEY_LOCAL_MACHINE, kKey, FTriesValue, [&](const QString &old) {
        TTries tries = ParseTries(old);
        tries.iLockedUntil = std::min(tries.iLockedUntil, latest);
        return TriesText(tries);
      });
    return TPasswordCheck::Locked;
  }
  const std::optional<TStoredHash> stored = ParseHash(StoredValue().value_or(QString()));
  const bool right = stored && SameBytes(Derive(password, stored->Salt, Rounds), stored->Hash);
  // The count changes under the hive's lock, so two windows asking at once lose no wrong try.
  RegUpdateString(HKEY_LOCAL_MACHINE, kKey, FTriesValue, [&](const QString &old) {
    TTries tries = ParseTries(old);
    if (right)
      return TriesText({});
    if (++tries.iWrong >= TriesBeforeWait) {
      tries.iWrong = 0;
      tries.iLockedUntil = FClock().toMSecsSinceEpoch() + qint64(WaitSeconds) * 1000;
    }
    return TriesText(tries);
  });
  return right ? TPasswordCheck::Right : TPasswordCheck::Wrong;
}
