#include "cards/uFrmCardCancelRecord.h"

#include "datastore/uCancelRecordsDao.h"

TFrmCardCancelRecord::TFrmCardCancelRecord()
    : TFrmRecordList({fiCancelRecords, QStringLiteral("cancelrecord_bg.png"), QStringLiteral("查看取消黄牌记录"),
                      QStringLiteral("Tahoma"), false, QStringLiteral("时间"), QStringLiteral("取消黄牌的原因"), 120,
                      QRect(3, 59, 397, 153), QPoint(304, 234)}) {}

void TFrmCardCancelRecord::ShowOrActivateIt() {
  ShowOrActivate([] { return new TFrmCardCancelRecord; }, FrmInfos[fiCancelRecords]);
}

std::vector<std::pair<int32_t, QString>> TFrmCardCancelRecord::ReadLines() {
  std::vector<std::pair<int32_t, QString>> lines;
  for (const auto &record : TCancelRecordsDao().QueryAll())
    lines.emplace_back(record->cid, record->time + QStringLiteral("  ") + record->cause);
  return lines;
}

void TFrmCardCancelRecord::DeleteRow(int32_t key) { TCancelRecordsDao().DeleteFromCID(key); }
