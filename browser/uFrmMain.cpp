#include "browser/uFrmMain.h"

#include "browser/uAddressBox.h"
#include "browser/uBrowserRes.h"
#include "browser/uBrowserServices.h"
#include "browser/uChild.h"
#include "browser/uDefaultBrowser.h"
#include "browser/uFavs.h"
#include "browser/uNagBar.h"
#include "browser/uPanelPanel.h"
#include "browser/uTagsBar.h"
#include "common/uAppcf.h"
#include "common/uFrmInfos.h"
#include "common/uGuardLink.h"
#include "common/uMsgs.h"
#include "controls/uSkin.h"
#include "datastore/uWebBlackList.h"
#include "platform/errors/ErrorGuard.h"
#include "platform/os/WindowDirectory.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>
#include <algorithm>
#include <limits>
#include <utility>

namespace {

// Pictures of the tool-bar image list: three per button (normal, mouse over, disabled).
enum TToolImage { tiGoBack = 0, tiGoForward = 3, tiRefresh = 6, tiHome = 9, tiFav = 12, tiAddFav = 15 };
// Pictures of the system buttons: two per button (normal, mouse over).
enum TSysImage { siMinimize = 0, siMaximize = 2, siRestore = 4, siClose = 6 };

constexpr int ToolButtonWidth = 52;
constexpr int ToolButtonHeight = 58;
constexpr int SysButtonWidth = 26;
constexpr int SysButtonHeight = 22;
constexpr int SysToolBarTop = 3;
constexpr int AddressBoxHeight = 24;
constexpr int CornerEllipse = 9;
const QColor FrameColor(128, 128, 128);        // 8421504
const QColor AddressBorder(0x75, 0xb7, 0x2f);  // 3127157 (blue 47, green 183, red 117)

QPixmap Pixmap(const TPicture &picture) { return QPixmap::fromImage(picture.Image()); }

// The rounded outline of the window: a rounded rectangle whose bottom edge lies below the
// window, so only the top corners are round.
QPainterPath RoundedOutline(int width, int height) {
  QPainterPath path;
  path.addRoundedRect(QRectF(0, 0, width, height), CornerEllipse / 2.0, CornerEllipse / 2.0);
  return path;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
TImageListButton::TImageListButton(const TPicture &images, int imageWidth, QWidget *parent)
    : QAbstractButton(parent), FImages(images), FImageWidth(imageWidth) {
  setFocusPolicy(Qt::NoFocus);
}

void TImageListButton::SetImageIndex(int value) {
  FImageIndex = value;
  update();
}

int TImageListButton::ShownImage() const {
  if (!isEnabled())
    return FImageIndex + FDisabledStep;
  return FImageIndex + (FMouseOver ? 1 : 0);
}

void TImageListButton::paintEvent(QPaintEvent *) {
  QPainter painter(this);
  const int imageHeight = FImages.Height();
  const int x = (width() - FImageWidth) / 2;
  const int y = text().isEmpty() ? (height() - imageHeight) / 2 : 4;
  painter.drawImage(QPoint(x, y), FImages.Image(), QRect(ShownImage() * FImageWidth, 0, FImageWidth, imageHeight));
  if (!text().isEmpty()) {
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::ButtonText));
    const QRect caption(0, 0, width(), height() - 3);
    painter.drawText(caption, Qt::AlignHCenter | Qt::AlignBottom | Qt::TextSingleLine, text());
  }
}

void TImageListButton::enterEvent(QEnterEvent *event) {
  FMouseOver = true;
  update();
  QAbstractButton::enterEvent(event);
}

void TImageListButton::leaveEvent(QEvent *event) {
  FMouseOver = false;
  update();
  QAbstractButton::leaveEvent(event);
}

// ---------------------------------------------------------------------------------------------
TFrmMain::TFrmMain(const QStringList &arguments, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), FArguments(arguments) {
  FormCreate();
}

TFrmMain::~TFrmMain() {
  // The registry owns the pages; they go before the panel that shows them.
  FormClose();
}

