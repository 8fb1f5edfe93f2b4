#pragma once
// The dialog that asks for a web address to block and the periods of the block.
#include "manage/uFrmAddRule.h"

#include <vector>

class QLineEdit;

class TFrmAddWeb : public TFrmAddRule {
  Q_OBJECT
public:
  TFrmAddWeb();

  QLabel *lblWeb;
  QLineEdit *edtWeb;

protected:
  // An address of seven characters or fewer (the preset "http://" alone) is refused.
  bool FieldReady() override;
};

// Shows the dialog modally; on "添加" sets `url` (trimmed) and `windows` and returns true.
bool ShowAddWeb(QString &url, std::vector<TDtData> &windows);
