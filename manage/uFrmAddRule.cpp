#include "manage/uFrmAddRule.h"

#include "controls/uFieldNames.h"
#include "controls/uPanelEx.h"
#include "controls/uPngButton.h"
#include "controls/uSkin.h"
#include "controls/uSkinLook.h"
#include "controls/uSysMenuButton.h"
#include "manage/uManageControls.h"
#include "platform/errors/ErrorGuard.h"

#include <QLabel>

TFrmAddRule::TFrmAddRule(const QString &title, const QString &caption, const QRect &gridGeometry, int addLeft)
    : TSkinForm(nullptr, false) {
  setWindowTitle(title);
  resize(651, 296);
  pnlxBg = new TPanelEx(this);
  pnlxBg->SetShowCaption(false);
  pnlxBg->SetBackGround(SkinPicture(QStringLiteral("add_dialog_bg.png")));
  ApplyShape(pnlxBg->BackGround());
  lblCaption = NewLabel(pnlxBg, caption, {16, 9}, SkinFont(QStringLiteral("微软雅黑"), 16, true), Qt::white);
  btnClose = SkinCloseButton(pnlxBg, {625, 9});
  lblTime = NewLabel(pnlxBg, QStringLiteral("限制时间："), {24, 88}, SkinFont(QStringLiteral("Tahoma"), 12), Qt::white);
  dtm1 = new TCutDateTime(pnlxBg);
  dtm1->setGeometry(gridGeometry);
  dtm1->setFont(SkinFont(QStringLiteral("Tahoma"), 11));
  dtm1->SetCellWidth(12);
  dtm1->SetCellHeight(13);
  dtm1->SetBorderColor(Qt::white);
  dtm1->SetSelectedColor(QColor(0x2A, 0xB6, 0xF0));
  dtm1->SetUnSelectedColor(QColor(0xC0, 0xC0, 0xC0));
  dtm1->SetFontColor(QColor(0, 0, 255));
  const QString strip = QStringLiteral("btn42x21.png");
  const QFont buttonFont = SkinFont(QStringLiteral("Tahoma"), 12);
  btnAdd = SkinButton(pnlxBg, strip, {addLeft, 267, 42, 21}, QStringLiteral("添加"), buttonFont);
  btnCancel = SkinButton(pnlxBg, strip, {585, 267, 42, 21}, QStringLiteral("取消"), buttonFont);
  NameFields({{pnlxBg, "pnlxBg"},
              {lblCaption, "lblCaption"},
              {btnClose, "btnClose"},
              {lblTime, "lblTime"},
              {dtm1, "dtm1"},
              {btnAdd, "btnAdd"},
              {btnCancel, "btnCancel"}});
  connect(btnAdd, &TPngButton::clicked, this, Guarded([this] { btnAddClick(); }));
  connect(btnCancel, &TPngButton::clicked, this, &QDialog::reject);
}

void TFrmAddRule::btnAddClick() {
  if (!FieldReady())
    return;
  if (!dtm1->Selecteds().empty())
    accept();
}
