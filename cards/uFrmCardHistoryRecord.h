#pragma once
// The violation history window "查看违约记录": the rows of "historyrecords" as
// date and time + two blanks + item, to tick and delete. Open it with ShowOrActivate so that
// at most one is open; it frees itself when closed.
#include "cards/uFrmRecordList.h"

class TFrmCardHistoryRecord : public TFrmRecordList {
  Q_OBJECT
public:
  TFrmCardHistoryRecord();

  // Opens the window, or brings the open one to the front.
  static void ShowOrActivateIt();

protected:
  std::vector<std::pair<int32_t, QString>> ReadLines() override;
  void DeleteRow(int32_t key) override;
};
