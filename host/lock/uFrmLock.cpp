#include "host/lock/uFrmLock.h"
#include "common/uFrmInfos.h"
#include "common/uMsgs.h"
#include "common/uSessionAgent.h"
#include "host/uHostLook.h"
#include "platform/errors/ErrorGuard.h"
#include "platform/os/WindowDirectory.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>
#include <cstdlib>
#include <xcb/xcb.h>

TFrmLock::TFrmLock(TParentPassword &password) : FPassword(password) {
  setWindowTitle(QStringLiteral("Sunvale锁定"));
  // On an X server the window manager is left out: without one, or with one that does not
  // agree, a managed window would not cover the screens nor stay above the others.
  setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                 (OnXServer() ? Qt::X11BypassWindowManagerHint : Qt::WindowFlags()));
  auto *layout = new QVBoxLayout(this);
  layout->addStretch(2);
  auto *lblTitle = new QLabel(QStringLiteral("你已经有三张黄牌了"), this);
  auto *lblText = new QLabel(QStringLiteral("电脑现在锁定了。请家长输入密码解锁。"), this);
  QFont big = font();
  big.setPixelSize(40);
  big.setBold(true);
  lblTitle->setFont(big);
  QFont middle = font();
  middle.setPixelSize(20);
  lblText->setFont(middle);
  edtPassword = new QLineEdit(this);
  edtPassword->setObjectName(QStringLiteral("edtPassword"));
  edtPassword->setEchoMode(QLineEdit::Password);
  edtPassword->setFixedWidth(240);
  edtPassword->setPlaceholderText(QStringLiteral("家长密码，回车确认"));
  // A context menu is a window of its own: opening it would take the grabs away from the lock.
  edtPassword->setContextMenuPolicy(Qt::NoContextMenu);
  lblMessage = new QLabel(this);
  lblMessage->setObjectName(QStringLiteral("lblMessage"));
  lblMessage->setFont(middle);
  for (QLabel *label : {lblTitle, lblText, lblMessage}) {
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, Qt::white);
    label->setPalette(pal);
    layout->addWidget(label, 0, Qt::AlignHCenter);
  }
  layout->insertWidget(3, edtPassword, 0, Qt::AlignHCenter);
  layout->addStretch(3);
  connect(edtPassword, &QLineEdit::returnPressed, this, Guarded([this] { edtPasswordReturn(); }));
  // The parent may also take cards back in the host (or give the lock back elsewhere): the
  // screen goes when the lock may open.
  auto *tmrCards = new QTimer(this);
  connect(tmrCards, &QTimer::timeout, this, [this] {
    GuardedCall([this] {
      if (LockMayOpen())
        Unlock();
    });
  });
  tmrCards->start(1000);
  tmrHold = new QTimer(this);
  connect(tmrHold, &QTimer::timeout, this, [this] { GuardedCall([this] { KeepHold(); }); });
}

bool TFrmLock::OnXServer() { return QGuiApplication::platformName() == QStringLiteral("xcb"); }

void TFrmLock::Lock() {
  CoverScreens();
  KeepHold();
  tmrHold->start(HoldIntervalMs);
}

void TFrmLock::CoverScreens() {
  QScreen *primary = QGuiApplication::primaryScreen();
  if (!OnXServer() || !primary) {
    showFullScreen();
    return;
  }
  const QRect all = primary->virtualGeometry();
  // The message stands in the middle of the main screen; the other screens are covered plain.
  const QRect main = primary->geometry();
  setContentsMargins(main.left() - all.left(), main.top() - all.top(), all.right() - main.right(),
                     all.bottom() - main.bottom());
  setGeometry(all);
  show();
}

