#include "host/uFrmHostMain.h"
#include "common/uPenalta.h"
#include "common/uAppcf.h"
#include "common/uFrmInfos.h"
#include "common/uInstFunc.h"
#include "common/uMsgs.h"
#include "common/uPathFunc.h"
#include "controls/uPngButton.h"
#include "controls/uSkin.h"
#include "controls/uSkinLook.h"
#include "controls/uSysMenuButton.h"
#include "host/uFrmPassword.h"
#include "host/uHostLook.h"
#include "platform/errors/ErrorGuard.h"
#include "platform/errors/Errors.h"
#include "platform/os/WindowDirectory.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>

namespace {

constexpr int kNoticesKept = 50;

QString MessageName(quint32 msg) {
  switch (msg) {
  case WM_CFGUPDATE:
    return QStringLiteral("WM_CFGUPDATE");
  case WM_APPSUPDATE:
    return QStringLiteral("WM_APPSUPDATE");
  case WM_YCARDUPDATE:
    return QStringLiteral("WM_YCARDUPDATE");
  case WM_WEBBLOCKED:
    return QStringLiteral("WM_WEBBLOCKED");
  case WM_WEBSUPDATE:
    return QStringLiteral("WM_WEBSUPDATE");
  case WM_LOCKNOGRAB:
    return QStringLiteral("WM_LOCKNOGRAB");
  default:
    return QString::number(msg);
  }
}

TPngButton *Button(QWidget *parent, const char *name, const QString &caption, int x, int y) {
  auto *button = new TPngButton(parent);
  button->setObjectName(QString::fromLatin1(name));
  button->SetPicture(SkinPicture(QStringLiteral("btn69x21.png")));
  button->SetTextAlign(taCenter);
  button->SetShowCaption(true);
  button->SetCaption(caption);
  button->setGeometry(x, y, 69, 21);
  return button;
}

// What the parent must know when the lock screen cannot keep the child out of other windows.
QString LockNoGrabText(qint64 reason) {
  return reason == LockNoGrabHeld
             ? QStringLiteral("锁屏拿不到键盘和鼠标（另一个程序占着），孩子在锁屏时仍能使用别的窗口！")
             : QStringLiteral("这个显示服务（%1）不允许锁屏独占键盘和鼠标，孩子在锁屏时仍能使用别的窗口！")
                   .arg(QGuiApplication::platformName());
}

// A library button without its library stays, disabled, and says why when pointed at.
void DisableWithReason(TPngButton *button, const QString &reason) {
  if (reason.isEmpty())
    return;
  button->setEnabled(false);
  button->setToolTip(reason);
}

}  // namespace