void TFrmMain::FormCreate() {
  FTitleBg = SkinPicture(QStringLiteral("titlebar_bg.png"));
  FToolBg = SkinPicture(QStringLiteral("toolbar_bg.png"));
  FStateBg = SkinPicture(QStringLiteral("statusbar_bg.png"));
  FDropDown = SkinPicture(QStringLiteral("address_dropdown.png"));

  auto *layout = new QVBoxLayout(this);
  // The client area is the window shrunk by one pixel on each side: the grey frame.
  layout->setContentsMargins(1, 1, 1, 1);
  layout->setSpacing(0);

  CreateTitleBar(this);
  CreateToolBar(this);
  pnlMain = new QWidget(this);
  FPagesLayout = new QGridLayout(pnlMain);
  FPagesLayout->setContentsMargins(0, 0, 0, 0);
  FPagesLayout->setSpacing(0);
  // Column 0 is kept for the favorites panel on the left; the pages lie on one another in 1,
  // only the current one shown.
  FPagesLayout->setColumnStretch(1, 1);
  CreateStateBar(this);
  NameControls();

  layout->addWidget(xypnlTitleBar);
  layout->addWidget(xypnlToolBar);
  layout->addWidget(pnlMain, 1);
  layout->addWidget(xypnlStateBar);

  adrsbxIEAddress->SetBorderColor(AddressBorder);
  FSubject = std::make_unique<TSubjectChild>();

  // F5 anywhere in the browser refreshes the current page; pages closing themselves are seen.
  qApp->installEventFilter(this);

  // Other processes find the window by its class name and tell it that the settings or the
  // black list changed.
  // The window's title is the shown page's title, which the page chooses: it is never
  // published, or a page titled like a window of the suite would take that window's name.
  TWindowEndpoint *endpoint = TWindowEndpoint::Of(this);
  disconnect(this, &QWidget::windowTitleChanged, endpoint, nullptr);
  endpoint->SetClassName(FrmInfos[fiBrowserClass].sCaption);
  endpoint->SetMessageHandler([this](quint32 msg, qint64, qint64) -> qint64 {
    if (msg == WM_CFGUPDATE)
      WMCfgUpdate();
    if (msg == WM_WEBSUPDATE)
      WMWebsUpdate();
    return 0;
  });

  // In guarded mode the guard tells of every change itself, so the pages follow the parent's
  // rules even when no host runs in the session to pass the notices on.
  if (const TGuardLink *guard = TGuardLink::Active()) {
    guard->Follow(QStringLiteral("SettingsChanged"), this,
                  [this](const QVariantList &) { GuardedCall([this] { WMCfgUpdate(); }); });
    guard->Follow(QStringLiteral("BlackListChanged"), this,
                  [this](const QVariantList &) { GuardedCall([this] { WMWebsUpdate(); }); });
  }

  // The black list is checked again when a row's window begins, on the pages already open.
  FWindowTimer = new QTimer(this);
  FWindowTimer->setSingleShot(true);
  FWindowTimer->setTimerType(Qt::PreciseTimer);
  connect(FWindowTimer, &QTimer::timeout, this, [this] { GuardedCall([this] { CheckPagesAgainstBlackList(); }); });
  CheckPagesAgainstBlackList();

  resize(1000, 700);
  RoundWindow();
}

void TFrmMain::NameControls() {
  const std::pair<QObject *, const char *> controls[] = {
      {xypnlTitleBar, "xypnlTitleBar"},
      {imgAppICO, "imgAppICO"},
      {tlbSysCtl, "tlbSysCtl"},
      {btnMinimize, "btnMinimize"},
      {btnMax, "btnMax"},
      {btnClose, "btnClose"},
      {xypnlToolBar, "xypnlToolBar"},
      {imgLogo, "imgLogo"},
      {tlbBrowserCtl, "tlbBrowserCtl"},
      {btnGoBack, "btnGoBack"},
      {btnGoForward, "btnGoForward"},
      {btnRefresh, "btnRefresh"},
      {btnHome, "btnHome"},
      {btnFav, "btnFav"},
      {btnAddFav, "btnAddFav"},
      {adrsbxIEAddress, "adrsbxIEAddress"},
      {imgGo, "imgGo"},
      {ngbrNagBar, "ngbrNagBar"},
      {tgsbrBrowser, "tgsbrBrowser"},
      {pnlMain, "pnlMain"},
      {xypnlStateBar, "xypnlStateBar"},
      {lblStateText, "lblStateText"},
  };
  for (const auto &[control, name] : controls)
    control->setObjectName(QLatin1StringView(name));
}

