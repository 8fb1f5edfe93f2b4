#pragma once
// The cancel-records window "查看取消黄牌的记录": the rows of "cancelrecords" as
// day + two blanks + reason, to tick and delete. Open it with ShowOrActivate so that at most
// one is open; it frees itself when closed.
#include "cards/uFrmRecordList.h"

class TFrmCardCancelRecord : public TFrmRecordList {
  Q_OBJECT
public:
  TFrmCardCancelRecord();

  // Opens the window, or brings the open one to the front.
  static void ShowOrActivateIt();

protected:
  std::vector<std::pair<int32_t, QString>> ReadLines() override;
  void DeleteRow(int32_t key) override;
};
