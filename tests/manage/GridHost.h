#pragma once
// A week grid in a shown window, driven by real mouse events at the centres of its cells.
#include "manage/uDateTime.h"

#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

// The centre of cell (day, column); the grid builds its cells on its first drawing.
inline QPoint CellPoint(TCutDateTime &grid, int day, int column) {
  grid.Picture();
  return grid.Cell(day, column).rRct.center();
}

inline void ClickCell(TCutDateTime &grid, int day, int column) {
  QTest::mouseClick(&grid, Qt::LeftButton, Qt::NoModifier, CellPoint(grid, day, column));
}

// Presses at `from`, moves to `to` and releases there.
inline void Drag(TCutDateTime &grid, QPoint from, QPoint to) {
  QTest::mousePress(&grid, Qt::LeftButton, Qt::NoModifier, from);
  QTest::mouseMove(&grid, to);
  QTest::mouseRelease(&grid, Qt::LeftButton, Qt::NoModifier, to);
}

inline void DragCells(TCutDateTime &grid, int day1, int col1, int day2, int col2) {
  Drag(grid, CellPoint(grid, day1, col1), CellPoint(grid, day2, col2));
}

struct TGridHost {
  QWidget Window;
  TCutDateTime *Grid;
  TGridHost() : Grid(new TCutDateTime(&Window)) {
    Window.resize(660, 160);
    Grid->setGeometry(8, 8, 635, 140);
    Grid->SetCellWidth(12);
    Window.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&Window));
  }
};
