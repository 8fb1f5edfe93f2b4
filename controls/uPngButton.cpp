#include "controls/uPngButton.h"
#include "controls/uFonts.h"

#include <QMouseEvent>
#include <QPainter>

TPngButton::TPngButton(QWidget *parent) : QWidget(parent) {
  InstallFontSubstitutes();
  setAttribute(Qt::WA_Hover);
}

void TPngButton::SetPicture(const TPicture &picture) {
  FPicture = picture;
  update();
}

void TPngButton::SetTransparent(bool value) {
  if (value == FTransparent)
    return;
  FTransparent = value;
  update();
}

void TPngButton::SetFontDistance(int value) {
  FFontDistance = value;
  update();
}

void TPngButton::SetTextAlign(TTextAling value) {
  FTextAlign = value;
  update();
}

void TPngButton::SetShowCaption(bool value) {
  FShowCaption = value;
  update();
}

void TPngButton::SetCaption(const QString &value) {
  if (value == FCaption)
    return;
  FCaption = value;
  update();
}

void TPngButton::SetOnPaint(TPaintEvent handler) {
  FOnPaint = std::move(handler);
  update();
}

void TPngButton::SetState(TPngButtonState state) {
  if (state == FState)
    return;
  if (int(state) * width() >= FPicture.Width())
    return;  // the strip has no cell for this state
  FState = state;
  FOffset = QPoint(-int(state) * width(), FOffset.y());
  update();
}

QRect TPngButton::CaptionRect() const {
  int top;
  if (FTextAlign == taBottom)
    top = FPicture.Height() + FFontDistance;
  else
    top = (height() - QFontMetrics(font()).height()) / 2;  // the height of one line ("高")
  return QRect(0, top, width(), std::max(0, height() - top));
}

QString TPngButton::ShownCaption() const { return QFontMetrics(font()).elidedText(FCaption, Qt::ElideRight, width()); }

void TPngButton::paintEvent(QPaintEvent *) {
  QPainter painter(this);
  painter.setFont(font());
  if (FOnPaint) {
    FOnPaint(*this, painter);
    return;
  }
  if (!FPicture.IsEmpty()) {
    if (FPicture.Transparent() != FTransparent)
      FPicture.SetTransparent(FTransparent);
    FPicture.Draw(painter, FOffset.x(), FOffset.y());
  }
  if (FShowCaption) {
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(CaptionRect(), Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine, ShownCaption());
  }
}

void TPngButton::enterEvent(QEnterEvent *event) {
  QWidget::enterEvent(event);
  SetState(pbsXT);
  emit mouseEnter();
}

void TPngButton::leaveEvent(QEvent *event) {
  QWidget::leaveEvent(event);
  SetState(pbsZC);
  emit mouseLeave();
}

void TPngButton::mousePressEvent(QMouseEvent *event) {
  FClickPending = event->button() == Qt::LeftButton;
  SetState(pbsAX);
  emit mouseDown(event);
}

void TPngButton::mouseReleaseEvent(QMouseEvent *event) {
  // After a click the normal cell shows, even while the mouse is still over the button.
  SetState(pbsZC);
  emit mouseUp(event);
  const bool click = FClickPending && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
  FClickPending = false;
  if (click)
    Click();
}

void TPngButton::mouseDoubleClickEvent(QMouseEvent *event) {
  // The second press of a double click is no new click.
  FClickPending = false;
  SetState(pbsAX);
  emit doubleClicked();
  emit mouseDown(event);
}

void TPngButton::Click() { emit clicked(); }

void TPngButton::changeEvent(QEvent *event) {
  QWidget::changeEvent(event);
  if (event->type() != QEvent::EnabledChange)
    return;
  // Disabled: the disabled cell where the strip has one. Enabled again: the normal cell, so a
  // strip with a disabled cell does not keep showing it.
  SetState(isEnabled() ? pbsZC : pbsBKY);
  update();
}
