// The icon grid with pager, driven by real mouse events: pages of cells, the page-number bar
// and its screens of numbers, cells without a picture.
#include "appcentre/uImageBox.h"
#include "controls/uSkin.h"
#include "tests/support/QStringPrint.h"

#include <QPainter>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

std::unique_ptr<TDragCell> Cell(int n, bool withPicture = true) {
  auto cell = std::make_unique<TDragCell>();
  cell->sCaption = QStringLiteral("应用%1").arg(n);
  if (withPicture) {
    QImage icon(48, 48, QImage::Format_ARGB32_Premultiplied);
    icon.fill(QColor(0, 128, 255));
    cell->sPicture = TPicture(icon);
  }
  return cell;
}

void SetPagerPictures(TDlpPager &pager) {
  pager.SetUpPic(SkinPicture("pager_up.png"));
  pager.SetDownPic(SkinPicture("pager_down.png"));
  pager.SetCurNumPic(SkinPicture("pager_cur.png"));
  pager.SetBgPic(SkinPicture("pager_bg.png"));
}

// A box set up as the centre window's: 150 x 410, cells 50 x 68 with margins 16/3/3/5, a page
// of 10, a pager 128 wide with 8 numbers a screen.
class ImageBoxTest : public ::testing::Test {
protected:
  void SetUp() override {
    TFlowPanelEx *flow = box.FlowPanel();
    flow->SetCellMargins(QMargins(16, 3, 3, 5));
    flow->SetOnCellClick([this](PDragCell cell) { clicked.push_back(cell); });
    TDlpPager *pager = box.Pager();
    pager->SetMargins(QMargins(10, 3, 10, 10));
    pager->SetPageSize(10);
    pager->SetNumMargins(QMargins(5, 0, 0, 0));
    SetPagerPictures(*pager);
    box.resize(150, 410);
    box.show();
  }
  void Add(int count, bool withPicture = true) {
    for (int i = 0; i < count; ++i)
      box.AddItem(Cell(box.Count(), withPicture));
  }
  QStringList Shown() const {
    QStringList captions;
    for (int i = 0; i < box.FlowPanel()->CellCount(); ++i)
      captions << box.FlowPanel()->Cell(i)->Caption();
    return captions;
  }
  void ClickPager(const QPoint &at) { QTest::mouseClick(box.Pager(), Qt::LeftButton, {}, at); }
  void ClickNumber(int n) {
    const QRect r = box.Pager()->NumberRect(n);
    ASSERT_FALSE(r.isEmpty()) << "no number " << n << " on the screen";
    ClickPager(r.center());
  }
  QPoint RightArrow() const { return {box.Pager()->width() - 3, 6}; }
  static QPoint LeftArrow() { return {3, 6}; }

  TImageBox box;
  std::vector<PDragCell> clicked;
};

TEST_F(ImageBoxTest, ElevenItemsMakeTwoPages) {
  EXPECT_TRUE(box.Pager()->isHidden());
  EXPECT_EQ(box.FlowPanel()->CellCount(), 0);
  EXPECT_EQ(box.FlowPanel()->geometry(), QRect(1, 1, 148, 408)) << "the whole box but its bevel";

  Add(10);
  EXPECT_EQ(box.FlowPanel()->CellCount(), 10);
  EXPECT_TRUE(box.Pager()->isHidden()) << "one page needs no pager";
  // Two columns 69 apart, five rows 76 apart, from the margins inside the bevel.
  EXPECT_EQ(box.FlowPanel()->Cell(0)->geometry(), QRect(17, 4, 50, 68));
  EXPECT_EQ(box.FlowPanel()->Cell(1)->pos(), QPoint(86, 4));
  EXPECT_EQ(box.FlowPanel()->Cell(2)->pos(), QPoint(17, 80));
  EXPECT_EQ(box.FlowPanel()->Cell(9)->pos(), QPoint(86, 308));

  Add(1);
  EXPECT_EQ(box.FlowPanel()->CellCount(), 10) << "the 11th waits for its page";
  ASSERT_FALSE(box.Pager()->isHidden());
  EXPECT_EQ(box.Pager()->geometry(), QRect(11, 386, 128, 13));
  EXPECT_EQ(box.FlowPanel()->geometry(), QRect(1, 1, 148, 382));
  EXPECT_EQ(box.Pager()->PageMax(), 2);
  EXPECT_FALSE(box.Pager()->NumberRect(2).isEmpty());
  EXPECT_TRUE(box.Pager()->NumberRect(3).isEmpty());

  ClickNumber(2);
  EXPECT_EQ(Shown(), QStringList{"应用10"});
  EXPECT_EQ(box.Pager()->PCurIndex(), 2);
  TFlowItem *shown = box.FlowPanel()->Cell(0);
  ClickNumber(2);
  EXPECT_EQ(box.FlowPanel()->Cell(0), shown) << "the page is not built again";

  Add(1);
  EXPECT_EQ(Shown(), (QStringList{"应用10", "应用11"})) << "page 2 has room: shown at once";
  ClickNumber(1);
  EXPECT_EQ(box.FlowPanel()->CellCount(), 10);
  Add(1);
  EXPECT_EQ(box.FlowPanel()->CellCount(), 10) << "page 1 is full: hidden until its page is chosen";
  EXPECT_EQ(box.Pager()->PageMax(), 2);

  QTest::mouseClick(box.FlowPanel()->Cell(3), Qt::LeftButton);
  ASSERT_EQ(clicked.size(), 1u);
  EXPECT_EQ(clicked[0], box.GetItem(3));
  EXPECT_EQ(clicked[0]->sIndex, 3);
}

