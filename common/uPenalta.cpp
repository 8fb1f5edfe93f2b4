#include "common/uPenalta.h"

#include "common/uChangeNotices.h"
#include "common/uDES.h"
#include "common/uGuardLink.h"
#include "common/uInstFunc.h"
#include "common/uRegistryHelper.h"

#include <algorithm>
#include <exception>

const QString TPenalta::CardKey = QStringLiteral("PbYc#715");
const QString TPenalta::RegKey = QStringLiteral("\\SOFTWARE\\Pemblo");
const QString TPenalta::CountValue = QStringLiteral("YCount");
const QString TPenalta::LockProgValue = QStringLiteral("PembloLock");

QString TPenalta::EncodeCount(int32_t count) { return DesEncryptToHex(QString::number(count), CardKey); }

namespace {

// The count of a stored value: 0 when there is none, nothing when it cannot be read.
std::optional<int32_t> StoredCount(const std::optional<TRegValue> &value) {
  if (!value)
    return 0;
  if (!value->IsString())
    return std::nullopt;  // written by hand
  try {
    bool ok = false;
    const int32_t count = DesDecryptFromHex(value->Text(), TPenalta::CardKey).toInt(&ok, 10);
    if (!ok)
      return std::nullopt;
    // A number outside 0..3 was not written by this module: treat a hand-edited count as the worst.
    return count < 0 || count > TPenalta::MaxCards ? TPenalta::MaxCards : count;
  } catch (const std::exception &) {
    return std::nullopt;  // not hexadecimal
  }
}

}  // namespace

int32_t TPenalta::DecodeCount(const QString &stored) {
  return StoredCount(TRegValue::String(stored)).value_or(0);  // a damaged value counts as no cards
}

std::optional<int32_t> TPenalta::ReadYCount() const {
  std::optional<int32_t> count = 0;
  try {
    if (const TGuardLink *guard = TGuardLink::Active())
      return guard->Call(QStringLiteral("GetCardCount")).value(0).toInt();
    ReadHive(HKEY_LOCAL_MACHINE,
             [&](const THiveAccess &hive) { count = StoredCount(hive.ReadValue(RegKey, CountValue)); });
  } catch (const std::exception &) {
    return std::nullopt;
  }
  return count;
}

int32_t TPenalta::YCount() const { return ReadYCount().value_or(0); }

bool TPenalta::Update(const std::function<int64_t(int64_t)> &change) {
  int32_t n = 0;
  bool computed = false;
  // A count that cannot be read (a value of another type included) counts as no cards and is
  // replaced, so the change is still made.
  const bool written = UpdateHive(HKEY_LOCAL_MACHINE, [&](THiveAccess &hive) {
    n = int32_t(change(StoredCount(hive.ReadValue(RegKey, CountValue)).value_or(0)));
    computed = true;
    hive.WriteValue(RegKey, CountValue, TRegValue::String(EncodeCount(n)));
  });
  if (!written) {
    // Nothing stored (the hive cannot be written, or its commit failed on a full disk). Cards
    // given are still given (the lock program starts) and announced, the safe side; cards taken
    // are not, as the count stays. The change runs once: giving the fourth card starts a program.
    const int32_t count = YCount();
    if (!computed)
      n = int32_t(change(count));
    if (n < count)
      return false;
  }
  SendUpdateMsg(n);
  return written;
}

bool TPenalta::IncYCard(int32_t Value) {
  if (const TGuardLink *guard = TGuardLink::Active()) {
    // The guard stores the cards and keeps the lock; past three it asks the host of the child's
    // session for the lock program (uSessionAgent).
    const QVariantList out = guard->Call(QStringLiteral("GiveCards"), {Value});
    SendUpdateMsg(out.value(0).toInt());
    return true;
  }
  return Update([Value](int64_t count) {
    const int64_t n = count + Value;
    if (n <= MaxCards)
      return n;
    // Raises when the lock program is missing, which leaves the stored count as it was.
    RunFile(RegReadString(HKEY_LOCAL_MACHINE, RegKey, LockProgValue), QString());
    return int64_t(MaxCards);
  });
}

bool TPenalta::DecYCard(int32_t Value) {
  if (const TGuardLink *guard = TGuardLink::Active()) {
    SendUpdateMsg(guard->Call(QStringLiteral("CancelCards"), {Value}).value(0).toInt());
    return true;
  }
  return Update([Value](int64_t count) { return count - Value < 0 ? int64_t(0) : count - Value; });
}

void TPenalta::SendUpdateMsg(int32_t count) { NotifyCardCount(count); }

std::optional<TPenalta::TStoredChange> TPenalta::ChangeStoredCount(int32_t delta) {
  TStoredChange result;
  const bool written = UpdateHive(HKEY_LOCAL_MACHINE, [&](THiveAccess &hive) {
    const int64_t n = int64_t(StoredCount(hive.ReadValue(RegKey, CountValue)).value_or(0)) + delta;
    result.bPassed = n > MaxCards;
    result.iCount = int32_t(std::clamp<int64_t>(n, 0, MaxCards));
    hive.WriteValue(RegKey, CountValue, TRegValue::String(EncodeCount(result.iCount)));
  });
  if (!written)
    return std::nullopt;
  return result;
}
