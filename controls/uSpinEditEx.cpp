#include "controls/uSpinEditEx.h"
#include "controls/uFonts.h"

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>

TSpinButtonEx::TSpinButtonEx(QWidget *parent)
    : QWidget(parent), FUp(TPicture::FromFile(QStringLiteral(":/skin/UP.png"))),
      FDown(TPicture::FromFile(QStringLiteral(":/skin/DOWN.png"))) {
  setMinimumWidth(MinWidth);
}

void TSpinButtonEx::SetUpGlyph(const TPicture &picture) {
  FUp = picture;
  update();
}

void TSpinButtonEx::SetDownGlyph(const TPicture &picture) {
  FDown = picture;
  update();
}

QRect TSpinButtonEx::UpRect() const { return QRect(0, 0, width(), height() / 2); }

QRect TSpinButtonEx::DownRect() const {
  const int up = height() / 2;
  return QRect(0, up, width(), height() - up + 1);
}

void TSpinButtonEx::resizeEvent(QResizeEvent *event) {
  QWidget::resizeEvent(event);
  if (width() < MinWidth)
    resize(MinWidth, height());
}

void TSpinButtonEx::paintEvent(QPaintEvent *) {
  QPainter painter(this);
  painter.setClipRect(UpRect());
  FUp.Draw(painter, 0, 0);
  painter.setClipRect(DownRect());
  FDown.Draw(painter, 0, DownRect().top());
}

void TSpinButtonEx::mousePressEvent(QMouseEvent *event) {
  const QPoint p = event->position().toPoint();
  FPressed = event->button() != Qt::LeftButton ? 0 : UpRect().contains(p) ? 1 : DownRect().contains(p) ? -1 : 0;
}

void TSpinButtonEx::mouseReleaseEvent(QMouseEvent *event) {
  const QPoint p = event->position().toPoint();
  const int pressed = FPressed;
  FPressed = 0;
  // A click is a press and a release on the same picture.
  if (pressed == 1 && UpRect().contains(p))
    emit upClicked();
  else if (pressed == -1 && DownRect().contains(p) && !UpRect().contains(p))
    emit downClicked();
}

TSpinEditEx::TSpinEditEx(QWidget *parent) : QSpinBox(parent) {
  InstallFontSubstitutes();
  setButtonSymbols(QAbstractSpinBox::NoButtons);  // the standard arrows are hidden
  setFrame(false);                                // the border is our own one-pixel line
  FButton = new TSpinButtonEx(this);
  connect(FButton, &TSpinButtonEx::upClicked, this, [this] { stepBy(1); });
  connect(FButton, &TSpinButtonEx::downClicked, this, [this] { stepBy(-1); });
  FButton->resize(TSpinButtonEx::MinWidth, height());
  FButton->show();
}

void TSpinEditEx::SetBorderColor(const QColor &value) {
  if (value == FBorderColor)
    return;
  FBorderColor = value;
  update();
}

int TSpinEditEx::MinHeight() const {
  const int own = QFontMetrics(font()).height();
  const int system = QFontMetrics(QApplication::font()).height();
  constexpr int borderHeight = 1;
  return own + std::min(own, system) / 4 + 4 * borderHeight + 2;
}

void TSpinEditEx::paintEvent(QPaintEvent *event) {
  QSpinBox::paintEvent(event);
  QPainter painter(this);
  painter.setPen(FBorderColor);
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(0, 0, width() - 1, height() - 1);
}

void TSpinEditEx::resizeEvent(QResizeEvent *event) {
  QSpinBox::resizeEvent(event);
  if (height() < MinHeight()) {
    resize(width(), MinHeight());
    return;
  }
  PlaceButtons();
}

void TSpinEditEx::showEvent(QShowEvent *event) {
  QSpinBox::showEvent(event);
  PlaceButtons();
}

void TSpinEditEx::changeEvent(QEvent *event) {
  QSpinBox::changeEvent(event);
  if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
    if (height() < MinHeight())
      resize(width(), MinHeight());
    else
      PlaceButtons();
  }
}

void TSpinEditEx::PlaceButtons() {
  // Inside the one-pixel border at the right; the text field ends left of the buttons, so
  // text never runs under them.
  const int bw = FButton->width();
  FButton->setGeometry(width() - bw - 1, 1, bw, height() - 2);
  lineEdit()->setGeometry(1, 1, std::max(0, width() - bw - 3), height() - 2);
}
