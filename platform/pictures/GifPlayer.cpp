#include "platform/pictures/GifPlayer.h"

#include <QPainter>

TGifPlayer::TGifPlayer(QWidget *parent) : QWidget(parent) {
  FTimer.setSingleShot(true);
  connect(&FTimer, &QTimer::timeout, this, &TGifPlayer::Advance);
}

void TGifPlayer::SetAnimation(const TGifAnimation &animation) {
  FTimer.stop();
  FAnimation = animation;
  FFrame = 0;
  update();
}

void TGifPlayer::Start(const QColor &background) {
  FBackground = background;
  FFrame = 0;
  update();
  ScheduleNext();
}

void TGifPlayer::Stop() { FTimer.stop(); }

void TGifPlayer::ScheduleNext() {
  if (FAnimation.Frames().size() < 2)
    return;
  int delay = FAnimation.Frames()[size_t(FFrame)].DelayMs;
  if (delay < ShortestDelayMs)
    delay = SlowDelayMs;
  FTimer.start(delay);
}

void TGifPlayer::Advance() {
  FFrame = (FFrame + 1) % int(FAnimation.Frames().size());
  update();
  ScheduleNext();
}

void TGifPlayer::paintEvent(QPaintEvent *) {
  QPainter painter(this);
  painter.fillRect(rect(), FBackground);
  if (!FAnimation.IsEmpty())
    painter.drawImage(0, 0, FAnimation.Frames()[size_t(FFrame)].Image);
}
