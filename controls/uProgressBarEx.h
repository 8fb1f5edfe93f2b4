#pragma once
// A bar of picture cells: background cells up to the maximum, foreground cells up to the value.
#include "platform/pictures/Picture.h"

#include <QWidget>
#include <vector>

class TProgressBarEx : public QWidget {
  Q_OBJECT
public:
  enum TIntIndex { piValue = 0, piStep = 1, piMax = 2, piMin = 3, piCRDistance = 4 };
  enum TPictureIndex { piCellBg = 0, piCellFg = 1 };

  explicit TProgressBarEx(QWidget *parent = nullptr);  // 50 x 16

  // The integer properties share one setter: Value and Step take only values from Min to Max,
  // Max only values above Min, Min only values below Max, CRDistance any value. A refused
  // value leaves the property unchanged; the bar repaints in every case.
  int IntProp(int index) const;
  void SetIntProp(int index, int value);
  // The pictures share another: the bar takes the height of a new cell picture.
  const TPicture &CellPicture(int index) const;
  void SetCellPicture(int index, const TPicture &picture);

  int Value() const { return FValue; }
  void SetValue(int v) { SetIntProp(piValue, v); }
  int Step() const { return FStep; }
  void SetStep(int v) { SetIntProp(piStep, v); }
  int Max() const { return FMax; }
  void SetMax(int v) { SetIntProp(piMax, v); }
  int Min() const { return FMin; }
  void SetMin(int v) { SetIntProp(piMin, v); }
  int CRDistance() const { return FCRDistance; }
  void SetCRDistance(int v) { SetIntProp(piCRDistance, v); }
  const TPicture &CellBg() const { return FCellBg; }
  void SetCellBg(const TPicture &p) { SetCellPicture(piCellBg, p); }
  const TPicture &CellFg() const { return FCellFg; }
  void SetCellFg(const TPicture &p) { SetCellPicture(piCellFg, p); }

  // Left edges of the cells painted for `units` (Max or Value): units / Step cells, each
  // CRDistance right of the previous one, as many as fit into the bar's width.
  std::vector<int> CellLefts(int units, const TPicture &cell) const;

protected:
  void paintEvent(QPaintEvent *event) override;

private:
  TPicture FCellBg, FCellFg;
  int FMax = 3, FMin = 0, FValue = 0, FStep = 1, FCRDistance = 2;
};