void TFrmMain::CreateTitleBar(QWidget *parent) {
  xypnlTitleBar = new TPaintPanel(parent);
  xypnlTitleBar->setFixedHeight(FTitleBg.Height());
  xypnlTitleBar->SetOnPaint([this](TPaintPanel &sender, QPainter &canvas) { xypnlTitleBarPaint(sender, canvas); });
  xypnlTitleBar->installEventFilter(this);

  auto *icon = new QLabel(xypnlTitleBar);
  icon->setPixmap(Pixmap(SkinPicture(QStringLiteral("logo16.png"))));
  icon->setGeometry(6, (FTitleBg.Height() - 16) / 2, 16, 16);
  icon->setAttribute(Qt::WA_TransparentForMouseEvents);
  imgAppICO = icon;

  const TPicture sysImages = SkinPicture(QStringLiteral("sysbuttons.png"));
  tlbSysCtl = new QWidget(xypnlTitleBar);
  tlbSysCtl->setFixedSize(3 * SysButtonWidth, SysButtonHeight);
  auto makeSys = [&](int image, const QString &hint, int position) {
    auto *button = new TImageListButton(sysImages, SysButtonWidth, tlbSysCtl);
    button->SetImageIndex(image);
    button->setToolTip(hint);
    button->setGeometry(position * SysButtonWidth, 0, SysButtonWidth, SysButtonHeight);
    return button;
  };
  btnMinimize = makeSys(siMinimize, QStringLiteral("最小化"), 0);
  btnMax = makeSys(siMaximize, QStringLiteral("最大化"), 1);
  btnClose = makeSys(siClose, QStringLiteral("关闭"), 2);
  connect(btnMinimize, &QAbstractButton::clicked, this, [this] { showMinimized(); });
  connect(btnMax, &QAbstractButton::clicked, this, [this] {
    ToggleMaximized();
    adrsbxIEAddress->lineEdit()->setCursorPosition(0);
  });
  connect(btnClose, &QAbstractButton::clicked, this, [this] { close(); });
}

