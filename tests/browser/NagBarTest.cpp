// The information bar: its three links, the clickable text, the underline under the mouse.
#include "browser/uNagBar.h"

#include "tests/support/QStringPrint.h"

#include <QMouseEvent>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class NagBarTest : public ::testing::Test {
protected:
  void SetUp() override {
    bar.resize(bar.sizeHint());
    bar.SetOnHyperlinks([this](const QString &code) { codes.push_back(code); });
    bar.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
  }

  QImage Picture() { return bar.grab().toImage(); }

  void MoveTo(const QPoint &pos) {
    QMouseEvent move(QEvent::MouseMove, pos, bar.mapToGlobal(pos), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&bar, &move);
  }

  TNagBar bar;
  QStringList codes;
};

TEST_F(NagBarTest, ThreeLinksWithTheirTextsAndCodes) {
  const struct {
    const char *text;
    const char *code;
  } expected[] = {{"Sunvale网址大全", "SVDD"}, {"Sunvale爱问", "SVAW"}, {"Sunvale爱说", "SVAS"}};
  ASSERT_EQ(bar.NagInfo().size(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(bar.NagInfo()[i].FText, QString::fromUtf8(expected[i].text));
    EXPECT_EQ(bar.NagInfo()[i].FUrl, QString::fromUtf8(expected[i].code));
    EXPECT_FALSE(bar.NagInfo()[i].FIco.isNull());
  }
  EXPECT_GE(bar.height(), bar.NagInfo()[0].FIco.height());
}

TEST_F(NagBarTest, OnlyTheTextOfALinkIsClickable) {
  for (int i = 0; i < 3; ++i) {
    const QRect text = bar.LinkRect(i);
    const int iconWidth = bar.NagInfo()[size_t(i)].FIco.width();
    SCOPED_TRACE(i);
    codes.clear();
    QTest::mouseClick(&bar, Qt::LeftButton, {}, QPoint(text.left() - iconWidth / 2, bar.height() / 2));
    EXPECT_TRUE(codes.isEmpty()) << "a click on the icon does nothing";
    QTest::mouseClick(&bar, Qt::LeftButton, {}, text.center());
    EXPECT_EQ(codes, QStringList{bar.NagInfo()[size_t(i)].FUrl});
  }
  codes.clear();
  // Between two links (the gap after the first text) and above the text: nothing.
  QTest::mouseClick(&bar, Qt::LeftButton, {}, QPoint(bar.LinkRect(0).right() + 5, bar.height() / 2));
  QTest::mouseClick(&bar, Qt::LeftButton, {}, QPoint(bar.LinkRect(0).center().x(), 1));
  EXPECT_TRUE(codes.isEmpty());
}

TEST_F(NagBarTest, TheLinkUnderTheMouseIsUnderlinedUntilTheMouseLeaves) {
  const QImage plain = Picture();
  MoveTo(bar.LinkRect(1).center());
  ASSERT_EQ(bar.CurrentIndex(), 1);
  EXPECT_EQ(bar.cursor().shape(), Qt::PointingHandCursor);
  const QImage hovered = Picture();
  EXPECT_NE(hovered, plain);
  // Only the hovered link's text changes.
  const QRect changed = bar.LinkRect(1);
  for (int x = 0; x < plain.width(); ++x)
    for (int y = 0; y < plain.height(); ++y)
      if (hovered.pixel(x, y) != plain.pixel(x, y)) {
        ASSERT_TRUE(changed.contains(x, y)) << x << "," << y;
      }

  MoveTo(QPoint(bar.LinkRect(1).left() - 3, bar.height() / 2));  // its icon
  ASSERT_EQ(bar.CurrentIndex(), -1);
  EXPECT_EQ(Picture(), plain);

  MoveTo(bar.LinkRect(2).center());
  ASSERT_EQ(bar.CurrentIndex(), 2);
  QEvent leave(QEvent::Leave);
  QCoreApplication::sendEvent(&bar, &leave);
  EXPECT_EQ(bar.CurrentIndex(), -1);
  EXPECT_EQ(bar.cursor().shape(), Qt::ArrowCursor);
  EXPECT_EQ(Picture(), plain);
}

}  // namespace
