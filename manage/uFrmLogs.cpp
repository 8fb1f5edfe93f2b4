#include "manage/uFrmLogs.h"

#include "common/uAppcf.h"
#include "common/uPathFunc.h"
#include "controls/uFieldNames.h"
#include "controls/uPngButton.h"
#include "controls/uSkinForm.h"
#include "controls/uSkinLook.h"
#include "controls/uSpinEditEx.h"
#include "manage/uManageControls.h"
#include "platform/errors/ErrorGuard.h"
#include "platform/os/ShellOpen.h"

#include <QApplication>
#include <QLabel>
#include <memory>

namespace {

std::unique_ptr<TCfMrg> &CfMrgHolder() {
  static std::unique_ptr<TCfMrg> holder;
  return holder;
}

}  // namespace

TCfMrg &ManageCfMrg() {
  auto &holder = CfMrgHolder();
  if (!holder)
    holder = std::make_unique<TCfMrg>();
  return *holder;
}

void ReleaseManageCfMrg() { CfMrgHolder().reset(); }

TFrmLogs::TFrmLogs(QWidget *owner) : QWidget(owner) {
  MarkAsForm(this);
  setWindowTitle(QStringLiteral("日志设置"));
  resize(330, 234);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, QApplication::palette().color(QPalette::Base));
  setPalette(pal);
  setAutoFillBackground(true);

  const QFont font = SkinFont(QStringLiteral("Tahoma"), 11, true);
  struct TLabel {
    const char *Text;
    int Left, Top;
  };
  for (const TLabel &l : {TLabel{"文字日志设置", 21, 15}, TLabel{"文字日志保留时间", 48, 34}, TLabel{"天", 278, 34},
                          TLabel{"抓屏日志设置", 21, 65}, TLabel{"抓屏间隔时间", 48, 87}, TLabel{"分钟", 278, 92},
                          TLabel{"抓屏日志保留时间", 48, 122}, TLabel{"天", 278, 122},
                          TLabel{"抓屏日志文件夹大小", 48, 157}, TLabel{"兆(MB)", 278, 157}})
    NewLabel(this, QString::fromUtf8(l.Text), {l.Left, l.Top}, font, Qt::black);

  auto spin = [this](int top, int min, int max, int preset) {
    auto *edit = new TSpinEditEx(this);
    edit->setGeometry(181, top, 91, 22);
    edit->SetBorderColor(QColor(192, 192, 192));
    edit->setFrame(false);
    edit->setRange(min, max);
    edit->setValue(preset);
    return edit;
  };
  edtTextTime = spin(32, 1, 60, 5);
  edtImgIntervalTime = spin(85, 5, 60, 5);
  edtImgTime = spin(120, 1, 60, 5);
  edtImgSize = spin(155, 50, 100, 50);

  const QString strip = QStringLiteral("btn69x21.png");
  const QFont buttonFont = SkinFont(QStringLiteral("Tahoma"), 15);
  btnSave = SkinButton(this, strip, {83, 193, 69, 21}, QStringLiteral("保存日志"), buttonFont);
  btnLook = SkinButton(this, strip, {192, 193, 69, 21}, QStringLiteral("查看日志"), buttonFont);
  NameFields({{edtTextTime, "edtTextTime"},
              {edtImgIntervalTime, "edtImgIntervalTime"},
              {edtImgTime, "edtImgTime"},
              {edtImgSize, "edtImgSize"},
              {btnSave, "btnSave"},
              {btnLook, "btnLook"}});
  connect(btnSave, &TPngButton::clicked, this, Guarded([this] { btnSaveClick(); }));
  connect(btnLook, &TPngButton::clicked, this, Guarded([this] { btnLookClick(); }));
}

void TFrmLogs::showEvent(QShowEvent *event) {
  QWidget::showEvent(event);
  GuardedCall([this] { FormShow(); });
}

void TFrmLogs::FormShow() {
  TCfMrg &mrg = ManageCfMrg();
  // The file as it is now: another writer (the host, pemblo-config) may have changed it.
  mrg.LoadFormFile();
  const TAppCf &cf = mrg.AppCf();
  edtTextTime->setValue(cf.TextTime());
  edtImgIntervalTime->setValue(cf.PsDistance());
  edtImgTime->setValue(cf.ImgTime());
  edtImgSize->setValue(cf.ImgSize());
}

void TFrmLogs::btnSaveClick() {
  TCfMrg &mrg = ManageCfMrg();
  // Re-read first, so the save keeps what others wrote meanwhile (OffOn above all).
  mrg.LoadFormFile();
  TAppCf &cf = mrg.AppCf();
  cf.SetTextTime(edtTextTime->value());
  cf.SetPsDistance(edtImgIntervalTime->value());
  cf.SetImgTime(edtImgTime->value());
  cf.SetImgSize(edtImgSize->value());
  mrg.Update();
}

void TFrmLogs::btnLookClick() {
  // The folder goes to the desktop's file manager; a failure of the shell is not reported.
  ShellOpen(GetLogPath(), QString());
}
