#pragma once
// The lock screen of pemblo-lock: one window over every screen telling the child that three
// yellow cards are used up. Only the parent's password closes it (in guarded mode it then gives
// the account's lock back), or the parent taking cards back in the host (in guarded mode: the
// guard no longer holding the account locked); closing it any other way is refused. It never sets a password: with none
// set, only taking cards back opens it.
// On an X server it covers the screens by itself, as screen lockers do: the window bypasses the
// window manager, is sized to the union of the screens, kept raised, and holds the X server's
// keyboard and pointer grabs, so no other window (of the suite or not) gets a key or a click.
// Keys still reach the password field: the grab is the window's, not a widget's. Where the
// display server allows no grab (Wayland) or another program holds one, it tells the host's
// main window with WM_LOCKNOGRAB and keeps trying. A window another client unmapped or moved
// into a window of its own is taken back at the next step.
#include "common/uPassword.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QTimer;

class TFrmLock : public QWidget {
  Q_OBJECT
public:
  // How often the lock raises itself and takes the grabs again, and how long the grabs may fail
  // before the host is told.
  static inline constexpr int HoldIntervalMs = 500;
  static inline constexpr int TellHostAfterMs = 2000;

  explicit TFrmLock(TParentPassword &password);

  // Shows the lock over every screen and takes the keyboard and the pointer.
  void Lock();
  // Whether the keyboard and the pointer are held at the display server.
  bool HoldsInput() const { return FHoldsInput; }

protected:
  void closeEvent(QCloseEvent *event) override;
  void paintEvent(QPaintEvent *event) override;
  void showEvent(QShowEvent *event) override;

private:
  void edtPasswordReturn();
  void Unlock();
  void CoverScreens();
  void KeepHold();
  void TakeBackWindow();

  // A display server that lets a window grab input and bypass the window manager.
  static bool OnXServer();

  TParentPassword &FPassword;
  bool FUnlocked = false;
  bool FHoldsInput = false;
  int FFailedHolds = 0;
  bool FHostTold = false;
  QLineEdit *edtPassword = nullptr;
  QLabel *lblMessage = nullptr;
  QTimer *tmrHold = nullptr;
};