void TFrmLock::TakeBackWindow() {
  // Any client of the X server may unmap the window or put it inside a window of its own; Qt
  // still thinks it shown. The server's own answer counts: the window goes back under the root
  // and is mapped again, so the grabs taken next hold.
  auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  if (!x11 || !windowHandle())
    return;
  xcb_connection_t *c = x11->connection();
  const auto window = xcb_window_t(winId());
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
  xcb_query_tree_reply_t *tree = xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr);
  xcb_get_window_attributes_reply_t *attributes =
      xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr);
  if (tree && tree->parent != root) {
    const QRect all = QGuiApplication::primaryScreen()->virtualGeometry();
    xcb_reparent_window(c, window, root, int16_t(all.x()), int16_t(all.y()));
  }
  if ((tree && tree->parent != root) || (attributes && attributes->map_state != XCB_MAP_STATE_VIEWABLE))
    xcb_map_window(c, window);
  std::free(tree);
  std::free(attributes);
  xcb_flush(c);
}

void TFrmLock::KeepHold() {
  if (OnXServer()) {
    TakeBackWindow();
    if (geometry() != QGuiApplication::primaryScreen()->virtualGeometry())
      CoverScreens();  // a screen was added, removed or changed
  }
  // Another window that bypasses the window manager could be put above the lock.
  raise();
  QWindow *window = windowHandle();
  // Taken again at every step: the X server keeps one grab per client, and asking again costs a
  // round trip, while a grab lost to a hidden moment of the window would otherwise stay lost.
  const bool keyboard = window && window->setKeyboardGrabEnabled(true);
  const bool pointer = window && window->setMouseGrabEnabled(true);
  FHoldsInput = keyboard && pointer;
  FFailedHolds = FHoldsInput ? 0 : FFailedHolds + 1;
  if (FHoldsInput || FHostTold)
    return;
  // Another program may hold a grab for a moment (an open menu); only a lasting failure is told.
  if (OnXServer() && FFailedHolds * HoldIntervalMs < TellHostAfterMs)
    return;
  FHostTold = true;
  if (const auto host = FindWindowByTitle(FrmInfos[fiMainWindow].sCaption))
    PostWindowMessage(*host, WM_LOCKNOGRAB, OnXServer() ? LockNoGrabHeld : LockNoGrabDisplay, 0);
}

void TFrmLock::Unlock() {
  FUnlocked = true;
  tmrHold->stop();
  if (QWindow *window = windowHandle()) {
    window->setKeyboardGrabEnabled(false);
    window->setMouseGrabEnabled(false);
  }
  close();
}

void TFrmLock::edtPasswordReturn() {
  switch (FPassword.Check(edtPassword->text())) {
  case TPasswordCheck::Right:
    GiveLockBack();
    Unlock();
    return;
  case TPasswordCheck::Wrong:
    lblMessage->setText(QStringLiteral("密码不对！"));
    break;
  case TPasswordCheck::Locked:
    lblMessage->setText(QStringLiteral("错误太多，请%1秒后再试。").arg(FPassword.SecondsLocked()));
    break;
  }
  edtPassword->clear();
}

void TFrmLock::closeEvent(QCloseEvent *event) {
  if (FUnlocked)
    event->accept();
  else
    event->ignore();
}

void TFrmLock::showEvent(QShowEvent *event) {
  QWidget::showEvent(event);
  activateWindow();
  // The keys the grab brings to the window go on to its focused field.
  edtPassword->setFocus();
}

void TFrmLock::paintEvent(QPaintEvent *) {
  QPainter p(this);
  QLinearGradient sky(0, 0, 0, height());
  sky.setColorAt(0, HostLook::SkyDark);
  sky.setColorAt(1, HostLook::Sky);
  p.fillRect(rect(), sky);
  // Three yellow cards in the middle of the top of the main screen.
  const QRect main = contentsRect();
  const int w = 60, h = 84, gap = 24, left = main.left() + (main.width() - 3 * w - 2 * gap) / 2,
            top = main.top() + main.height() / 6;
  p.setRenderHint(QPainter::Antialiasing);
  for (int i = 0; i < 3; ++i) {
    p.setBrush(QColor(255, 201, 51));
    p.setPen(QPen(QColor(200, 150, 20), 2));
    p.drawRoundedRect(QRect(left + i * (w + gap), top, w, h), 6, 6);
  }
}
