#pragma once
// The page "黑  名  单": the web addresses the child may not visit during chosen periods.
#include "manage/uFrmRuleList.h"

class TFrmBlackList : public TFrmRuleList {
  Q_OBJECT
public:
  explicit TFrmBlackList(QWidget *owner);

protected:
  void LoadRows() override;
  void AddRow() override;
  void DeleteRow(int key) override;
};
