// The small skinned controls, driven by real mouse events through QTest.
#include "controls/uLblGroupBox.h"
#include "controls/uMemoEx.h"
#include "controls/uPngButton.h"
#include "controls/uProgressBarEx.h"
#include "controls/uSpinEditEx.h"

#include <QApplication>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

TPicture Solid(int w, int h, QColor colour) {
  QImage image(w, h, QImage::Format_ARGB32);
  image.fill(colour);
  return TPicture(image);
}

// A strip of three cells of one colour each: red normal, green over, blue pressed.
TPicture ThreeCellStrip(int cellW, int h) {
  QImage image(cellW * 3, h, QImage::Format_ARGB32);
  QPainter p(&image);
  p.fillRect(0, 0, cellW, h, Qt::red);
  p.fillRect(cellW, 0, cellW, h, Qt::green);
  p.fillRect(cellW * 2, 0, cellW, h, Qt::blue);
  p.end();
  return TPicture(image);
}

QRgb PixelAt(QWidget &w, int x, int y) { return w.grab().toImage().pixel(x, y); }

// A window to host a control at a known place, so mouse events travel through the window.
struct THost {
  QWidget Window;
  THost() {
    Window.resize(300, 200);
    Window.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&Window));
  }
};

}  // namespace

TEST(LblGroupBox, ClicksSelectEntriesAndReportOnlyChanges) {
  THost host;
  TLblGroupBox box(&host.Window);
  box.setGeometry(5, 5, 100, 100);
  box.SetItemWidth(99);
  box.SetItemHeight(22);
  box.SetItems({"日志设置", "黑  名  单", "限制程序"});
  box.show();
  QSignalSpy changes(&box, &TLblGroupBox::changed);

  struct TCase {
    QPoint At;
    int Index;
    std::vector<std::pair<int, int>> Reports;
  };
  const TCase cases[] = {
      {{50, 30}, 1, {{-1, 1}}},  // entry 1 lies from y 22 to 43
      {{50, 30}, 1, {}},         // the selected one again: nothing
      {{50, 80}, 1, {}},         // below the last entry (y 66)
      {{99, 10}, 1, {}},         // right of the entries (x 99 is outside a 99 wide entry)
      {{10, 65}, 2, {{1, 2}}},   // the last pixel row of entry 2
      {{10, 0}, 0, {{2, 0}}},
  };
  for (const auto &c : cases) {
    changes.clear();
    QTest::mouseClick(&box, Qt::LeftButton, {}, c.At);
    EXPECT_EQ(box.ItemIndex(), c.Index) << c.At.x() << "," << c.At.y();
    ASSERT_EQ(size_t(changes.size()), c.Reports.size()) << c.At.x() << "," << c.At.y();
    for (size_t i = 0; i < c.Reports.size(); ++i) {
      EXPECT_EQ(changes[qsizetype(i)][0].toInt(), c.Reports[i].first);
      EXPECT_EQ(changes[qsizetype(i)][1].toInt(), c.Reports[i].second);
    }
  }
  // A right click selects nothing.
  changes.clear();
  QTest::mouseClick(&box, Qt::RightButton, {}, QPoint(50, 30));
  EXPECT_EQ(box.ItemIndex(), 0);
  EXPECT_EQ(changes.size(), 0);
}

TEST(LblGroupBox, ShrinkingEntriesMovesTheSelectionWithoutAnEvent) {
  TLblGroupBox box;
  box.SetItems({"a", "b", "c"});
  box.SetItemIndex(2);
  QSignalSpy changes(&box, &TLblGroupBox::changed);
  box.SetItems({"a", "b"});
  EXPECT_EQ(box.ItemIndex(), 1);
  box.ClearItems();
  EXPECT_EQ(box.ItemIndex(), -1);
  EXPECT_EQ(changes.size(), 0);
  // Setting an index in code reports as a click does; invalid numbers are ignored.
  box.SetItems({"a", "b"});
  box.SetItemIndex(5);
  box.SetItemIndex(-1);
  EXPECT_EQ(box.ItemIndex(), -1);
  box.SetItemIndex(1);
  ASSERT_EQ(changes.size(), 1);
  EXPECT_EQ(changes[0][0].toInt(), -1);
  EXPECT_EQ(changes[0][1].toInt(), 1);
}

