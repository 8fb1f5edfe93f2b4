#include "guard/uGuardCards.h"

#include "common/uViolationItems.h"
#include "datastore/uHistoryRecordsDao.h"
#include "platform/errors/Errors.h"
#include "platform/os/RegistryHive.h"

TPenalta::TStoredChange StoreCards(int32_t count) {
  const auto change = TPenalta().ChangeStoredCount(count);
  if (!change)
    Raise(QStringLiteral("黄牌没有记下：无法写入注册表%1。").arg(HiveFileName(HKEY_LOCAL_MACHINE)));
  return *change;
}

TPenalta::TStoredChange RecordViolation(const QDateTime &time, const QString &item) {
  const THistoryRecords row{0, ViolationTime(time), item};
  THistoryRecordsDao().Insert(&row);
  return StoreCards(1);
}
