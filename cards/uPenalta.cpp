#include "cards/uPenalta.h"

#include "common/uDES.h"
#include "common/uFrmInfos.h"
#include "common/uInstFunc.h"
#include "common/uMsgs.h"
#include "common/uRegistryHelper.h"
#include "platform/os/WindowDirectory.h"

#include <exception>

const QString TPenalta::CardKey = QStringLiteral("PbYc#715");
const QString TPenalta::RegKey = QStringLiteral("\\SOFTWARE\\Pemblo");
const QString TPenalta::CountValue = QStringLiteral("YCount");
const QString TPenalta::LockProgValue = QStringLiteral("PembloLock");

QString TPenalta::EncodeCount(int32_t count) { return DesEncryptToHex(QString::number(count), CardKey); }

int32_t TPenalta::DecodeCount(const QString &stored) {
  try {
    bool ok = false;
    const int32_t count = DesDecryptFromHex(stored, CardKey).toInt(&ok, 10);
    if (!ok)
      return 0;
    // A number outside 0..3 was not written by this module: treat a hand-edited count as the worst.
    return count < 0 || count > MaxCards ? MaxCards : count;
  } catch (const std::exception &) {
    return 0;  // not hexadecimal: a damaged value counts as no cards
  }
}

int32_t TPenalta::YCount() const {
  try {
    return DecodeCount(RegReadString(HKEY_LOCAL_MACHINE, RegKey, CountValue));
  } catch (const std::exception &) {
    return 0;  // a value of another type
  }
}

bool TPenalta::Update(const std::function<int64_t(int64_t)> &change) {
  int32_t n = 0;
  bool computed = false;
  const QString stored = RegUpdateString(HKEY_LOCAL_MACHINE, RegKey, CountValue, [&](const QString &old) {
    n = int32_t(change(DecodeCount(old)));
    computed = true;
    return EncodeCount(n);
  });
  // What the hive holds now comes back: the new count, or the old one when the hive could not
  // be written (before the change was made, or at its commit, a full disk).
  const bool written = computed && stored == EncodeCount(n);
  if (!written) {
    // Nothing stored. Cards given are still given (the lock program starts) and announced, the
    // safe side; cards taken are not, as the count stays.
    const int32_t count = DecodeCount(stored);
    if (!computed)
      n = int32_t(change(count));
    if (n < count)
      return false;
  }
  SendUpdateMsg(n);
  return written;
}

bool TPenalta::IncYCard(int32_t Value) {
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
  return Update([Value](int64_t count) { return count - Value < 0 ? int64_t(0) : count - Value; });
}

void TPenalta::SendUpdateMsg(int32_t count) {
  if (const auto window = FindMainWindow())
    SendWindowMessage(*window, WM_YCARDUPDATE, count, 0);
}