TEST(LblGroupBox, SelectedEntryShowsItsColourAndTriangle) {
  TLblGroupBox box;
  box.resize(100, 66);
  box.SetItemWidth(99);
  box.SetItemHeight(22);
  box.SetColor(Qt::white);
  box.SetTriangleColor(QColor(255, 0, 255));
  box.SetItems({"x", "y", "z"});
  box.SetItemIndex(1);
  const QImage shot = box.grab().toImage();
  // The triangle points left from the right edge of entry 1 (x 99), around y 33.
  EXPECT_EQ(shot.pixel(97, 33), qRgb(255, 0, 255));
  EXPECT_EQ(shot.pixel(97, 11), qRgb(255, 255, 255));  // entry 0 has none
  EXPECT_EQ(shot.pixel(90, 33), qRgb(255, 255, 255));  // the triangle is 6 pixels deep
  // Transparent: the background is not painted at all.
  box.SetTransparent(true);
  QImage clear(box.size(), QImage::Format_ARGB32);
  clear.fill(Qt::transparent);
  box.render(&clear, QPoint(), QRegion(), QWidget::DrawChildren);
  EXPECT_EQ(qAlpha(clear.pixel(50, 60)), 0);
}

TEST(ProgressBar, CellsFillFromTheLeftWithinTheWidth) {
  TProgressBarEx bar;
  bar.SetCellBg(Solid(17, 7, Qt::gray));
  bar.SetCellFg(Solid(17, 7, Qt::yellow));
  EXPECT_EQ(bar.height(), 7);  // the bar takes its cells' height
  EXPECT_EQ(bar.Max(), 3);
  EXPECT_EQ(bar.Step(), 1);
  EXPECT_EQ(bar.CRDistance(), 2);

  bar.resize(61, 7);
  EXPECT_EQ(bar.CellLefts(bar.Max(), bar.CellBg()), (std::vector<int>{0, 19, 38}));
  bar.SetValue(2);
  QImage shot = bar.grab().toImage();
  struct TCase {
    int X;
    QRgb Colour;
  };
  const TCase cells[] = {{0, qRgb(255, 255, 0)},  {16, qRgb(255, 255, 0)},      {19, qRgb(255, 255, 0)},
                         {35, qRgb(255, 255, 0)}, {38, QColor(Qt::gray).rgb()}, {54, QColor(Qt::gray).rgb()}};
  for (const auto &c : cells)
    EXPECT_EQ(shot.pixel(c.X, 3), c.Colour) << "x " << c.X;
  EXPECT_NE(shot.pixel(17, 3), qRgb(255, 255, 0));       // the gap
  EXPECT_NE(shot.pixel(56, 3), QColor(Qt::gray).rgb());  // right of the last cell

  bar.resize(40, 7);
  EXPECT_EQ(bar.CellLefts(bar.Max(), bar.CellBg()), (std::vector<int>{0, 19}));
}

TEST(ProgressBar, IndexedSettersRefuseValuesOutsideTheRange) {
  TProgressBarEx bar;
  struct TCase {
    int Index;
    int Value;
    int Expected;
  };
  const TCase cases[] = {
      {TProgressBarEx::piValue, 2, 2},        {TProgressBarEx::piValue, 4, 2}, {TProgressBarEx::piValue, -1, 2},
      {TProgressBarEx::piMax, 0, 3},          {TProgressBarEx::piMax, 5, 5},   {TProgressBarEx::piMin, 5, 0},
      {TProgressBarEx::piMin, 4, 4},          {TProgressBarEx::piValue, 3, 2}, {TProgressBarEx::piValue, 5, 5},
      {TProgressBarEx::piMin, 0, 0},          {TProgressBarEx::piStep, 0, 0},  {TProgressBarEx::piStep, 6, 0},
      {TProgressBarEx::piCRDistance, -3, -3},
  };
  for (const auto &c : cases) {
    bar.SetIntProp(c.Index, c.Value);
    EXPECT_EQ(bar.IntProp(c.Index), c.Expected) << "index " << c.Index << " value " << c.Value;
  }
  // A step of 0 is accepted but paints no cells instead of dividing by zero.
  bar.SetCellBg(Solid(5, 5, Qt::gray));
  bar.resize(100, 5);
  EXPECT_TRUE(bar.CellLefts(bar.Max(), bar.CellBg()).empty());
  bar.grab();
}

