#pragma once
// The dialog that asks for a program to limit and the periods of the limit. What the parent
// picked or typed is shown as what will be enforced (a name's path on PATH, the program a
// launcher starts) and what is no program is refused with the reason.
#include "common/uLimitTarget.h"
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
  QLabel *lblTarget;  // what will be enforced, or why the text is no program

  // Where the program picker opens: the folder of the desktop's applications.
  static QString PickerFolder();

  // What the field names, as it will be enforced.
  const TLimitTarget &Target() const { return FTarget; }

protected:
  bool FieldReady() override;

private:
  void btnSelectClick();
  void edtAppChange();

  TLimitTarget FTarget;
};

// Shows the dialog modally; on "添加" sets `app` (the path the rule stores) and `windows` and
// returns true.
bool ShowAddApp(QString &app, std::vector<TDtData> &windows);
