#pragma once
// The cancel window "Sunvale取消黄牌": the parent chooses how many of the child's cards to take
// back (never more than the child has), may write a reason and confirms with "确定"; the cards
// leave the counter and a written reason becomes a cancel record of the day. The bar shows the
// cards that stay. Open it with ShowOrActivate so that at most one is open; it frees itself
// when closed.
#include "controls/uSkinForm.h"

class QLabel;
class QLineEdit;
class TMemoEx;
class TPanelEx;
class TPngButton;
class TProgressBarEx;
class TSysMenuButton;

class TFrmCardCancel : public TSkinForm {
  Q_OBJECT
public:
  TFrmCardCancel();

  // Opens the window, or brings the open one to the front.
  static void ShowOrActivateIt();

  TPanelEx *plxBg;
  QLabel *lblCaption;
  TSysMenuButton *sysBtnClose;
  QLabel *lblPrompt;
  QLineEdit *edtCount;
  TPngButton *imgUp, *imgDown;
  TPanelEx *plxCard;
  TProgressBarEx *pbxCard;
  TPngButton *btnOk;
  TMemoEx *mmoCause;
  TPngButton *btnLookCanRecord;

  // The reason as stored: without blanks and control characters (line breaks included) at
  // either end; inner line breaks stay.
  static QString TrimCause(const QString &text);

protected:
  void showEvent(QShowEvent *event) override;

private:
  int Chosen() const;
  void FormShow();
  void imgUpClick();
  void imgDownClick();
  void btnOkClick();
  void btnLookCanRecordClick();
};