TEST(PngButton, ShowsTheCellOfItsStateUnderTheMouse) {
  THost host;
  TPngButton button(&host.Window);
  button.setGeometry(10, 10, 42, 21);
  button.SetPicture(ThreeCellStrip(42, 21));
  button.SetShowCaption(false);
  button.show();
  QSignalSpy clicks(&button, &TPngButton::clicked);
  const QRgb red = qRgb(255, 0, 0), green = qRgb(0, 255, 0), blue = qRgb(0, 0, 255);

  EXPECT_EQ(button.State(), pbsZC);
  EXPECT_EQ(PixelAt(button, 20, 10), red);
  QTest::mouseMove(&button, QPoint(20, 10));
  EXPECT_EQ(button.State(), pbsXT);
  EXPECT_EQ(button.PictureOffset().x(), -42);
  EXPECT_EQ(PixelAt(button, 20, 10), green);
  QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(20, 10));
  EXPECT_EQ(button.State(), pbsAX);
  EXPECT_EQ(PixelAt(button, 20, 10), blue);
  QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(20, 10));
  EXPECT_EQ(clicks.size(), 1);
  EXPECT_EQ(button.State(), pbsZC);  // normal after a click though the mouse stays over it
  QTest::mouseMove(&host.Window, QPoint(200, 150));
  EXPECT_EQ(button.State(), pbsZC);

  // A press that is released outside is no click.
  QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(20, 10));
  QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(60, 10));
  EXPECT_EQ(clicks.size(), 1);

  // Disabling asks for the fourth cell, which the three-cell strip lacks: the normal one stays.
  button.setEnabled(false);
  EXPECT_EQ(button.State(), pbsZC);
  EXPECT_EQ(PixelAt(button, 20, 10), red);
  QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(20, 10));
  EXPECT_EQ(clicks.size(), 1);
}

TEST(PngButton, FourCellStripShowsTheDisabledCellUntilEnabledAgain) {
  TPngButton button;
  button.resize(10, 10);
  QImage strip(40, 10, QImage::Format_ARGB32);
  strip.fill(Qt::black);
  QPainter(&strip).fillRect(30, 0, 10, 10, Qt::cyan);
  button.SetPicture(TPicture(strip));
  button.setEnabled(false);
  EXPECT_EQ(button.State(), pbsBKY);
  EXPECT_EQ(button.PictureOffset().x(), -30);
  button.setEnabled(true);
  EXPECT_EQ(button.State(), pbsZC);
}