void TFrmMain::CreateToolBar(QWidget *parent) {
  xypnlToolBar = new TPaintPanel(parent);
  xypnlToolBar->setFixedHeight(FToolBg.Height());
  xypnlToolBar->SetOnPaint(
      [this](TPaintPanel &sender, QPainter &canvas) { FToolBg.StretchDraw(canvas, sender.rect()); });

  auto *logo = new QLabel(xypnlToolBar);
  const TPicture logoPicture = SkinPicture(QStringLiteral("browser_logo.png"));
  logo->setPixmap(Pixmap(logoPicture));
  logo->setGeometry(5, 4, logoPicture.Width(), logoPicture.Height());
  imgLogo = logo;

  const TPicture toolImages = SkinPicture(QStringLiteral("toolbar_buttons.png"));
  const int imageWidth = toolImages.Height();  // square pictures
  tlbBrowserCtl = new QWidget(xypnlToolBar);
  tlbBrowserCtl->setGeometry(logo->geometry().right() + 6, 4, 6 * ToolButtonWidth, ToolButtonHeight);
  int position = 0;
  auto makeTool = [&](int image, const QString &caption) {
    auto *button = new TImageListButton(toolImages, imageWidth, tlbBrowserCtl);
    button->SetImageIndex(image);
    button->setText(caption);
    button->setToolTip(caption);
    button->setGeometry(position++ * ToolButtonWidth, 0, ToolButtonWidth, ToolButtonHeight);
    QPalette palette = button->palette();
    palette.setColor(QPalette::ButtonText, Qt::white);
    button->setPalette(palette);
    return button;
  };
  btnGoBack = makeTool(tiGoBack, QStringLiteral("后退"));
  btnGoForward = makeTool(tiGoForward, QStringLiteral("前进"));
  btnRefresh = makeTool(tiRefresh, QStringLiteral("刷新"));
  btnHome = makeTool(tiHome, QStringLiteral("主页"));
  btnFav = makeTool(tiFav, QStringLiteral("收藏"));
  btnAddFav = makeTool(tiAddFav, QStringLiteral("添加"));
  btnGoBack->setEnabled(false);
  btnGoForward->setEnabled(false);
  connect(btnGoBack, &QAbstractButton::clicked, this, [this] { FSubject->GoBack(CurrentIndex()); });
  connect(btnGoForward, &QAbstractButton::clicked, this, [this] { FSubject->GoForward(CurrentIndex()); });
  connect(btnRefresh, &QAbstractButton::clicked, this, [this] { FSubject->Refresh(CurrentIndex()); });
  connect(btnHome, &QAbstractButton::clicked, this, [this] { INewPage(HomePageAddress(), true); });
  connect(btnFav, &QAbstractButton::clicked, this, [this] { btnFavClick(); });
  connect(btnAddFav, &QAbstractButton::clicked, this, [this] { FSubject->AddFav(CurrentIndex()); });

  adrsbxIEAddress = new TAddressBox(xypnlToolBar);
  adrsbxIEAddress->setFixedHeight(AddressBoxHeight);
  adrsbxIEAddress->SetOnBtnPaint([this](const QRect &rect, QPainter &canvas, bool) {
    FDropDown.StretchDraw(canvas, rect.adjusted(-2, 2, 0, -2));
  });
  connect(adrsbxIEAddress->lineEdit(), &QLineEdit::returnPressed, this, [this] { NavigateToAddressBox(); });

  imgGo = new TCtrBtn(xypnlToolBar);
  imgGo->SetResName(QStringLiteral("go"));
  imgGo->setCursor(Qt::PointingHandCursor);
  connect(imgGo, &TCtrBtn::clicked, this, [this] { NavigateToAddressBox(); });

  ngbrNagBar = new TNagBar(xypnlToolBar);
  QPalette nagPalette = ngbrNagBar->palette();
  nagPalette.setColor(QPalette::WindowText, Qt::white);
  ngbrNagBar->setPalette(nagPalette);
  ngbrNagBar->resize(ngbrNagBar->sizeHint());
  ngbrNagBar->SetOnHyperlinks([this](const QString &code) { ngbrNagBarHyperlinks(code); });

  tgsbrBrowser = new TTagsBar(xypnlToolBar);
  tgsbrBrowser->Spacing().SetIcoToText(10);
  tgsbrBrowser->SetTabHeight(30);
  tgsbrBrowser->SetOnChange([this](int NewTab) { tgsbrBrowserChange(NewTab); });
  tgsbrBrowser->SetOnTabClose([this](int o, int n) { tgsbrBrowserTabClose(o, n); });
  tgsbrBrowser->SetOnTabNew([this](int n, const QString &u, bool a) { tgsbrBrowserTabNew(n, u, a); });
}

