// The week grid with real mouse events, and the schedule text of its selections.
#include "manage/uDateTime.h"
#include "tests/manage/GridHost.h"

#include <functional>
#include <gtest/gtest.h>

namespace {

int SelectedCount(const TCutDateTime &grid) {
  int n = 0;
  for (int d = 0; d < 7; ++d)
    for (int j = 0; j < 48; ++j)
      n += grid.Cell(d, j).bCheck;
  return n;
}

}  // namespace

TEST(CutDateTime, ClickSelectsAndASecondClickDeselects) {
  TGridHost host;
  TCutDateTime &grid = *host.Grid;
  ClickCell(grid, 0, 16);  // Monday 08:00
  EXPECT_TRUE(grid.Cell(0, 16).bCheck);
  EXPECT_EQ(SelectedCount(grid), 1);
  EXPECT_EQ(DtListToText(grid.Selecteds()), "iweek:0;tstart:08:00;tend:08:29,");
  ClickCell(grid, 0, 16);
  EXPECT_EQ(SelectedCount(grid), 0);
}

// A window shown on a busy machine may be clicked before its first paint.
TEST(CutDateTime, AClickBeforeTheFirstPaintSelects) {
  QWidget window;
  auto *grid = new TCutDateTime(&window);
  grid->setGeometry(8, 8, 635, 140);
  grid->SetCellWidth(12);
  TCutDateTime reference;  // the same grid, painted, tells where Monday 08:00 lies
  reference.resize(635, 140);
  reference.SetCellWidth(12);
  reference.Picture();
  const QPoint at = reference.Cell(0, 16).rRct.center();
  ASSERT_TRUE(grid->Cells().isEmpty()) << "painted already";
  QTest::mouseClick(grid, Qt::LeftButton, Qt::NoModifier, at);
  EXPECT_EQ(DtListToText(grid->Selecteds()), "iweek:0;tstart:08:00;tend:08:29,");
}

TEST(CutDateTime, DragSelectsTheTouchedCellsOrDeselectsFromASelectedOne) {
  TGridHost host;
  TCutDateTime &grid = *host.Grid;
  DragCells(grid, 1, 10, 2, 12);  // three cells of Tuesday and Wednesday
  EXPECT_EQ(SelectedCount(grid), 6);
  EXPECT_EQ(DtListToText(grid.Selecteds()), "iweek:1;tstart:05:00;tend:06:29,iweek:2;tstart:05:00;tend:06:29,");

  // Upwards and to the left from a selected cell: the rectangle deselects.
  DragCells(grid, 2, 11, 1, 10);
  EXPECT_EQ(DtListToText(grid.Selecteds()), "iweek:1;tstart:06:00;tend:06:29,iweek:2;tstart:06:00;tend:06:29,");
}

TEST(CutDateTime, APressOnACellFrameCountsAsUnselected) {
  TGridHost host;
  TCutDateTime &grid = *host.Grid;
  DragCells(grid, 3, 20, 3, 21);
  ASSERT_EQ(SelectedCount(grid), 2);
  // The top-left corner is the cell's grey frame, not the selected colour: the drag selects.
  const QPoint frame = grid.Cell(3, 20).rRct.topLeft();
  Drag(grid, frame, CellPoint(grid, 3, 22));
  EXPECT_EQ(SelectedCount(grid), 3);
  // From inside the selected fill the same drag deselects.
  DragCells(grid, 3, 20, 3, 22);
  EXPECT_EQ(SelectedCount(grid), 0);
}

TEST(CutDateTime, SelectionsBecomeOneWindowPerRunOfADay) {
  struct TCase {
    const char *Name;
    std::function<void(TCutDateTime &)> Select;
    const char *Text;
    size_t Windows;
  };
  const TCase cases[] = {
      {"nothing", [](TCutDateTime &) {}, "", 0},
      {"Sunday 23:30 alone", [](TCutDateTime &g) { ClickCell(g, 6, 47); }, "iweek:6;tstart:23:30;tend:23:59,", 1},
      {"all of Friday", [](TCutDateTime &g) { DragCells(g, 4, 0, 4, 47); }, "iweek:4;tstart:00:00;tend:23:59,", 1},
      {"over midnight",
       [](TCutDateTime &g) {
         ClickCell(g, 0, 47);
         ClickCell(g, 1, 0);
       },
       "iweek:0;tstart:23:30;tend:23:59,iweek:1;tstart:00:00;tend:00:29,", 2},
      {"two runs, days and times ascending",
       [](TCutDateTime &g) {
         ClickCell(g, 2, 41);
         DragCells(g, 0, 16, 0, 19);
       },
       "iweek:0;tstart:08:00;tend:09:59,iweek:2;tstart:20:30;tend:20:59,", 2},
      {"a gap splits a day",
       [](TCutDateTime &g) {
         DragCells(g, 5, 0, 5, 2);
         ClickCell(g, 5, 1);
       },
       "iweek:5;tstart:00:00;tend:00:29,iweek:5;tstart:01:00;tend:01:29,", 2},
  };
  for (const TCase &c : cases) {
    SCOPED_TRACE(c.Name);
    TGridHost host;
    c.Select(*host.Grid);
    const auto windows = host.Grid->Selecteds();
    EXPECT_EQ(windows.size(), c.Windows);
    EXPECT_EQ(DtListToText(windows), QString::fromUtf8(c.Text));
  }
}

TEST(CutDateTime, StatusLineNamesTheCellUnderThePointerAndClearsOutsideTheCells) {
  TGridHost host;
  TCutDateTime &grid = *host.Grid;
  QTest::mouseMove(&grid, CellPoint(grid, 2, 29));
  EXPECT_EQ(grid.CurDt(), "周三  14:30-- 14:59");
  QTest::mouseMove(&grid, QPoint(grid.Cells().right() + 3, grid.Cells().bottom() + 3));
  EXPECT_EQ(grid.CurDt(), "");
}
