#include "manage/uDateTime.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

const std::array<QString, 7> WeekNames = {QStringLiteral("周一"), QStringLiteral("周二"), QStringLiteral("周三"),
                                          QStringLiteral("周四"), QStringLiteral("周五"), QStringLiteral("周六"),
                                          QStringLiteral("周日")};

QString DtListToText(const std::vector<TDtData> &list) {
  QString text;
  for (const TDtData &window : list)
    text += QStringLiteral("iweek:%1;tstart:%2;tend:%3,")
                .arg(window.iWeek)
                .arg(window.tStart.toString(u"HH:mm"), window.tEnd.toString(u"HH:mm"));
  return text;
}

TCutDateTime::TCutDateTime(QWidget *parent) : QWidget(parent) {
  // The control paints every pixel itself; nothing is erased beforehand.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  // A ground of its own: the skinned forms around it are painted in their transparent key colour.
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::white);
  setPalette(pal);
}

int TCutDateTime::DayLabelWidth() const { return QFontMetrics(font()).horizontalAdvance(WeekNames[0]); }

void TCutDateTime::BuildCells() {
  const int x0 = DayLabelWidth() + 20;
  int y = 20;
  for (int d = 0; d < 7; ++d) {
    QRect rect(x0, y, FCellWidth, FCellHeight);
    for (int j = 0; j < 48; ++j) {
      const QTime start(j / 2, j % 2 ? 30 : 0);
      FDtList[d][j] = TDtData{d, start, start.addSecs(29 * 60), rect, false};
      rect.translate(FCellWidth, 0);
    }
    y += FCellHeight;
    FWeeks[d] = QRect(FDtList[d][0].rRct.topLeft(), FDtList[d][47].rRct.bottomRight());
  }
  FCells = QRect(FWeeks[0].topLeft(), FWeeks[6].bottomRight());
}

void TCutDateTime::EnsureCells() {
  if (FCells.isEmpty())
    BuildCells();
}

void TCutDateTime::Draw(QImage &bitmap) {
  EnsureCells();
  bitmap = QImage(size(), QImage::Format_RGB32);
  bitmap.fill(palette().color(QPalette::Window));
  QPainter p(&bitmap);
  p.setPen(FBorderColor);
  p.drawRect(rect().adjusted(0, 0, -1, -1));
  p.setFont(font());
  p.setPen(FFontColor);
  const int labelWidth = DayLabelWidth();
  const int x0 = labelWidth + 20;
  for (int h = 0; h < 24; ++h)
    p.drawText(QRect(x0 + 2 * FCellWidth * h, 5, 2 * FCellWidth, 15), Qt::AlignCenter,
               QStringLiteral("%1").arg(h, 2, 10, QChar('0')));
  for (int d = 0; d < 7; ++d)
    p.drawText(QRect(10, 20 + d * FCellHeight, labelWidth, FCellHeight), Qt::AlignCenter, WeekNames[d]);
  for (const auto &day : FDtList)
    for (const TDtData &cell : day) {
      const QRect r = cell.rRct;
      p.setPen(QColor(0x80, 0x80, 0x80));
      p.drawLine(r.topLeft(), r.topRight());
      p.drawLine(r.topLeft(), r.bottomLeft());
      p.setPen(Qt::white);
      p.drawLine(r.bottomLeft(), r.bottomRight());
      p.drawLine(r.topRight(), r.bottomRight());
      p.fillRect(r.adjusted(1, 1, -1, -1), cell.bCheck ? FSelectedColor : FUnSelectedColor);
    }
  QFont status = font();
  status.setBold(false);
  status.setItalic(false);
  status.setUnderline(false);
  p.setFont(status);
  p.setPen(Qt::black);
  p.drawText(QRect(x0, bitmap.height() - 20, bitmap.width() - x0, 20), Qt::AlignLeft | Qt::AlignTop, FCurDt);
}

const QImage &TCutDateTime::Picture() {
  if (FBitmapStale || FBitmap.size() != size()) {
    Draw(FBitmap);
    FBitmapStale = false;
  }
  return FBitmap;
}

void TCutDateTime::Changed() {
  FBitmapStale = true;
  update();
}

void TCutDateTime::paintEvent(QPaintEvent *) {
  const QImage &picture = Picture();
  QPainter(this).drawImage(0, 0, picture);
}

int TCutDateTime::WeekAt(const QPoint &point) const {
  for (int d = 0; d < 7; ++d)
    if (FWeeks[d].contains(point))
      return d;
  return -1;
}

TDtData *TCutDateTime::CellAt(const QPoint &point) {
  const int d = WeekAt(point);
  if (d < 0)
    return nullptr;
  for (TDtData &cell : FDtList[d])
    if (cell.rRct.contains(point))
      return &cell;
  return nullptr;
}

int TCutDateTime::ToggleCellAt(const QPoint &point) {
  TDtData *cell = CellAt(point);
  if (!cell)
    return -1;
  cell->bCheck = !cell->bCheck;
  return int(cell - FDtList[cell->iWeek].data());
}

void TCutDateTime::SetCellsInRegion(const QRect &region, bool value) {
  for (auto &day : FDtList)
    for (TDtData &cell : day)
      if (cell.rRct.intersects(region))
        cell.bCheck = value;
}

void TCutDateTime::mousePressEvent(QMouseEvent *event) {
  EnsureCells();
  const QPoint pt = event->position().toPoint();
  if (event->button() != Qt::LeftButton || !FCells.contains(pt)) {
    QWidget::mousePressEvent(event);
    return;
  }
  FMouseDown = true;
  FDragged = false;
  FStartPt = pt;
  // The colour shown under the point decides, so a press on a cell's frame counts as unselected.
  FIsSelected = (Picture().pixel(pt) & RGB_MASK) == (FSelectedColor.rgb() & RGB_MASK);
}

void TCutDateTime::mouseMoveEvent(QMouseEvent *event) {
  EnsureCells();
  const QPoint pt = event->position().toPoint();
  // A move to the press point itself is no drag yet, so a click inverts its cell once.
  FDragged = FDragged || (FMouseDown && pt != FStartPt);
  if (FCells.contains(pt)) {
    if (const TDtData *cell = CellAt(pt))
      FCurDt = QStringLiteral("%1  %2-- %3")
                   .arg(WeekNames[cell->iWeek], cell->tStart.toString(u"HH:mm"), cell->tEnd.toString(u"HH:mm"));
    if (FMouseDown && FDragged)
      SetCellsInRegion(QRect(FStartPt, pt).normalized(), !FIsSelected);
  } else {
    FCurDt.clear();
  }
  Changed();
}

void TCutDateTime::mouseReleaseEvent(QMouseEvent *event) {
  EnsureCells();
  if (event->button() != Qt::LeftButton) {
    QWidget::mouseReleaseEvent(event);
    return;
  }
  const QPoint pt = event->position().toPoint();
  const bool wasDown = FMouseDown;
  FMouseDown = false;
  if (wasDown && !FDragged && FCells.contains(pt) && pt == FStartPt) {
    ToggleCellAt(pt);
    Changed();
  }
}

std::vector<TDtData> TCutDateTime::Selecteds() const {
  std::vector<TDtData> windows;
  for (const auto &day : FDtList) {
    for (int j = 0; j < 48; ++j) {
      if (!day[j].bCheck)
        continue;
      int last = j;
      while (last + 1 < 48 && day[last + 1].bCheck)
        ++last;
      TDtData window = day[j];
      window.tEnd = day[last].tEnd;
      windows.push_back(window);
      j = last;
    }
  }
  return windows;
}