TFrmHostMain::TFrmHostMain(TCfMrg &cfMrg, const QString &libraryFolder)
    : TSkinForm(nullptr, true), FCfMrg(cfMrg), FLibraries(libraryFolder) {
  setAttribute(Qt::WA_NativeWindow);
  ApplyFrmInfo(this, FrmInfos[fiMainWindow]);
  new THostFrame(QStringLiteral("Sunvale"), this);

  auto *btnMin = new TSysMenuButton(this);
  btnMin->setObjectName(QStringLiteral("btnMin"));
  btnMin->SetButtonType(smbtMin);
  btnMin->SetPicture(SkinPicture(QStringLiteral("sysmin.png")));
  btnMin->setGeometry(width() - 36, 9, 13, 11);
  auto *btnClose = new TSysMenuButton(this);
  btnClose->setObjectName(QStringLiteral("btnClose"));
  btnClose->SetButtonType(smbtClose);
  btnClose->SetPicture(SkinPicture(QStringLiteral("sysclose.png")));
  btnClose->setGeometry(width() - 19, 9, 11, 11);

  lblCards = new QLabel(this);
  lblCards->setObjectName(QStringLiteral("lblCards"));
  lblCards->setGeometry(8, 34, 140, 20);

  btnBrowser = Button(this, "btnBrowser", QStringLiteral("绿色浏览器"), 6, 58);
  btnNews = Button(this, "btnNews", QStringLiteral("学习资讯"), 81, 58);
  btnManage = Button(this, "btnManage", QStringLiteral("家长管理"), 6, 83);
  btnCards = Button(this, "btnCards", QStringLiteral("黄牌"), 81, 83);
  btnFilter = Button(this, "btnFilter", QString(), 6, 108);
  btnPassword = Button(this, "btnPassword", QStringLiteral("修改密码"), 81, 108);
  DisableWithReason(btnManage, FLibraries.ManageError());
  DisableWithReason(btnCards, FLibraries.CardsError());

  connect(btnBrowser, &TPngButton::clicked, this, Guarded([this] { btnBrowserClick(); }));
  connect(btnNews, &TPngButton::clicked, this, Guarded([this] { btnNewsClick(); }));
  connect(btnManage, &TPngButton::clicked, this, Guarded([this] { btnManageClick(); }));
  connect(btnCards, &TPngButton::clicked, this, Guarded([this] { btnCardsClick(); }));
  connect(btnFilter, &TPngButton::clicked, this, Guarded([this] { btnFilterClick(); }));
  connect(btnPassword, &TPngButton::clicked, this, Guarded([this] { btnPasswordClick(); }));

  pnlCentre = new QWidget(this);
  pnlCentre->setObjectName(QStringLiteral("pnlCentre"));
  pnlCentre->setAttribute(Qt::WA_NativeWindow);
  pnlCentre->setGeometry(3, 134, 150, 410);

  lstNotices = new QListWidget(this);
  lstNotices->setObjectName(QStringLiteral("lstNotices"));
  lstNotices->setGeometry(4, 548, 148, 56);
  QFont small = lstNotices->font();
  small.setPixelSize(10);
  lstNotices->setFont(small);
  ClearKeyColour(lstNotices);

  TWindowEndpoint::Of(this)->SetMessageHandler(
      [this](quint32 msg, qint64 w, qint64 l) { return MainMessage(msg, w, l); });
  // The lock channel is a hidden window of its own: it is found by its title only.
  FLockChannel = std::make_unique<QWidget>();
  ApplyFrmInfo(FLockChannel.get(), FrmInfos[fiLockChannel]);
  TWindowEndpoint::Of(FLockChannel.get())->SetMessageHandler([this](quint32 msg, qint64 w, qint64 l) {
    return LockMessage(msg, w, l);
  });
  // An error while handling a notice is listed, once while it lasts: a box would wait on the
  // parent inside the handler, and each further notice would open another inside it.
  for (QWidget *window : {static_cast<QWidget *>(this), FLockChannel.get()})
    TWindowEndpoint::Of(window)->SetOnError([this](quint32 msg, const QString &text) {
      AddNotice(QStringLiteral("%1 未能处理：%2").arg(MessageName(msg), text));
    });

  ShowCardCount(TPenalta().YCount());
  ShowFilterState();
  if (!FLibraries.CentreError().isEmpty())
    AddNotice(FLibraries.CentreError());
  if (FPassword.Damaged())
    AddNotice(QStringLiteral("家长密码的记录被改坏了（ParentPassword不是本程序写的格式）：现在任何密码都不对，请删除这"
                             "个值后重新设置密码。"));
  // Said at once, not only when three cards are used up: the parent should know beforehand.
  if (QGuiApplication::platformName() == QStringLiteral("wayland"))
    AddNotice(LockNoGrabText(LockNoGrabDisplay));
}

TFrmHostMain::~TFrmHostMain() = default;

void TFrmHostMain::ShowCentre() {
  if (FCentreShown || !FLibraries.PembloBox())
    return;
  FCentreShown = true;
  FLibraries.PembloBox()(static_cast<quintptr>(pnlCentre->winId()));
}

void TFrmHostMain::CheckOwnTitles() {
  for (QWidget *window : {static_cast<QWidget *>(this), FLockChannel.get()}) {
    const auto owner = FindWindowByTitle(window->windowTitle());
    if (owner && owner->sBusName != TWindowEndpoint::Of(window)->BusName())
      AddNotice(QStringLiteral("另一个程序占用了窗口名“%1”，家长的规则可能收不到通知！").arg(window->windowTitle()));
  }
}