void TFrmMain::CreateStateBar(QWidget *parent) {
  xypnlStateBar = new TPaintPanel(parent);
  xypnlStateBar->setFixedHeight(FStateBg.Height());
  xypnlStateBar->SetOnPaint(
      [this](TPaintPanel &sender, QPainter &canvas) { FStateBg.StretchDraw(canvas, sender.rect()); });
  lblStateText = new QLabel(xypnlStateBar);
  lblStateText->setGeometry(10, 0, 10, FStateBg.Height());
  lblStateText->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

// ---------------------------------------------------------------------------------------------
void TFrmMain::showEvent(QShowEvent *event) {
  QWidget::showEvent(event);
  if (!FShown) {
    FShown = true;
    FormShow();
  }
}

void TFrmMain::FormShow() {
  INewPage(HomePageAddress(), true);
  if (FArguments.size() == 1)
    INewPage(FArguments.front(), true);
  // The offer to become the default browser comes after the start pages, once the window is
  // on the screen and the show is over (the question runs a modal loop of its own).
  QMetaObject::invokeMethod(
      this, [] { GuardedCall([] { MakeDefaultBrowserOffer(); }); }, Qt::QueuedConnection);
}

void TFrmMain::resizeEvent(QResizeEvent *event) {
  QWidget::resizeEvent(event);
  FormResize();
}

void TFrmMain::FormResize() {
  tlbSysCtl->update();
  LayoutToolBarRow();
  RoundWindow();
}

void TFrmMain::LayoutToolBarRow() {
  const int width = this->width();
  tlbSysCtl->move(width - tlbSysCtl->width() - 10, SysToolBarTop);

  const QRect tools = tlbBrowserCtl->geometry();
  const int addressLeft = tools.left() + tools.width() + 10;
  adrsbxIEAddress->setGeometry(addressLeft, tools.top() + 8, width - tools.left() - tools.width() - 85,
                               AddressBoxHeight);
  imgGo->move(adrsbxIEAddress->geometry().right() + 1, adrsbxIEAddress->y());
  ngbrNagBar->move(addressLeft, adrsbxIEAddress->y() + adrsbxIEAddress->height() + 5);

  tgsbrBrowser->setGeometry(0, xypnlToolBar->height() - tgsbrBrowser->height(), width - 2, tgsbrBrowser->height());
  lblStateText->resize(width - 20, lblStateText->height());
}

void TFrmMain::RoundWindow() {
  setMask(QRegion(RoundedOutline(width() + 1, height() + 5).toFillPolygon().toPolygon()));
}

void TFrmMain::paintEvent(QPaintEvent *) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(FrameColor);
  painter.setBrush(Qt::NoBrush);
  painter.drawRoundedRect(QRectF(0.5, 0.5, width() - 1, height() + 4), CornerEllipse / 2.0, CornerEllipse / 2.0);
}

void TFrmMain::changeEvent(QEvent *event) {
  if (event->type() == QEvent::WindowStateChange) {
    const bool maximized = isMaximized();
    btnMax->SetImageIndex(maximized ? siRestore : siMaximize);
    btnMax->setToolTip(maximized ? QStringLiteral("还原") : QStringLiteral("最大化"));
  } else if (event->type() == QEvent::ActivationChange) {
    // Activation changes do not repaint the frame.
    event->accept();
    return;
  }
  QWidget::changeEvent(event);
}

void TFrmMain::closeEvent(QCloseEvent *event) {
  FormClose();
  event->accept();
}

void TFrmMain::FormClose() { FSubject.reset(); }

// ---------------------------------------------------------------------------------------------
bool TFrmMain::eventFilter(QObject *watched, QEvent *event) {
  switch (event->type()) {
  case QEvent::KeyPress: {
    auto *key = static_cast<QKeyEvent *>(event);
    if (key->key() == Qt::Key_F5 && key->modifiers() == Qt::NoModifier && FSubject && tgsbrBrowser->TabIndex() >= 0) {
      GuardedCall([this] { FSubject->Refresh(CurrentIndex()); });
      return true;
    }
    break;
  }
  case QEvent::Close: {
    // A page closed by its own script leaves the registry by itself; its tab follows once the
    // close is over.
    auto *page = qobject_cast<TfrmChild *>(watched);
    if (page && !FClosingPage && FSubject && page->parentWidget() == pnlMain) {
      const int32_t index = FSubject->IndexOf(page);
      if (index >= 0)
        QMetaObject::invokeMethod(
            this, [this, index] { GuardedCall([&] { PageClosedItself(index); }); }, Qt::QueuedConnection);
    }
    break;
  }
  case QEvent::MouseButtonPress:
    if (watched == xypnlTitleBar)
      xypnlTitleBarMousePress(static_cast<QMouseEvent *>(event));
    break;
  case QEvent::MouseMove:
    if (watched == xypnlTitleBar)
      xypnlTitleBarMouseMove(static_cast<QMouseEvent *>(event));
    break;
  case QEvent::MouseButtonRelease:
    if (watched == xypnlTitleBar)
      FDragging = false;
    break;
  case QEvent::MouseButtonDblClick:
    if (watched == xypnlTitleBar && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
      ToggleMaximized();
      return true;
    }
    break;
  default:
    break;
  }
  return QWidget::eventFilter(watched, event);
}

