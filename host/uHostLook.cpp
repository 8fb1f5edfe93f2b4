#include "host/uHostLook.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

using namespace HostLook;

THostFrame::THostFrame(const QString &title, QWidget *parent) : QWidget(parent), FTitle(title) {
  setGeometry(parent->rect());
  lower();
}

void THostFrame::paintEvent(QPaintEvent *) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
  QPainterPath card;
  card.addRoundedRect(r, 8, 8);
  p.fillPath(card, SkyPale);
  p.save();
  p.setClipPath(card);
  QLinearGradient band(0, 0, 0, TitleHeight);
  band.setColorAt(0, Sky.lighter(115));
  band.setColorAt(1, Sky);
  p.fillRect(QRectF(0, 0, width(), TitleHeight), band);
  p.restore();
  p.setPen(QPen(SkyDark, 1));
  p.drawPath(card);
  QFont font = p.font();
  font.setPixelSize(13);
  font.setBold(true);
  p.setFont(font);
  p.setPen(Qt::white);
  p.drawText(QRect(10, 0, width() - 50, TitleHeight), Qt::AlignVCenter | Qt::AlignLeft, FTitle);
}

void THostFrame::mousePressEvent(QMouseEvent *event) {
  if (event->button() == Qt::LeftButton && event->position().y() < TitleHeight)
    FDragFrom = event->globalPosition().toPoint() - window()->frameGeometry().topLeft();
  else
    FDragFrom = QPoint();
}

void THostFrame::mouseMoveEvent(QMouseEvent *event) {
  if ((event->buttons() & Qt::LeftButton) && !FDragFrom.isNull())
    window()->move(event->globalPosition().toPoint() - FDragFrom);
}
