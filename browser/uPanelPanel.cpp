#include "browser/uPanelPanel.h"

#include <QPainter>

TPaintPanel::TPaintPanel(QWidget *parent) : QWidget(parent) { setAutoFillBackground(true); }

void TPaintPanel::SetOnPaint(TPaintEvent handler) {
  FOnPaint = std::move(handler);
  // The owner paints every pixel, so the background is not erased first.
  setAutoFillBackground(!FOnPaint);
  setAttribute(Qt::WA_OpaquePaintEvent, bool(FOnPaint));
  update();
}

void TPaintPanel::paintEvent(QPaintEvent *event) {
  if (!FOnPaint) {
    QWidget::paintEvent(event);
    return;
  }
  QPainter canvas(this);
  canvas.setFont(font());
  canvas.setBrush(palette().color(backgroundRole()));
  FOnPaint(*this, canvas);
}
