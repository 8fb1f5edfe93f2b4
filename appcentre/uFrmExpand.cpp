#include "appcentre/uFrmExpand.h"

#include "appcentre/uCellWorker.h"
#include "common/uInstFunc.h"
#include "controls/uFonts.h"
#include "controls/uSkin.h"
#include "platform/errors/ErrorGuard.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <cstdlib>

namespace {

// The usable area of the screen that holds most of the window; the primary screen's when none
// holds any of it.
QRect ScreenAreaOf(const QRect &window) {
  QScreen *holder = QGuiApplication::primaryScreen();
  qint64 most = 0;
  for (QScreen *screen : QGuiApplication::screens()) {
    const QRect common = screen->geometry().intersected(window);
    if (qint64(common.width()) * common.height() > most) {
      most = qint64(common.width()) * common.height();
      holder = screen;
    }
  }
  return holder ? holder->availableGeometry() : QRect();
}

// Moves start so that [start, start + length) lies inside [low, low + room); at low when it
// cannot (a window larger than the screen shows its left or top part, with the close tab).
int Inside(int start, int length, int low, int room) { return std::max(low, std::min(start, low + room - length)); }

}  // namespace

TFrmExpand::TFrmExpand(QWidget *parent)
    : TSkinForm(parent, false), imgBg(new TImage(this)), quilloMain(new TImageBox(this)), imgClose(new TImage(this)),
      FLink(std::make_shared<TWindowLink>(this)) {
  InstallFontSubstitutes();
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QStringLiteral("Sunvale扩展窗口"));
  resize(329, 469);
  const TPicture background = SkinPicture(QStringLiteral("expand_bg.png"));
  imgBg->SetPicture(background);
  imgBg->setGeometry(rect());
  ApplyShape(background);

  imgClose->SetPicture(SkinPicture(QStringLiteral("expand_close.png")));
  imgClose->setGeometry(2, 208, 10, 24);
  imgClose->SetOnClick(Guarded([this] { close(); }));

  ApplyBoxLook(quilloMain, {QMargins(3, 3, 3, 3), QMargins(50, 23, 50, 3), 25, 10, QMargins(3, 0, 0, 0),
                            QStringLiteral("pager_bg_expand.png")});
  quilloMain->FlowPanel()->SetOnCellClick(Guarded([this](PDragCell PCell) { quilloMainFlowPanelExCellClick(PCell); }));
  quilloMain->setGeometry(32, 8, 289, 431);
}

TFrmExpand::~TFrmExpand() { FLink->Detach(); }

void TFrmExpand::PlaceBeside(const QRect &mainWindow) {
  // Never above the main window's top, also when the group window is the taller one.
  const int top = mainWindow.top() + std::abs(mainWindow.height() - height()) / 2;
  const int left = mainWindow.left() - width();
  const QRect screen = ScreenAreaOf(mainWindow);
  if (screen.isEmpty() || screen.contains(QRect(QPoint(left, top), size()))) {
    move(left, top);
    return;
  }
  const int right = mainWindow.left() + mainWindow.width();
  const int screenEnd = screen.left() + screen.width();
  const bool roomLeft = left >= screen.left();
  const bool roomRight = right + width() <= screenEnd;
  // With room on neither side, the roomier one, the window pushed inside over the main window.
  const bool onLeft = roomLeft || (!roomRight && mainWindow.left() - screen.left() >= screenEnd - right);
  move(Inside(onLeft ? left : right, width(), screen.left(), screen.width()),
       Inside(top, height(), screen.top(), screen.height()));
}

void TFrmExpand::showEvent(QShowEvent *event) {
  TSkinForm::showEvent(event);
  if (FListed || !FModel)
    return;
  FListed = true;
  const int32_t cid = FModel->icid;
  FWorker = StartCellWorker<TAppInfosMode>(
      FLink, [cid] { return TAppInfosDao().QueryAllFromCID(cid); },
      [this](std::unique_ptr<TAppInfosMode> app, std::unique_ptr<TDragCell> cell) {
        ExpandAddCell(std::move(app), std::move(cell));
      },
      QSize(quilloMain->FlowPanel()->CellWidth(), quilloMain->FlowPanel()->CellHeight()));
}

void TFrmExpand::changeEvent(QEvent *event) {
  TSkinForm::changeEvent(event);
  if (event->type() != QEvent::ActivationChange)
    return;
  if (isActiveWindow())
    FWasActive = true;
  else if (FWasActive)
    close();  // clicked elsewhere, or an application took the focus
}

void TFrmExpand::ExpandAddCell(std::unique_ptr<TAppInfosMode> app, std::unique_ptr<TDragCell> cell) {
  FApps.push_back(std::move(app));
  quilloMain->AddItem(std::move(cell));
}

void TFrmExpand::quilloMainFlowPanelExCellClick(PDragCell PCell) {
  if (!PCell)
    return;
  OpenUrl(static_cast<TAppInfosMode *>(PCell->pData)->sdurl);
  // The browser takes the focus, which closes the window; where it does not, the choice does.
  close();
}
