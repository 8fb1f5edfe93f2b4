#include "controls/uProgressBarEx.h"

#include <QPainter>

TProgressBarEx::TProgressBarEx(QWidget *parent) : QWidget(parent) { resize(50, 16); }

int TProgressBarEx::IntProp(int index) const {
  switch (index) {
  case piValue:
    return FValue;
  case piStep:
    return FStep;
  case piMax:
    return FMax;
  case piMin:
    return FMin;
  case piCRDistance:
    return FCRDistance;
  default:
    return 0;
  }
}

void TProgressBarEx::SetIntProp(int index, int value) {
  switch (index) {
  case piValue:
    if (value >= FMin && value <= FMax)
      FValue = value;
    break;
  case piStep:
    if (value >= FMin && value <= FMax)
      FStep = value;
    break;
  case piMax:
    if (value > FMin)
      FMax = value;
    break;
  case piMin:
    if (value < FMax)
      FMin = value;
    break;
  case piCRDistance:
    FCRDistance = value;
    break;
  default:
    break;
  }
  update();
}

const TPicture &TProgressBarEx::CellPicture(int index) const { return index == piCellFg ? FCellFg : FCellBg; }

void TProgressBarEx::SetCellPicture(int index, const TPicture &picture) {
  (index == piCellFg ? FCellFg : FCellBg) = picture;
  resize(width(), picture.Height());
  update();
}

std::vector<int> TProgressBarEx::CellLefts(int units, const TPicture &cell) const {
  std::vector<int> lefts;
  // A step of 0 or below has no cells to count in; such a bar paints nothing.
  if (FStep <= 0 || cell.IsEmpty())
    return lefts;
  int left = 0;
  for (int i = 0; i < units / FStep; ++i) {
    if (left + cell.Width() > width())
      break;
    lefts.push_back(left);
    left += cell.Width() + FCRDistance;
  }
  return lefts;
}

void TProgressBarEx::paintEvent(QPaintEvent *) {
  QPainter painter(this);
  for (int left : CellLefts(FMax, FCellBg))
    FCellBg.Draw(painter, left, 0);
  for (int left : CellLefts(FValue, FCellFg))
    FCellFg.Draw(painter, left, 0);
}