void TFrmMain::PageClosedItself(int32_t index) {
  if (!FSubject || tgsbrBrowser->TabCount() <= FSubject->Count())
    return;  // the tab went with the page already
  if (tgsbrBrowser->TabCount() >= 2) {
    FClosingPage = true;  // the page is gone: only the tab is deleted
    tgsbrBrowser->DelTab(index);
    FClosingPage = false;
    return;
  }
  // The last tab cannot go: it gets a blank page instead.
  tgsbrBrowser->SetTabName(0, tgsbrBrowser->DefaultNewTabName());
  tgsbrBrowserTabNew(0, QStringLiteral("about:blank"), true);
  BringPageToFront(0);
}

void TFrmMain::xypnlTitleBarMousePress(QMouseEvent *event) {
  if (event->button() != Qt::LeftButton || isMaximized())
    return;
  // The window is moved as if its caption were dragged; without a window manager that does
  // it, by hand.
  if (windowHandle() && windowHandle()->startSystemMove())
    return;
  FDragging = true;
  FDragOffset = event->globalPosition().toPoint() - frameGeometry().topLeft();
}

void TFrmMain::xypnlTitleBarMouseMove(QMouseEvent *event) {
  if (FDragging && (event->buttons() & Qt::LeftButton))
    move(event->globalPosition().toPoint() - FDragOffset);
}

void TFrmMain::ToggleMaximized() {
  if (isMaximized())
    showNormal();
  else
    showMaximized();
}

void TFrmMain::xypnlTitleBarPaint(TPaintPanel &sender, QPainter &canvas) {
  FTitleBg.StretchDraw(canvas, sender.rect());
  canvas.setPen(Qt::white);
  const int left = imgAppICO->geometry().right() + 1 + 5;
  canvas.drawText(QRect(left, 0, tlbSysCtl->x() - left - 5, sender.height()),
                  Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                  canvas.fontMetrics().elidedText(windowTitle(), Qt::ElideRight, tlbSysCtl->x() - left - 5));
}

// ---------------------------------------------------------------------------------------------
int32_t TFrmMain::CurrentIndex() const { return tgsbrBrowser->TabIndex(); }

bool TFrmMain::IsCurrent(int32_t atabIndex) const {
  return atabIndex == tgsbrBrowser->TabIndex() || atabIndex == FNewTab;
}

void TFrmMain::NavigateToAddressBox() {
  const QString address = adrsbxIEAddress->currentText();
  FSubject->Navigate(CurrentIndex(), address);
  AddTypedAddress(address);
}

QString TFrmMain::LinkAddress(const QString &code) {
  if (code == QLatin1String("SVAS"))
    return CommunityPageAddress();
  if (code == QLatin1String("SVAW"))
    return AskPageAddress();
  if (code == QLatin1String("SVDD"))
    return HomePageAddress();
  return code;
}

void TFrmMain::btnFavClick() {
  // Made on the first click, on the left of the pages; later clicks show it again.
  if (!FfrmFavs) {
    FfrmFavs = new TfrmFavs(this, pnlMain);
    FPagesLayout->addWidget(FfrmFavs, 0, 0);
  }
  FfrmFavs->show();
}

void TFrmMain::ngbrNagBarHyperlinks(const QString &code) { INewPage(LinkAddress(code), true); }

void TFrmMain::WMCfgUpdate() {
  // A broken file raises (and is reported); the settings in use stay as they were.
  if (TCfMrg *cfMrg = TBrowserServices::CfMrg())
    cfMrg->LoadFormFile();
}

void TFrmMain::WMWebsUpdate() {
  // The whole list is read again whatever changed; a list that cannot be read raises (and is
  // reported) and the one in use stays.
  if (TWebBlackList *blackList = TBrowserServices::BlackList())
    blackList->Load();
  CheckPagesAgainstBlackList();
}

