#include "browser/uFavs.h"

#include "browser/uChildToMain.h"
#include "browser/uFavoritesTreeEx.h"
#include "common/uPathFunc.h"
#include "controls/uPngButton.h"
#include "controls/uSkin.h"
#include "platform/errors/ErrorGuard.h"
#include "platform/errors/Errors.h"
#include "platform/os/SpecialFolders.h"

#include <QDir>
#include <QGridLayout>
#include <QShowEvent>

namespace {

constexpr int TopHeight = 25;
constexpr int CloseSize = 11;
constexpr int CloseMargin = 7;

// The tree cannot watch a folder that is not there; a fresh account has none yet.
void EnsureFavoritesFolder() {
  const QString folder = GetSpecialFolder(CSIDL_FAVORITES);
  if (!QDir().mkpath(folder))
    Raise("无法创建目录:" + folder);
}

QWidget *Panel(QWidget *parent, const QColor &colour) {
  auto *panel = new QWidget(parent);
  panel->setAutoFillBackground(true);
  QPalette palette = panel->palette();
  palette.setColor(QPalette::Window, colour);
  panel->setPalette(palette);
  return panel;
}

}  // namespace

TfrmFavs::TfrmFavs(IChildToMain *AChildToMain, QWidget *AOwner) : QWidget(AOwner), FChildToMain(AChildToMain) {
  EnsureFavoritesFolder();
  setObjectName(QStringLiteral("frmFavs"));
  setFixedWidth(PanelWidth);

  pnlTop = Panel(this, QColor(0xee, 0xf3, 0xe8));
  pnlTop->setObjectName(QStringLiteral("pnlTop"));
  pnlTop->setFixedHeight(TopHeight);
  btnClose = new TPngButton(pnlTop);
  btnClose->setObjectName(QStringLiteral("btnClose"));
  btnClose->SetShowCaption(false);
  btnClose->SetPicture(SkinPicture(QStringLiteral("sysclose.png")));
  btnClose->setToolTip(QStringLiteral("关闭"));
  btnClose->setGeometry(PanelWidth - 1 - CloseMargin - CloseSize, (TopHeight - CloseSize) / 2, CloseSize, CloseSize);
  connect(btnClose, &TPngButton::clicked, this, &QWidget::hide);

  fvrtstrx1 = new TFavoritesTreeEx(this);
  fvrtstrx1->setObjectName(QStringLiteral("fvrtstrx1"));
  fvrtstrx1->SetOptions(foShowItems);
  fvrtstrx1->SetOnNavigate([this](QObject *, const QString &URL) { fvrtstrx1Navigate(URL); });

  pnl1 = Panel(this, QColor(128, 128, 128));
  pnl1->setObjectName(QStringLiteral("pnl1"));
  pnl1->setFixedWidth(1);

  auto *layout = new QGridLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(pnlTop, 0, 0);
  layout->addWidget(fvrtstrx1, 1, 0);
  layout->addWidget(pnl1, 0, 1, 2, 1);
}

void TfrmFavs::showEvent(QShowEvent *event) {
  QWidget::showEvent(event);
  // Shown by the favorites button (not the window coming back from the task bar).
  if (!event->spontaneous())
    GuardedCall([this] { fvrtstrx1->Refresh(); });
}

void TfrmFavs::fvrtstrx1Navigate(const QString &URL) { FChildToMain->INewPage(URL, true); }
