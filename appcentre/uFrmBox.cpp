#include "appcentre/uFrmBox.h"

#include "appcentre/uCellWorker.h"
#include "appcentre/uFrmExpand.h"
#include "appcentre/uFrmInputDurl.h"
#include "common/uFrmInfos.h"
#include "common/uInstFunc.h"
#include "controls/uFonts.h"
#include "controls/uSkin.h"
#include "platform/errors/ErrorGuard.h"

#include <QGuiApplication>
#include <QWindow>

namespace {
constexpr QSize DesignSize{150, 410};
// Longest address that counts as none: the scheme the address dialog presets.
constexpr int NoAddressLength = 7;
}  // namespace

TFrmBox::TFrmBox(QWidget *parent)
    : QWidget(parent), imgBg(new TImage(this)), quilloMain(new TImageBox(this)),
      FLink(std::make_shared<TWindowLink>(this)) {
  InstallFontSubstitutes();
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QStringLiteral("Sunvale应用中心"));
  setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
  setAutoFillBackground(true);
  QPalette black = palette();
  black.setColor(QPalette::Window, Qt::black);
  setPalette(black);

  imgBg->SetPicture(SkinPicture(QStringLiteral("box_bg.png")));

  ApplyBoxLook(quilloMain, {QMargins(16, 3, 3, 5), QMargins(10, 3, 10, 10), 10, 13, QMargins(5, 0, 0, 0),
                            QStringLiteral("pager_bg.png")});
  quilloMain->FlowPanel()->SetOnCellClick(Guarded([this](PDragCell PCell) { quilloMainFlowPanelExCellClick(PCell); }));

  resize(DesignSize);
}

TFrmBox::~TFrmBox() {
  // The worker must find the window gone before any member is.
  FLink->Detach();
}

void TFrmBox::showEvent(QShowEvent *event) {
  QWidget::showEvent(event);
  // Listed once: showing the host's window again must not list every entry a second time.
  if (FListed)
    return;
  FListed = true;
  FWorker = StartCellWorker<TCategoryInfosModel>(
      FLink, [] { return TCategoryInfosDao().QueryAll(); },
      [this](std::unique_ptr<TCategoryInfosModel> model, std::unique_ptr<TDragCell> cell) {
        BoxAddCell(std::move(model), std::move(cell));
      },
      QSize(quilloMain->FlowPanel()->CellWidth(), quilloMain->FlowPanel()->CellHeight()));
}

void TFrmBox::resizeEvent(QResizeEvent *) {
  imgBg->setGeometry(rect());
  quilloMain->setGeometry(rect());
}

void TFrmBox::BoxAddCell(std::unique_ptr<TCategoryInfosModel> model, std::unique_ptr<TDragCell> cell) {
  FModels.push_back(std::move(model));
  quilloMain->AddItem(std::move(cell));
}

void TFrmBox::quilloMainFlowPanelExCellClick(PDragCell PCell) {
  if (PCell)
    OpenCategory(static_cast<PCategoryInfosModel>(PCell->pData));
}

void TFrmBox::OpenCategory(PCategoryInfosModel model) {
  if (!model)
    return;
  switch (model->itype) {
  case ctWebLink:
    OpenWebLink(model->sdurl);
    break;
  case ctLocalProgram:
    RunLocalProgram(model->sexe_path);
    break;
  case ctGroup:
    ShowGroup(model);
    break;
  case ctCustomLink:
    OpenCustomLink(model);
    break;
  default:
    break;
  }
}

void OpenWebLink(const QString &url) { OpenUrl(url); }

void RunLocalProgram(const QString &path) { RunFile(path, QString()); }

QWidget *ShowGroup(PCategoryInfosModel model) {
  auto *group = new TFrmExpand();
  if (const auto main = FindMainWindow()) {
    if (const auto r = GetWindowRect(*main)) {
      group->SetPosition(TFormPosition::Designed);
      group->PlaceBeside(*r);
    }
  }
  group->SetModel(model);
  group->show();
  group->raise();
  group->activateWindow();
  return group;
}

void OpenCustomLink(PCategoryInfosModel model) {
  if (model->sdurl.trimmed().size() <= NoAddressLength) {
    auto *dialog = new TFrmInputDurl();
    dialog->SetModel(model);
    dialog->exec();
  }
  if (model->sdurl.trimmed().size() > NoAddressLength)
    OpenUrl(model->sdurl);
}

TFrmBox *ShowCentre(WId parentWindow) {
  auto *box = new TFrmBox();
  box->move(0, 0);
  if (QWidget *host = QWidget::find(parentWindow)) {
    box->setParent(host);
    box->move(0, 0);
    box->resize(host->frameGeometry().size());
  } else if (QWindow *foreign = QWindow::fromWinId(parentWindow)) {
    // Only our handle of the other program's window: it goes with the centre.
    box->winId();
    box->windowHandle()->setParent(foreign);
    box->resize(foreign->frameGeometry().size().isEmpty() ? box->size() : foreign->frameGeometry().size());
    box->windowHandle()->setPosition(0, 0);
    QObject::connect(box, &QObject::destroyed, foreign, &QObject::deleteLater);
  }
  box->show();
  return box;
}