void TFrmMain::CheckPagesAgainstBlackList() {
  FWindowTimer->stop();
  const TWebBlackList *blackList = TBrowserServices::BlackList();
  if (!blackList)
    return;
  for (int32_t i = 0; i < FSubject->Count(); ++i)
    if (auto *page = qobject_cast<TfrmChild *>(FSubject->Items(i)))
      page->CheckShownAddress(false);
  const QDateTime now = QDateTime::currentDateTime();
  if (const auto next = blackList->NextWindowStart(now))
    FWindowTimer->start(int(std::clamp<qint64>(now.msecsTo(*next), 0, std::numeric_limits<int>::max())));
}

void TFrmMain::BringPageToFront(int32_t index) {
  // The page shows itself and reports its state; every other page is hidden, so a view in the
  // background stops drawing while its page goes on loading and being screened.
  FSubject->BringToFront(index);
  for (int32_t i = 0; i < FSubject->Count(); ++i)
    if (i != index)
      if (auto *page = qobject_cast<QWidget *>(FSubject->Items(i)))
        page->hide();
}

void TFrmMain::tgsbrBrowserChange(int NewTab) {
  FNewTab = NewTab;
  BringPageToFront(NewTab);
}

void TFrmMain::tgsbrBrowserTabClose(int oldTabIndex, int NewTabIndex) {
  if (!FClosingPage) {
    FClosingPage = true;
    GuardedCall([&] { FSubject->Close(oldTabIndex); });
    FClosingPage = false;
  }
  // The pages behind the closed one moved down with their tabs; the current one learns it
  // below, the others here, before they report again.
  FSubject->UpdateIndices(oldTabIndex);
  BringPageToFront(NewTabIndex);
}

void TFrmMain::tgsbrBrowserTabNew(int NewTabIndex, const QString &AUrl, bool Action) {
  // A page opened behind the current one stays hidden until its tab is chosen; one opened in
  // front is shown at once and takes the focus, and the tab change that follows hides the
  // others.
  auto *page = new TfrmChild(FSubject.get(), NewTabIndex, AUrl, this, pnlMain);
  page->hide();  // explicitly, or the layout shows it
  FPagesLayout->addWidget(page, 0, 1);
  if (Action) {
    page->show();
    page->raise();
  }
  FSubject->Navigate(NewTabIndex, QString());
  if (Action)
    page->setFocus();
}

// ---------------------------------------------------------------------------------------------
void TFrmMain::ISetTabCaption(int32_t atabIndex, const QString &aCaption) {
  const QString caption = aCaption == QLatin1String("about:blank") ? tgsbrBrowser->DefaultNewTabName() : aCaption;
  tgsbrBrowser->SetTabName(atabIndex, caption);
  if (IsCurrent(atabIndex)) {
    setWindowTitle(caption);
    xypnlTitleBar->update();
    update();
  }
}

void TFrmMain::ISimpleText(int32_t atabIndex, const QString &aSimpleText) {
  if (IsCurrent(atabIndex))
    lblStateText->setText(aSimpleText);
}

int32_t TFrmMain::INewPage(const QString &AUrl, bool aAddTab) {
  if (AUrl.isEmpty())
    return -1;
  const int current = tgsbrBrowser->TabIndex();
  if (tgsbrBrowser->GetTabName(current) == tgsbrBrowser->DefaultNewTabName()) {
    // The current tab is a blank tab not used yet: it takes the address.
    FSubject->Navigate(current, AUrl);
    return -1;
  }
  return tgsbrBrowser->NewTab(AUrl, aAddTab);
}

void TFrmMain::ISetBackState(int32_t atabIndex, bool aEnabled) {
  if (IsCurrent(atabIndex))
    btnGoBack->setEnabled(aEnabled);
}

void TFrmMain::ISetForwadState(int32_t atabIndex, bool aEnabled) {
  if (IsCurrent(atabIndex))
    btnGoForward->setEnabled(aEnabled);
}

void TFrmMain::ISetStopState(int32_t, bool) {
  // The window has no stop button.
}

void TFrmMain::ISetAddressText(int32_t atabIndex, const QString &aText) {
  if (IsCurrent(atabIndex))
    adrsbxIEAddress->setEditText(aText);
}
