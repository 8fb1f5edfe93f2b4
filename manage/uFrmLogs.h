#pragma once
// The page "日志设置": how long text logs and screen captures are kept, how often a capture is
// taken and how large the capture folder may grow, stored in the settings file; and a button
// that opens the log folder in the desktop's file manager.
#include <QWidget>

class QLabel;
class TCfMrg;
class TPngButton;
class TSpinEditEx;

// The settings manager of the library, made on first use and kept for the process.
TCfMrg &ManageCfMrg();
// Lets the next ManageCfMrg make a new manager (over the data folder then in force).
void ReleaseManageCfMrg();

class TFrmLogs : public QWidget {
  Q_OBJECT
public:
  explicit TFrmLogs(QWidget *owner);

  TSpinEditEx *edtTextTime;
  TSpinEditEx *edtImgIntervalTime;
  TSpinEditEx *edtImgTime;
  TSpinEditEx *edtImgSize;
  TPngButton *btnSave;
  TPngButton *btnLook;

protected:
  void showEvent(QShowEvent *event) override;

private:
  void FormShow();
  void btnSaveClick();
  void btnLookClick();
};
