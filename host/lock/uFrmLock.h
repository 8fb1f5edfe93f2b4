#pragma once
// The lock screen of pemblo-lock: a full-screen window above all others telling the child that
// three yellow cards are used up. Only the parent's password closes it, or the parent taking
// cards back in the host; closing it any other way is refused. It never sets a password: with
// none set, only taking cards back opens it.
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
  void Unlock();

  TParentPassword &FPassword;
  bool FUnlocked = false;
  QLineEdit *edtPassword = nullptr;
  QLabel *lblMessage = nullptr;
};
