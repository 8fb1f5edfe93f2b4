#pragma once
// The address dialog of a custom link: asks for the address, stores it (trimmed) in the
// entry's record and catalogue row, and closes. It opens nothing itself. Shown modally by the
// caller, who reads the entry's address afterwards; frees itself when closed.
#include "appcentre/uCategoryInfosDao.h"
#include "controls/uSkinForm.h"

class QLabel;
class QLineEdit;
class TPanelEx;
class TPngButton;
class TSysMenuButton;

class TFrmInputDurl : public TSkinForm {
  Q_OBJECT
public:
  explicit TFrmInputDurl(QWidget *parent = nullptr);

  void SetModel(PCategoryInfosModel model) { FModel = model; }
  QLineEdit *UrlEdit() const { return edtUrl; }
  TPngButton *OkButton() const { return btnOk; }
  TPngButton *CancelButton() const { return btnCancel; }
  TSysMenuButton *CloseButton() const { return btnClose; }

protected:
  void showEvent(QShowEvent *event) override;

private:
  void btnOkClick();

  TPanelEx *pnlxBg;
  QLabel *lblCaption;
  TSysMenuButton *btnClose;
  QWidget *pnlMain;
  QLabel *lblPrompt;
  QLineEdit *edtUrl;
  TPngButton *btnOk;
  TPngButton *btnCancel;
  PCategoryInfosModel FModel = nullptr;
};
