#pragma once
// The host's password window "Sunvale密码管理": sets the parent's password at the first start,
// asks for it before the parent's actions (management, yellow cards, the content filter
// switch), and changes it. Modal; the result says whether the parent was let through.
#include "controls/uSkinForm.h"
#include "common/uPassword.h"

class QLabel;
class QLineEdit;
class QPushButton;

enum class TPasswordMode { Set, Ask, Change };

class TFrmPassword : public TSkinForm {
  Q_OBJECT
public:
  TFrmPassword(TParentPassword &password, TPasswordMode mode, QWidget *owner = nullptr);

  // Asks (or, without a password yet, sets one) and answers whether the parent is let through.
  static bool Confirm(TParentPassword &password, QWidget *owner);

private:
  void btnOkClick();
  void Say(const QString &text);

  TParentPassword &FPassword;
  TPasswordMode FMode;
  QLineEdit *edtOld = nullptr;
  QLineEdit *edtNew = nullptr;
  QLineEdit *edtAgain = nullptr;
  QLabel *lblMessage = nullptr;
  QPushButton *btnOk = nullptr;
  QPushButton *btnCancel = nullptr;
};