TEST_F(ImageBoxTest, ArrowsStepThroughScreensOfNumbers) {
  Add(100);
  TDlpPager *pager = box.Pager();
  ASSERT_EQ(pager->GetNumsPerScreen(), 8);
  EXPECT_FALSE(pager->NumberRect(8).isEmpty());
  EXPECT_TRUE(pager->NumberRect(9).isEmpty());

  ClickPager(RightArrow());
  EXPECT_EQ(pager->CurScreen(), 1);
  EXPECT_EQ(pager->PCurIndex(), 9);
  EXPECT_EQ(Shown().first(), "应用80") << "the arrow also turns to the screen's first page";
  EXPECT_EQ(pager->NumberRect(9), QRect(12, 0, 13, 13)) << "9 and 10 take the first boxes";
  EXPECT_FALSE(pager->NumberRect(10).isEmpty());
  EXPECT_TRUE(pager->NumberRect(11).isEmpty());

  ClickPager(RightArrow());
  EXPECT_EQ(pager->CurScreen(), 1) << "no screen beyond the last";
  EXPECT_EQ(pager->PCurIndex(), 9);

  ClickNumber(10);
  EXPECT_EQ(Shown().size(), 10);
  ClickPager(LeftArrow());
  EXPECT_EQ(pager->CurScreen(), 0);
  EXPECT_EQ(pager->PCurIndex(), 1);
  EXPECT_EQ(Shown().first(), "应用0");
}

TEST(DlpPager, PageChangeEventsAndHitTest) {
  TDlpPager pager;
  SetPagerPictures(pager);
  pager.SetNumMargins(QMargins(5, 0, 0, 0));
  pager.SetPageCount(100);
  pager.resize(128, 13);
  pager.show();
  std::vector<std::pair<int, int>> events;
  pager.SetOnPageChange([&](int32_t o, int32_t n) { events.emplace_back(o, n); });

  const struct {
    QPoint at;
    int index;
  } hits[] = {
      {{0, 0}, -100}, {{6, 12}, -100}, {{127, 0}, -200}, {{121, 12}, -200}, {{8, 5}, -1},    // gap behind the arrow
      {{12, 5}, 1},   {{24, 5}, 1},    {{25, 5}, 2},     {{115, 5}, 8},     {{116, 5}, -1},  // behind the last box
      {{12, 13}, -1},                                                                        // below the boxes
  };
  for (const auto &h : hits)
    EXPECT_EQ(pager.GetIndexAtPos(h.at), h.index) << h.at.x() << "," << h.at.y();

  QTest::mouseClick(&pager, Qt::LeftButton, {}, QPoint(3, 6));
  QTest::mouseClick(&pager, Qt::LeftButton, {}, QPoint(18, 6));
  EXPECT_TRUE(events.empty()) << "left arrow on the first screen, or the current number";
  QTest::mouseClick(&pager, Qt::LeftButton, {}, QPoint(124, 6));
  QTest::mouseClick(&pager, Qt::LeftButton, {}, QPoint(124, 6));
  QTest::mouseClick(&pager, Qt::RightButton, {}, QPoint(3, 6));
  EXPECT_EQ(events, (std::vector<std::pair<int, int>>{{1, 9}, {9, 1}})) << "any button; nothing at the end";

  pager.SetPageCount(10);
  EXPECT_TRUE(pager.isHidden()) << "one page";
  pager.SetAutoShow(false);
  EXPECT_FALSE(pager.isHidden());
}

TEST_F(ImageBoxTest, ACellWithoutPictureIsInvisibleButAnswersClicks) {
  Add(1);
  Add(1, false);
  TFlowItem *bare = box.FlowPanel()->Cell(1);
  EXPECT_EQ(bare->pos(), QPoint(86, 4)) << "it takes its place in the flow";
  QImage drawn(bare->size(), QImage::Format_ARGB32_Premultiplied);
  drawn.fill(Qt::transparent);
  bare->render(&drawn, QPoint(), QRegion(), QWidget::RenderFlags());
  EXPECT_EQ(drawn, [&] {
    QImage empty(bare->size(), QImage::Format_ARGB32_Premultiplied);
    empty.fill(Qt::transparent);
    return empty;
  }()) << "not even the caption";

  QImage withPicture(50, 68, QImage::Format_ARGB32_Premultiplied);
  withPicture.fill(Qt::transparent);
  box.FlowPanel()->Cell(0)->render(&withPicture, QPoint(), QRegion(), QWidget::RenderFlags());
  EXPECT_EQ(withPicture.pixelColor(0, 0), QColor(0, 128, 255)) << "the icon at the top-left corner";
  EXPECT_EQ(withPicture.pixelColor(49, 0).alpha(), 0) << "not centred, not stretched";

  QTest::mouseClick(bare, Qt::LeftButton);
  ASSERT_EQ(clicked.size(), 1u);
  EXPECT_EQ(clicked[0], box.GetItem(1));
  EXPECT_EQ(box.AddItem(nullptr), -1);
  EXPECT_EQ(box.GetItem(2), nullptr);
  EXPECT_FALSE(box.DeleteItem(5));
}

}  // namespace
