#include "cards/uFrmCardHistoryRecord.h"

#include "datastore/uHistoryRecordsDao.h"

TFrmCardHistoryRecord::TFrmCardHistoryRecord()
    : TFrmRecordList({fiHistory, QStringLiteral("history_bg.png"), QStringLiteral("查看违约记录"),
                      QStringLiteral("微软雅黑"), false, QStringLiteral("使用时间"), QStringLiteral("违约项目"), 160,
                      QRect(3, 59, 554, 232), QPoint(416, 318)}) {}

void TFrmCardHistoryRecord::ShowOrActivateIt() {
  ShowOrActivate([] { return new TFrmCardHistoryRecord; }, FrmInfos[fiHistory]);
}

std::vector<std::pair<int32_t, QString>> TFrmCardHistoryRecord::ReadLines() {
  std::vector<std::pair<int32_t, QString>> lines;
  for (const auto &record : THistoryRecordsDao().QueryAll())
    lines.emplace_back(record->hid, record->datetime + QStringLiteral("  ") + record->item);
  return lines;
}

void TFrmCardHistoryRecord::DeleteRow(int32_t key) { THistoryRecordsDao().DeleteFromHID(key); }
