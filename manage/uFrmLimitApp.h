#pragma once
// The page "限制程序": the programs the child may not use during chosen periods. In guarded mode it
// also has the button "添加孩子账户", which makes an account a child's through the guard (the
// parent's session of the management window lets it through).
#include "manage/uFrmRuleList.h"

class TFrmLimitApp : public TFrmRuleList {
  Q_OBJECT
public:
  explicit TFrmLimitApp(QWidget *owner);

  // Null in single-account mode: there are no children's accounts to add.
  TPngButton *btnAddChild = nullptr;

protected:
  void LoadRows() override;
  void AddRow() override;
  void DeleteRow(int key) override;

private:
  void btnAddChildClick();
};
