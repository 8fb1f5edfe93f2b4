#pragma once
// The week grid of the add dialogs: seven rows (Monday to Sunday) of 48 half-hour cells, which
// the parent selects by clicking cells or dragging a rectangle over them, and the schedule
// text made of the selected time windows. Paints itself through an off-screen picture; a press
// decides between selecting and deselecting by the colour that picture shows under the point.
#include <QColor>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QTime>
#include <QWidget>

#include <array>
#include <cstdint>
#include <vector>

// One cell, or one time window made of adjacent selected cells of a day.
struct TDtData {
  int32_t iWeek = 0;  // 0 = Monday ... 6 = Sunday
  QTime tStart;       // start of the cell or window
  QTime tEnd;         // last minute covered (hh:29 or hh:59)
  QRect rRct;         // the cell's area; for a window, the area of its first cell
  bool bCheck = false;
};

using TDtList = std::array<std::array<TDtData, 48>, 7>;
using TWeeks = std::array<QRect, 7>;

extern const std::array<QString, 7> WeekNames;

// The schedule text of a list of windows: "iweek:%d;tstart:%s;tend:%s," for each, in order.
QString DtListToText(const std::vector<TDtData> &list);

class TCutDateTime : public QWidget {
  Q_OBJECT
public:
  explicit TCutDateTime(QWidget *parent = nullptr);

  // Plain properties: setting one stores the value and nothing else (built cells keep their size).
  QColor BorderColor() const { return FBorderColor; }
  void SetBorderColor(const QColor &value) { FBorderColor = value; }
  QColor SelectedColor() const { return FSelectedColor; }
  void SetSelectedColor(const QColor &value) { FSelectedColor = value; }
  QColor UnSelectedColor() const { return FUnSelectedColor; }
  void SetUnSelectedColor(const QColor &value) { FUnSelectedColor = value; }
  int CellHeight() const { return FCellHeight; }
  void SetCellHeight(int value) { FCellHeight = value; }
  int CellWidth() const { return FCellWidth; }
  void SetCellWidth(int value) { FCellWidth = value; }
  QColor FontColor() const { return FFontColor; }
  void SetFontColor(const QColor &value) { FFontColor = value; }

  // The selected time windows: one per run of adjacent selected cells of a day, days ascending.
  std::vector<TDtData> Selecteds() const;

  // The cell of day d, column j (for those who drive the grid); its rRct is empty until the
  // first paint built the cells.
  const TDtData &Cell(int d, int j) const { return FDtList.at(d).at(j); }
  QRect Cells() const { return FCells; }
  const QString &CurDt() const { return FCurDt; }
  // The picture the control shows, drawn now when the last drawing is out of date.
  const QImage &Picture();

protected:
  void paintEvent(QPaintEvent *event) override;
  void mousePressEvent(QMouseEvent *event) override;
  void mouseMoveEvent(QMouseEvent *event) override;
  void mouseReleaseEvent(QMouseEvent *event) override;

private:
  void BuildCells();
  // The cells are laid out at the first paint, or at the first press when that comes first (a
  // window shown on a busy machine may be clicked before it is painted).
  void EnsureCells();
  int DayLabelWidth() const;
  void Draw(QImage &bitmap);
  void Changed();
  int WeekAt(const QPoint &point) const;
  TDtData *CellAt(const QPoint &point);
  int ToggleCellAt(const QPoint &point);
  void SetCellsInRegion(const QRect &region, bool value);

  QColor FBorderColor = Qt::black;
  QColor FSelectedColor = QColor(0x2A, 0xB6, 0xF0);
  QColor FUnSelectedColor = QColor(0xC0, 0xC0, 0xC0);
  QColor FFontColor = QColor(0, 0, 255);
  int FCellHeight = 13;
  int FCellWidth = 13;
  TDtList FDtList;
  TWeeks FWeeks;
  QRect FCells;  // empty until the cells are built
  bool FMouseDown = false;
  bool FIsSelected = false;
  bool FDragged = false;  // the pointer left the press point while the button was down
  QPoint FStartPt;
  QString FCurDt;
  QImage FBitmap;
  bool FBitmapStale = true;
};
