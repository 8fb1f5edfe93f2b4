#include "appcentre/uImage.h"

#include <QMouseEvent>
#include <QPainter>

void TImage::SetPicture(const TPicture &value) {
  FPicture = value;
  update();
}

void TImage::paintEvent(QPaintEvent *) {
  QPainter painter(this);
  FPicture.Draw(painter, 0, 0);
}

void TImage::mousePressEvent(QMouseEvent *event) { FPressed = event->button() == Qt::LeftButton; }

void TImage::mouseReleaseEvent(QMouseEvent *event) {
  const bool click = FPressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
  FPressed = false;
  if (click && FOnClick)
    FOnClick();
}
