#include "controls/uPanelEx.h"
#include "controls/uFonts.h"
#include "controls/uSkinForm.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

TPanelEx::TPanelEx(QWidget *parent) : QWidget(parent) {
  InstallFontSubstitutes();
  // Not opaque: where nothing is painted the parent shows through.
  setAutoFillBackground(false);
  FollowParent();
}

void TPanelEx::SetBackGround(const TPicture &picture) {
  FBackGround = picture;
  update();
}

void TPanelEx::SetShowCaption(bool value) {
  FShowCaption = value;
  update();
}

void TPanelEx::SetCaption(const QString &value) {
  FCaption = value;
  update();
}

void TPanelEx::SetFillsParent(bool value) {
  FFillParent = value;
  FollowParent();
}

void TPanelEx::FollowParent() {
  QWidget *parent = parentWidget();
  if (!parent)
    return;
  parent->removeEventFilter(this);
  if (!FFillParent)
    return;
  parent->installEventFilter(this);
  setGeometry(parent->rect());
}

void TPanelEx::changeEvent(QEvent *event) {
  if (event->type() == QEvent::ParentChange)
    FollowParent();
  QWidget::changeEvent(event);
}

bool TPanelEx::eventFilter(QObject *watched, QEvent *event) {
  if (watched == parentWidget() && event->type() == QEvent::Resize && FFillParent)
    setGeometry(parentWidget()->rect());
  return QWidget::eventFilter(watched, event);
}

void TPanelEx::paintEvent(QPaintEvent *) {
  // Without a picture nothing at all is drawn, so the form shows through.
  if (FBackGround.IsEmpty())
    return;
  QPainter painter(this);
  FBackGround.StretchDraw(painter, rect());
  if (FShowCaption && !FCaption.isEmpty()) {
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::WindowText));
    const QFontMetrics metrics(font());
    painter.drawText(CaptionOrigin + QPoint(0, metrics.ascent()), FCaption);
  }
}

void TPanelEx::mousePressEvent(QMouseEvent *event) {
  // The panel takes the press itself: it never reaches the panel or form under it, so a
  // nested panel cannot drag the form through its parent.
  event->accept();
  QWidget *parent = parentWidget();
  // Only a panel that lies directly on a form moves it; a nested panel never does.
  if (event->button() != Qt::LeftButton || !FDragMove || !parent || !IsForm(parent))
    return;
  // A window is moved by the window system where it can; an embedded form moves inside its
  // parent, and so does a window where the system cannot move it (no window manager).
  if (parent->isWindow() && parent->windowHandle() && parent->windowHandle()->startSystemMove())
    return;
  FDragging = true;
  FDragStartGlobal = event->globalPosition().toPoint();
  FDragStartWindow = parent->pos();
}

void TPanelEx::mouseMoveEvent(QMouseEvent *event) {
  event->accept();
  if (FDragging && (event->buttons() & Qt::LeftButton))
    parentWidget()->move(FDragStartWindow + event->globalPosition().toPoint() - FDragStartGlobal);
}

void TPanelEx::mouseReleaseEvent(QMouseEvent *event) {
  event->accept();
  if (event->button() == Qt::LeftButton)
    FDragging = false;
}
