#include "appcentre/uFrmInputDurl.h"

#include "controls/uFonts.h"
#include "controls/uPanelEx.h"
#include "controls/uPngButton.h"
#include "controls/uSkin.h"
#include "controls/uSysMenuButton.h"
#include "platform/errors/ErrorGuard.h"

#include <QLabel>
#include <QLineEdit>

namespace {
const QString Preset = QStringLiteral("http://");

QFont YaHei16() {
  QFont font(QStringLiteral("微软雅黑"));
  font.setPixelSize(16);
  return font;
}
}  // namespace

TFrmInputDurl::TFrmInputDurl(QWidget *parent)
    : TSkinForm(parent, false), pnlxBg(new TPanelEx(this)), lblCaption(new QLabel(pnlxBg)),
      btnClose(new TSysMenuButton(pnlxBg)), pnlMain(new QWidget(pnlxBg)), lblPrompt(new QLabel(pnlMain)),
      edtUrl(new QLineEdit(pnlMain)), btnOk(new TPngButton(pnlMain)), btnCancel(new TPngButton(pnlMain)) {
  InstallFontSubstitutes();
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QStringLiteral("输入网址对话框"));
  resize(330, 198);
  // Without an owner form it is centred on the screen.
  SetPosition(TFormPosition::OwnerFormCenter);

  const TPicture background = SkinPicture(QStringLiteral("inputurl_bg.png"));
  pnlxBg->SetBackGround(background);
  pnlxBg->SetShowCaption(false);
  ApplyShape(background);

  lblCaption->setText(QStringLiteral("网址输入"));
  lblCaption->setFont(YaHei16());
  lblCaption->setStyleSheet(QStringLiteral("color: white; background: transparent"));
  lblCaption->move(18, 9);
  lblCaption->adjustSize();

  btnClose->setGeometry(304, 14, 11, 11);
  btnClose->SetButtonType(smbtClose);
  btnClose->SetPicture(SkinPicture(QStringLiteral("sysclose.png")));

  pnlMain->setGeometry(3, 49, 325, 146);
  pnlMain->setAutoFillBackground(true);
  QPalette white = pnlMain->palette();
  white.setColor(QPalette::Window, Qt::white);
  pnlMain->setPalette(white);

  lblPrompt->setText(QStringLiteral("请输入您要访问的网址"));
  lblPrompt->setFont(YaHei16());
  lblPrompt->move(82, 16);
  lblPrompt->adjustSize();

  edtUrl->setGeometry(34, 56, 257, 21);
  edtUrl->setFrame(false);
  edtUrl->setText(Preset);
  edtUrl->setFocus();

  const TPicture strip = SkinPicture(QStringLiteral("btn42x21.png"));
  btnOk->setGeometry(108, 99, 42, 21);
  btnOk->SetPicture(strip);
  btnOk->SetCaption(QStringLiteral("确定"));
  btnOk->SetTextAlign(taCenter);
  btnCancel->setGeometry(174, 99, 42, 21);
  btnCancel->SetPicture(strip);
  btnCancel->SetCaption(QStringLiteral("取消"));
  btnCancel->SetTextAlign(taCenter);

  connect(btnOk, &TPngButton::clicked, this, Guarded([this] { btnOkClick(); }));
  connect(btnCancel, &TPngButton::clicked, this, Guarded([this] { close(); }));
}

void TFrmInputDurl::showEvent(QShowEvent *event) {
  TSkinForm::showEvent(event);
  edtUrl->setText(Preset);
  // The cursor behind the preset scheme, so typing completes the address.
  edtUrl->deselect();
  edtUrl->setCursorPosition(int(Preset.size()));
  edtUrl->setFocus();
}

void TFrmInputDurl::btnOkClick() {
  if (FModel) {
    FModel->sdurl = edtUrl->text().trimmed();
    // An error of the update leaves the dialog open, the typed address kept in the record.
    if (TCategoryInfosDao().UpdateFromCID(FModel) < 1)
      FModel->sdurl.clear();
  }
  FModel = nullptr;
  close();
}
