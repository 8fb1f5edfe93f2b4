#pragma once
// What the two add dialogs share: a skinned 651 x 296 window without task-bar button, its
// caption, close button, the week grid `dtm1` with its label, and the buttons "添加" and "取消".
// "添加" ends the dialog accepted only when the subclass finds its field filled (it puts the
// focus there otherwise) and at least one cell is selected; with no cell selected nothing happens.
#include "controls/uSkinForm.h"
#include "manage/uDateTime.h"

class QLabel;
class TPanelEx;
class TPngButton;
class TSysMenuButton;

class TFrmAddRule : public TSkinForm {
  Q_OBJECT
public:
  TPanelEx *pnlxBg;
  QLabel *lblCaption;
  TSysMenuButton *btnClose;
  QLabel *lblTime;
  TCutDateTime *dtm1;
  TPngButton *btnAdd;
  TPngButton *btnCancel;

protected:
  TFrmAddRule(const QString &title, const QString &caption, const QRect &gridGeometry, int addLeft);
  // Whether the dialog's own field holds an acceptable value; puts the focus there when not.
  virtual bool FieldReady() = 0;

private:
  void btnAddClick();
};
