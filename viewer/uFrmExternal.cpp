#include "viewer/uFrmExternal.h"

#include "common/uAppcf.h"
#include "common/uFrmInfos.h"
#include "common/uInstFunc.h"
#include "common/uPageScreen.h"
#include "common/uScreenServices.h"
#include "common/uWebBrowser.h"
#include "controls/uPanelEx.h"
#include "controls/uSkin.h"
#include "controls/uSkinLook.h"
#include "controls/uSysMenuButton.h"
#include "datastore/uWebBlackList.h"
#include "platform/errors/ErrorGuard.h"
#include "platform/pictures/GifPlayer.h"

#include <QCoreApplication>
#include <QLabel>
#include <QShowEvent>
#include <QTimer>

namespace {

// The learning news page of the product's web site.
const char *const StartPage = "http://www.sunvale.cn/tempskip.htm?t=xwy";

}  // namespace

QString StartAddress() {
  const QString local = qEnvironmentVariable("PEMBLO_EXTERNAL_PAGE");
  if (!local.isEmpty())
    return local;
  return QString::fromLatin1(StartPage);
}

TFrmExternal::TFrmExternal(QWidget *parent) : TSkinForm(parent, true) {
  const TPicture background = SkinPicture(QStringLiteral("external_bg.png"));
  plxBg = new TPanelEx(this);
  plxBg->SetShowCaption(false);
  plxBg->SetBackGround(background);

  imgAppIco = new QLabel(plxBg);
  imgAppIco->setGeometry(16, 8, 106, 23);
  imgAppIco->setPixmap(QPixmap::fromImage(SkinPicture(QStringLiteral("external_title.png")).Image()));

  sysBtnMin = new TSysMenuButton(plxBg);
  sysBtnMin->SetButtonType(smbtMin);
  sysBtnMin->SetShowCaption(false);
  sysBtnMin->SetPicture(SkinPicture(QStringLiteral("sysmin.png")));
  sysBtnMin->setGeometry(486, 13, 13, 11);

  sysBtnClose = SkinCloseButton(plxBg, {507, 8});

  pnlLoading = new QWidget(plxBg);
  pnlLoading->setGeometry(3, 40, 524, 324);
  pnlLoading->setAutoFillBackground(true);
  QPalette white = pnlLoading->palette();
  white.setColor(QPalette::Window, Qt::white);
  pnlLoading->setPalette(white);

  imgLoading = new TGifPlayer(pnlLoading);
  imgLoading->setGeometry(220, 137, 84, 49);
  imgLoading->SetAnimation(TGifAnimation::FromFile(SkinPath(QStringLiteral("loading.gif"))));

  // The control stays at zero size, so nothing of the page shows before it has loaded.
  emwWB = new TWebBrowser(pnlLoading);
  emwWB->setGeometry(0, 0, 0, 0);
  emwWB->SetSilent(false);
  emwWB->SetContextMenu(false);
  emwWB->SetNewWindowKey(false);
  emwWB->SetScrollBars(false);
  emwWB->SetOnDocumentComplete(Guarded([this](const QString &) { emwWBDocumentComplete(); }));
  emwWB->SetOnNewWindow(Guarded([this](TNewWindowArgs &args) { emwWBNewWindow3(args); }));
  // The blocking page and the black-list page are shown as a loaded page is.
  FScreen = new TPageScreen(emwWB);
  FScreen->SetOnOwnPageShown([this] { emwWBDocumentComplete(); });
  FScreen->SetOnNavigate(&TFrmExternal::ReadServices);

  tmrMRun = new QTimer(this);
  tmrMRun->setInterval(1000);
  connect(tmrMRun, &QTimer::timeout, this, [this] { GuardedCall([this] { tmrMRunTimer(); }); });
  tmrMRun->start();

  FormCreate();
  ApplyShape(background);
}

void TFrmExternal::FormCreate() { ApplyFrmInfo(this, FrmInfos[fiExternal]); }

void TFrmExternal::showEvent(QShowEvent *event) {
  TSkinForm::showEvent(event);
  // Restoring from the task bar shows the window again; only the first show starts the page.
  if (FShown)
    return;
  FShown = true;
  GuardedCall([this] { FormShow(); });
}

void TFrmExternal::FormShow() {
  imgLoading->Start(Qt::white);
  emwWB->Navigate(StartAddress());
}

void TFrmExternal::emwWBDocumentComplete() {
  // Every completed load does this; after the first nothing changes any more.
  emwWB->setGeometry(pnlLoading->rect());
  imgLoading->Stop();
  imgLoading->hide();
}

void TFrmExternal::emwWBNewWindow3(TNewWindowArgs &args) {
  // The viewer opens no window of its own, whatever becomes of the address.
  args.Cancel = true;
  // A page that asks for many windows at once would start a browser for each: at most one
  // address a second is handed over, the others are dropped.
  if (FLastHandedOver.isValid() && FLastHandedOver.elapsed() < NewWindowInterval)
    return;
  FLastHandedOver.start();
  // The address is opened once the engine has finished with its request: a refused address is
  // reported in a modal message box, which must not run inside the engine's own callback.
  const QString url = args.Url.toString();
  QTimer::singleShot(0, this, Guarded([url] { OpenUrl(url); }));
}

void TFrmExternal::ReadServices() {
  // No message tells the viewer of a change: its settings and its black list are read again
  // whenever its page goes somewhere. What cannot be read raises, and what is in use stays.
  if (TCfMrg *cfMrg = TScreenServices::CfMrg())
    cfMrg->LoadFormFile();
  if (TWebBlackList *blackList = TScreenServices::BlackList())
    blackList->Load();
}

void TFrmExternal::tmrMRunTimer() {
  QCoreApplication::processEvents();
  if (!FindMainWindow()) {
    close();
    return;
  }
  FScreen->CheckShownAddress(false);
}
