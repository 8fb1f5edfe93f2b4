#pragma once
// How much one account may hand the guard to keep through its open calls (reports, violation
// rows): a burst, then a steady rate, and a number of bytes a day. A child flooding the guard
// then fills neither the disk nor the parent's lists, and the guard stays quick for the parent.
// Root is not counted. Keeps its counts in memory only: a restart starts them again.
#include <QDate>
#include <QElapsedTimer>
#include <QHash>
#include <sys/types.h>

class TCallerQuota {
public:
  struct TLimits {
    double dBurst;        // calls at once
    double dPerSecond;    // calls a second after the burst
    qint64 iBytesPerDay;  // bytes a day
  };
  explicit TCallerQuota(const TLimits &limits) : FLimits(limits) {}

  // True when the account may hand in one more call of `bytes` now; counts it.
  bool Take(uid_t uid, qint64 bytes);

private:
  struct TAccount {
    double dTokens = 0;
    QElapsedTimer Since;  // of the last count of tokens
    QDate Day;
    qint64 iBytes = 0;
  };
  TLimits FLimits;
  QHash<uid_t, TAccount> FAccounts;
};