TEST(PngButton, CaptionPlacesAndEllipsis) {
  TPngButton button;
  QFont font("Tahoma");
  font.setPixelSize(11);
  button.setFont(font);
  button.resize(42, 21);
  button.SetPicture(ThreeCellStrip(42, 10));
  const int lineHeight = QFontMetrics(font).height();

  // Below the picture by FontDistance (2 by default).
  EXPECT_EQ(button.CaptionRect().top(), 12);
  button.SetFontDistance(5);
  EXPECT_EQ(button.CaptionRect().top(), 15);
  button.SetTextAlign(taCenter);
  EXPECT_EQ(button.CaptionRect().top(), (21 - lineHeight) / 2);
  EXPECT_EQ(button.CaptionRect().bottom(), 20);

  button.SetCaption("确定");
  EXPECT_EQ(button.ShownCaption(), "确定");
  button.SetCaption("这是一个很长很长的按钮标题");
  EXPECT_TRUE(button.ShownCaption().endsWith(QChar(0x2026))) << button.ShownCaption().toStdString();
  EXPECT_LE(QFontMetrics(font).horizontalAdvance(button.ShownCaption()), 42);

  // The caption is really drawn inside its rectangle: dark pixels on the centre line only.
  button.SetPicture(TPicture());
  button.SetCaption("WWW");
  QPalette pal = button.palette();
  pal.setColor(QPalette::WindowText, Qt::black);
  button.setPalette(pal);
  QImage canvas(42, 21, QImage::Format_ARGB32);
  canvas.fill(Qt::white);
  button.render(&canvas);
  int top = 21, bottom = -1;
  for (int y = 0; y < 21; ++y)
    for (int x = 0; x < 42; ++x)
      if (qGray(canvas.pixel(x, y)) < 128) {
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
  EXPECT_GE(top, button.CaptionRect().top());
  EXPECT_LT(bottom, button.CaptionRect().top() + lineHeight);

  // An OnPaint handler replaces the whole drawing.
  int painted = 0;
  button.SetOnPaint([&](TPngButton &sender, QPainter &canvasPainter) {
    ++painted;
    EXPECT_EQ(&sender, &button);
    canvasPainter.fillRect(sender.rect(), Qt::magenta);
  });
  EXPECT_EQ(button.grab().toImage().pixel(20, 10), QColor(Qt::magenta).rgb());
  EXPECT_GE(painted, 1);
}

TEST(SpinEditEx, GrowsToItsMinimumHeightAndStepsByItsPictures) {
  THost host;
  TSpinEditEx spin(&host.Window);
  spin.setRange(1, 60);
  spin.setValue(5);
  spin.move(10, 10);
  spin.show();
  spin.resize(91, 10);
  EXPECT_EQ(spin.height(), spin.MinHeight());
  EXPECT_GT(spin.MinHeight(), 10);

  spin.resize(91, 40);
  EXPECT_EQ(spin.height(), 40);
  TSpinButtonEx *buttons = spin.Button();
  EXPECT_EQ(buttons->geometry(), QRect(91 - buttons->width() - 1, 1, buttons->width(), 38));
  EXPECT_GE(buttons->width(), TSpinButtonEx::MinWidth);
  EXPECT_EQ(buttons->UpRect(), QRect(0, 0, buttons->width(), 19));
  EXPECT_EQ(buttons->DownRect(), QRect(0, 19, buttons->width(), 20));
  EXPECT_FALSE(buttons->UpGlyph().IsEmpty());  // the skin's "UP" picture
  EXPECT_FALSE(buttons->DownGlyph().IsEmpty());

  struct TCase {
    QPoint At;
    int Value;
  };
  const TCase clicks[] = {{{7, 5}, 6}, {{7, 5}, 7}, {{7, 30}, 6}, {{7, 30}, 5}};
  for (const auto &c : clicks) {
    QTest::mouseClick(buttons, Qt::LeftButton, {}, c.At);
    EXPECT_EQ(spin.value(), c.Value);
  }
  // The value stays within its range.
  spin.setValue(60);
  QTest::mouseClick(buttons, Qt::LeftButton, {}, QPoint(7, 5));
  EXPECT_EQ(spin.value(), 60);

  // The border is a one-pixel line in BorderColor round the whole control.
  spin.SetBorderColor(QColor(192, 192, 192));
  const QImage shot = spin.grab().toImage();
  for (QPoint p : {QPoint(0, 0), QPoint(90, 39), QPoint(45, 0), QPoint(0, 20)})
    EXPECT_EQ(shot.pixel(p), qRgb(192, 192, 192)) << p.x() << "," << p.y();
}

TEST(MemoEx, DrawsItsBorderAndOwnColourInside) {
  THost host;
  TMemoEx memo(&host.Window);
  memo.setGeometry(10, 10, 120, 60);
  memo.SetBorderColor(QColor(192, 192, 192));
  memo.show();
  QTest::qWait(0);
  const QImage shot = memo.grab().toImage();
  EXPECT_EQ(shot.pixel(0, 0), qRgb(192, 192, 192));
  EXPECT_EQ(shot.pixel(119, 59), qRgb(192, 192, 192));
  EXPECT_EQ(shot.pixel(1, 1), qRgb(255, 255, 255));
  EXPECT_EQ(shot.pixel(60, 30), qRgb(255, 255, 255));
  memo.SetBorderColor(QColor(255, 0, 0));
  EXPECT_EQ(memo.grab().toImage().pixel(0, 30), qRgb(255, 0, 0));
}
