#include "manage/uFrmManage.h"

#include "common/uFrmInfos.h"
#include "controls/uFieldNames.h"
#include "controls/uLblGroupBox.h"
#include "controls/uPanelEx.h"
#include "controls/uSkin.h"
#include "controls/uSkinLook.h"
#include "controls/uSysMenuButton.h"
#include "manage/uFrmBlackList.h"
#include "manage/uFrmLimitApp.h"
#include "manage/uFrmLogs.h"
#include "manage/uFrmWeekReport.h"
#include "manage/uManageControls.h"
#include "platform/errors/ErrorGuard.h"

#include <QApplication>
#include <QLabel>
#include <QVBoxLayout>

TFrmManage::TFrmManage() : TSkinForm(nullptr, true) {
  setAttribute(Qt::WA_DeleteOnClose);
  SetPosition(TFormPosition::ScreenCenter);
  ApplyFrmInfo(this, FrmInfos[fiManage]);
  pnlxMain = new TPanelEx(this);
  pnlxMain->SetShowCaption(false);
  pnlxMain->SetBackGround(SkinPicture(QStringLiteral("manage_bg.png")));
  ApplyShape(pnlxMain->BackGround());

  imgLogo = new QLabel(pnlxMain);
  imgLogo->setPixmap(QPixmap::fromImage(SkinPicture(QStringLiteral("logo16.png")).Image()));
  imgLogo->setGeometry(9, 6, 16, 16);
  lblCaption = NewLabel(pnlxMain, QStringLiteral("Sunvale--家长管理"), {32, 3},
                        SkinFont(QStringLiteral("微软雅黑"), 16), Qt::white);
  sysBtnClose = SkinCloseButton(pnlxMain, {448, 6});

  lgbLeft = new TLblGroupBox(pnlxMain);
  lgbLeft->setGeometry(5, 86, 100, 182);
  lgbLeft->SetItemWidth(99);
  lgbLeft->SetItemHeight(22);
  lgbLeft->SetTransparent(true);
  lgbLeft->setFont(SkinFont(QStringLiteral("Tahoma"), 14));
  lgbLeft->SetTriangleColor(QApplication::palette().color(QPalette::Button));
  connect(lgbLeft, &TLblGroupBox::changed, this, Guarded([this](int o, int n) { lgbLeftChange(o, n); }));

  pnlMain = new QWidget(pnlxMain);
  pnlMain->setGeometry(111, 65, 330, 234);
  QPalette pal = pnlMain->palette();
  pal.setColor(QPalette::Window, Qt::white);
  pnlMain->setPalette(pal);
  pnlMain->setAutoFillBackground(true);
  // Seen only while no section covers the content area.
  auto *empty = new QLabel(QStringLiteral("系统出错，没有任何可以显示的内容。"), pnlMain);
  empty->setFont(SkinFont(QStringLiteral("Tahoma"), 16, true));
  SetTextColor(empty, Qt::red);
  empty->setAlignment(Qt::AlignCenter);
  empty->setWordWrap(true);
  empty->setGeometry(pnlMain->rect());
  NameFields({{pnlxMain, "pnlxMain"},
              {imgLogo, "imgLogo"},
              {lblCaption, "lblCaption"},
              {sysBtnClose, "sysBtnClose"},
              {lgbLeft, "lgbLeft"},
              {pnlMain, "pnlMain"}});
}

void TFrmManage::showEvent(QShowEvent *event) {
  TSkinForm::showEvent(event);
  GuardedCall([this] { FormShow(); });
}

void TFrmManage::FormShow() {
  if (!FList.empty())  // the sections are made once, at the first show
    return;
  lgbLeft->SetSelectedColor(QColor(0xDE, 0xA7, 0x92));
  lgbLeft->ClearItems();
  for (QWidget *form : std::initializer_list<QWidget *>{new TFrmLogs(this), new TFrmBlackList(this),
                                                        new TFrmLimitApp(this), new TFrmWeekReport(this)}) {
    form->hide();
    FList.push_back(form);
    lgbLeft->AddItem(form->windowTitle());
  }
  lgbLeft->SetItemIndex(0);
}

void TFrmManage::lgbLeftChange(int, int newIndex) {
  QWidget *form = FList.at(size_t(newIndex));
  if (form->isVisible()) {
    form->raise();
    return;
  }
  form->setParent(pnlMain);
  form->setGeometry(pnlMain->rect());
  form->show();
}

TFrmManage *ShowManageWindow(int x, int y) {
  auto *form = new TFrmManage();
  form->PlaceNow();
  if (x != 0)
    form->move(x, form->y());
  else if (y != 0)
    form->move(form->x(), y);
  form->show();
  return form;
}