void TFrmHostMain::AddNotice(const QString &text) {
  lstNotices->insertItem(0, QDateTime::currentDateTime().toString(QStringLiteral("hh:mm:ss ")) + text);
  while (lstNotices->count() > kNoticesKept)
    delete lstNotices->takeItem(lstNotices->count() - 1);
}

qint64 TFrmHostMain::MainMessage(quint32 msg, qint64 wParam, qint64 lParam) {
  AddNotice(QStringLiteral("%1 %2 %3").arg(MessageName(msg)).arg(wParam).arg(lParam));
  // The count shown is the counter's own: any program on the bus could send another number.
  if (msg == WM_YCARDUPDATE)
    ShowCardCount(TPenalta().YCount());
  else if (msg == WM_LOCKNOGRAB)
    AddNotice(LockNoGrabText(wParam));
  if (FOnNotice)
    FOnNotice(msg, wParam, lParam);
  return 0;
}

qint64 TFrmHostMain::LockMessage(quint32 msg, qint64 wParam, qint64 lParam) {
  AddNotice(QStringLiteral("%1 %2 %3").arg(MessageName(msg)).arg(wParam).arg(lParam));
  if (msg == WM_CFGUPDATE) {
    FCfMrg.LoadFormFile();
    ShowFilterState();
  }
  if (FOnNotice)
    FOnNotice(msg, wParam, lParam);
  return 0;
}

void TFrmHostMain::ShowCardCount(int count) {
  FCardCount = count;
  lblCards->setText(QStringLiteral("黄牌：%1 / 3").arg(count));
}

void TFrmHostMain::ShowFilterState() {
  btnFilter->SetCaption(FCfMrg.AppCf().OffOn() ? QStringLiteral("过滤：开") : QStringLiteral("过滤：关"));
}

bool TFrmHostMain::ParentConfirms() { return TFrmPassword::Confirm(FPassword, this); }

void TFrmHostMain::closeEvent(QCloseEvent *event) {
  // The close button, the window manager's menu and its keys all come here. Minimising does not.
  bool allowed = false;
  GuardedCall([&] { allowed = ParentConfirms(); });
  if (!allowed) {
    event->ignore();
    return;
  }
  event->accept();
  if (FOnClose)
    FOnClose();
}

void TFrmHostMain::btnBrowserClick() { RunFile(GetBrowserPath(), QString()); }

void TFrmHostMain::btnNewsClick() {
  RunFile(CombinePath(GetExePath(), QStringLiteral("../PembloExternal/PembloExternal")), QString());
}

void TFrmHostMain::btnManageClick() {
  if (!ParentConfirms())
    return;
  // Beside the main window, on its right.
  const QRect frame = frameGeometry();
  FLibraries.ShowMrgMain()(frame.right() + 4, frame.top());
}

void TFrmHostMain::btnCardsClick() {
  if (!ParentConfirms())
    return;
  const QPoint under = btnCards->mapToGlobal(QPoint(0, btnCards->height()));
  FLibraries.ShowYCardMenu()(under.x(), under.y());
}

void TFrmHostMain::btnFilterClick() {
  if (!ParentConfirms())
    return;
  const bool was = FCfMrg.AppCf().OffOn();
  FCfMrg.AppCf().SetOffOn(!was);
  // Saving posts the settings notice to every browser and to our own lock channel. A save that
  // failed (a full disk) leaves the switch as the file has it, so the next click tries again.
  try {
    FCfMrg.Update();
  } catch (...) {
    FCfMrg.AppCf().SetOffOn(was);
    throw;
  }
  ShowFilterState();
}

void TFrmHostMain::btnPasswordClick() {
  if (!FPassword.IsSet()) {
    ParentConfirms();
    return;
  }
  TFrmPassword form(FPassword, TPasswordMode::Change, this);
  form.exec();
}
