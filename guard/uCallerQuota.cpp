#include "guard/uCallerQuota.h"

#include <algorithm>

bool TCallerQuota::Take(uid_t uid, qint64 bytes) {
  if (uid == 0)
    return true;
  auto it = FAccounts.find(uid);
  if (it == FAccounts.end()) {
    it = FAccounts.insert(uid, TAccount{});
    it->dTokens = FLimits.dBurst;
    it->Since.start();
  } else {
    it->dTokens = std::min(FLimits.dBurst, it->dTokens + double(it->Since.restart()) / 1000.0 * FLimits.dPerSecond);
  }
  TAccount &account = *it;
  const QDate today = QDate::currentDate();
  if (account.Day != today) {
    account.Day = today;
    account.iBytes = 0;
  }
  if (account.dTokens < 1 || account.iBytes + bytes > FLimits.iBytesPerDay)
    return false;
  account.dTokens -= 1;
  account.iBytes += bytes;
  return true;
}
