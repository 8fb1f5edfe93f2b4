#pragma once
// The page "限制程序": the programs the child may not use during chosen periods.
#include "manage/uFrmRuleList.h"

class TFrmLimitApp : public TFrmRuleList {
  Q_OBJECT
public:
  explicit TFrmLimitApp(QWidget *owner);

protected:
  void LoadRows() override;
  void AddRow() override;
  void DeleteRow(int key) override;
};
