#include "controls/uMemoEx.h"
#include "controls/uFonts.h"

#include <QPainter>

TMemoEx::TMemoEx(QWidget *parent) : QPlainTextEdit(parent) {
  InstallFontSubstitutes();
  // Our own two-line frame replaces the style's: the border colour outside, the memo's colour
  // inside it.
  setFrameShape(QFrame::NoFrame);
  setViewportMargins(2, 2, 2, 2);
  SetColor(Qt::white);
}

QColor TMemoEx::Color() const { return palette().color(QPalette::Base); }

void TMemoEx::SetColor(const QColor &value) {
  QPalette pal = palette();
  pal.setColor(QPalette::Base, value);
  pal.setColor(QPalette::Window, value);
  setPalette(pal);
  update();
}

void TMemoEx::SetBorderColor(const QColor &value) {
  if (value == FBorderColor)
    return;
  FBorderColor = value;
  if (parentWidget())
    update();
}

bool TMemoEx::event(QEvent *event) {
  const bool handled = QPlainTextEdit::event(event);
  if (event->type() == QEvent::Paint) {
    QPainter painter(this);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(Color());
    painter.drawRect(rect().adjusted(1, 1, -2, -2));
    painter.setPen(FBorderColor);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
  }
  return handled;
}
