#include "browser/uNagBar.h"

#include "browser/uBrowserRes.h"
#include "controls/uSkin.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace {
constexpr int TextTop = 2;
constexpr int LinkGap = 20;
}  // namespace

TNagBar::TNagBar(QWidget *parent) : QWidget(parent) {
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
  for (int i = 0; i < 3; ++i) {
    TNagInfo info;
    info.FIco = QPixmap::fromImage(SkinPicture(QStringLiteral("BITMAP_%1.png").arg(i)).Image());
    info.FText = LoadBrowserString(i);
    info.FUrl = LoadBrowserString(i + 3);
    FNagInfo.push_back(std::move(info));
  }
  FitHeight();
}

QFont TNagBar::TextFont(bool underline) const {
  QFont f = font();
  f.setBold(true);
  f.setUnderline(underline);
  return f;
}

int TNagBar::TextWidth(const QString &text) const { return QFontMetrics(TextFont(false)).horizontalAdvance(text); }

// The bar is as high as its icons; a font taller than the icons would be cut, so the text's
// line with its underline counts as well.
void TNagBar::FitHeight() {
  const QFontMetrics metrics(TextFont(true));
  int height = TextTop + metrics.height() + 2 * metrics.lineWidth();
  for (const TNagInfo &info : FNagInfo)
    height = std::max(height, info.FIco.height());
  setFixedHeight(height);
}

QSize TNagBar::sizeHint() const {
  int x = 0;
  for (const TNagInfo &info : FNagInfo)
    x += info.FIco.width() + TextWidth(info.FText) + LinkGap;
  return QSize(x, height());
}

QRect TNagBar::LinkRect(int index) const {
  int x = 0;
  for (int i = 0; i < int(FNagInfo.size()); ++i) {
    const TNagInfo &info = FNagInfo[size_t(i)];
    const int textWidth = TextWidth(info.FText);
    if (i == index)
      return QRect(x + info.FIco.width(), TextTop, textWidth, height() - TextTop);
    x += info.FIco.width() + textWidth + LinkGap;
  }
  return QRect();
}

int TNagBar::HitTest(const QPoint &pos) const {
  for (int i = 0; i < int(FNagInfo.size()); ++i)
    if (LinkRect(i).contains(pos))
      return i;
  return -1;
}

void TNagBar::paintEvent(QPaintEvent *) {
  QPixmap buffer(size());
  buffer.fill(FBackgroundColor);
  QPainter painter(&buffer);
  painter.setPen(palette().color(QPalette::WindowText));
  int x = 0;
  for (int i = 0; i < int(FNagInfo.size()); ++i) {
    const TNagInfo &info = FNagInfo[size_t(i)];
    painter.drawPixmap(x, 0, info.FIco);
    painter.setFont(TextFont(i == FCurrentIndex));
    const int textWidth = TextWidth(info.FText);
    painter.drawText(QRect(x + info.FIco.width(), TextTop, textWidth, height() - TextTop),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine | Qt::TextDontClip, info.FText);
    x += info.FIco.width() + textWidth + LinkGap;
  }
  painter.end();
  QPainter(this).drawPixmap(0, 0, buffer);
}

void TNagBar::mouseMoveEvent(QMouseEvent *event) {
  const int index = HitTest(event->position().toPoint());
  if (index != FCurrentIndex) {
    FCurrentIndex = index;
    update();
  }
  if (index >= 0)
    setCursor(Qt::PointingHandCursor);
  else
    unsetCursor();
  QWidget::mouseMoveEvent(event);
}

void TNagBar::mousePressEvent(QMouseEvent *event) {
  const int index = HitTest(event->position().toPoint());
  if (index >= 0 && FOnHyperlinks)
    FOnHyperlinks(FNagInfo[size_t(index)].FUrl);
  QWidget::mousePressEvent(event);
}

void TNagBar::leaveEvent(QEvent *event) {
  FCurrentIndex = -1;
  unsetCursor();
  update();
  QWidget::leaveEvent(event);
}

void TNagBar::changeEvent(QEvent *event) {
  if (event->type() == QEvent::FontChange)
    FitHeight();
  QWidget::changeEvent(event);
}
