#pragma once
// The card menu "Sunvale黄牌菜单": a small popup with two entries, the violation history and
// the cancel window. Like a popup menu it closes as soon as it loses activation (a choice
// activates the window it opens; a click elsewhere activates something else). It frees itself
// when closed.
#include "controls/uSkinForm.h"

class QLabel;
class TPanelEx;
class TPngButton;

class TFrmCardMenu : public TSkinForm {
  Q_OBJECT
public:
  TFrmCardMenu();

  TPanelEx *plxBg;
  TPngButton *btnLook;
  TPngButton *btnCance;
  QLabel *img1, *img2;

protected:
  void changeEvent(QEvent *event) override;
};
