#include "host/lock/uFrmLock.h"
#include "cards/uPenalta.h"
#include "host/uHostLook.h"
#include "platform/errors/ErrorGuard.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QPainter>
#include <QTimer>
#include <QVBoxLayout>

TFrmLock::TFrmLock(TParentPassword &password) : FPassword(password) {
  setWindowTitle(QStringLiteral("Sunvale锁定"));
  setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
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
  // The parent may also take cards back in the host; below three cards the screen goes. A
  // count that cannot be read keeps it.
  auto *tmrCards = new QTimer(this);
  connect(tmrCards, &QTimer::timeout, this, [this] {
    try {
      if (TPenalta().YCount() < TPenalta::MaxCards)
        Unlock();
    } catch (const std::exception &) {
    }
  });
  tmrCards->start(1000);
}

void TFrmLock::Unlock() {
  FUnlocked = true;
  releaseKeyboard();
  close();
}

void TFrmLock::edtPasswordReturn() {
  switch (FPassword.Check(edtPassword->text())) {
  case TPasswordCheck::Right:
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
  edtPassword->setFocus();
  // Keys go to the lock screen only, so the window manager's shortcuts do not reach around it.
  grabKeyboard();
}

void TFrmLock::paintEvent(QPaintEvent *) {
  QPainter p(this);
  QLinearGradient sky(0, 0, 0, height());
  sky.setColorAt(0, HostLook::SkyDark);
  sky.setColorAt(1, HostLook::Sky);
  p.fillRect(rect(), sky);
  // Three yellow cards in the middle of the top.
  const int w = 60, h = 84, gap = 24, left = (width() - 3 * w - 2 * gap) / 2, top = height() / 6;
  p.setRenderHint(QPainter::Antialiasing);
  for (int i = 0; i < 3; ++i) {
    p.setBrush(QColor(255, 201, 51));
    p.setPen(QPen(QColor(200, 150, 20), 2));
    p.drawRoundedRect(QRect(left + i * (w + gap), top, w, h), 6, 6);
  }
}
