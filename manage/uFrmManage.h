#pragma once
// The parental-management window "Sunvale-家长管理": a skinned 468 x 326 window with the list
// of four sections on the left and the content area on the right. The sections (log settings,
// web black list, program limits, the week report) are made when the window is first shown;
// each is embedded into the content area the first time it is chosen and brought to the front
// afterwards.
// The window frees itself, with its sections, when it is closed.
#include "controls/uSkinForm.h"

#include <vector>

class QLabel;
class TLblGroupBox;
class TPanelEx;
class TSysMenuButton;

class TFrmManage : public TSkinForm {
  Q_OBJECT
public:
  TFrmManage();

  TPanelEx *pnlxMain;
  QLabel *imgLogo;
  QLabel *lblCaption;
  TSysMenuButton *sysBtnClose;
  TLblGroupBox *lgbLeft;
  QWidget *pnlMain;

  // The section forms, in the order of the section list.
  const std::vector<QWidget *> &List() const { return FList; }

protected:
  void showEvent(QShowEvent *event) override;

private:
  void FormShow();
  void lgbLeftChange(int oldIndex, int newIndex);

  std::vector<QWidget *> FList;
};

// Opens a further management window: centred, then with its left edge at x when x is not 0,
// or else its top edge at y when y is not 0. Returns the window, already shown.
TFrmManage *ShowManageWindow(int x, int y);
