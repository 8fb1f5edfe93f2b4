#pragma once
// The dialog that asks for a program to limit and the periods of the limit.
#include "manage/uFrmAddRule.h"

#include <QFileInfo>
#include <vector>

class QLineEdit;

// What the file dialog offers as a program: a file with the execute bit, or a desktop
// launcher (".desktop"); folders are offered to walk through.
bool IsProgramFile(const QFileInfo &info);

class TFrmAddApp : public TFrmAddRule {
  Q_OBJECT
public:
  TFrmAddApp();

  QLabel *lblApp;
  QLineEdit *edtApp;
  TPngButton *btnSelect;

protected:
  bool FieldReady() override;

private:
  void btnSelectClick();
};

// Shows the dialog modally; on "添加" sets `app` (trimmed) and `windows` and returns true.
bool ShowAddApp(QString &app, std::vector<TDtData> &windows);
