#pragma once
// The lock screen of pemblo-lock: a full-screen window above all others telling the child that
// three yellow cards are used up. Only the parent's password closes it; closing it any other
// way is refused.
#include "host/uPassword.h"

#include <QWidget>

class QLabel;
class QLineEdit;

class TFrmLock : public QWidget {
  Q_OBJECT
public:
  explicit TFrmLock(TParentPassword &password);

protected:
  void closeEvent(QCloseEvent *event) override;
  void paintEvent(QPaintEvent *event) override;
  void showEvent(QShowEvent *event) override;

private:
  void edtPasswordReturn();

  TParentPassword &FPassword;
  bool FUnlocked = false;
  QLineEdit *edtPassword = nullptr;
  QLabel *lblMessage = nullptr;
};
