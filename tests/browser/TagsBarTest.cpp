// The tab strip: its events and their order, the one blank tab, the last tab that stays,
// and the names as painted.
#include "browser/uTagsBar.h"

#include "tests/support/QStringPrint.h"

#include <QTest>
#include <gtest/gtest.h>

namespace {

// A shown strip that records its events as text, e.g. "new 1 about:blank 1", "change 1",
// "close 2 1".
class TagsBarTest : public ::testing::Test {
protected:
  void SetUp() override {
    bar.resize(900, bar.height());
    bar.SetOnChange([this](int n) { events.push_back(QStringLiteral("change %1").arg(n)); });
    bar.SetOnTabClose([this](int o, int n) { events.push_back(QStringLiteral("close %1 %2").arg(o).arg(n)); });
    bar.SetOnTabNew([this](int n, const QString &url, bool action) {
      events.push_back(QStringLiteral("new %1 %2 %3").arg(n).arg(url).arg(int(action)));
    });
    bar.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
  }

  void OpenTabs(const QStringList &names) {
    for (const QString &name : names)
      bar.NewTab(name, true);
    events.clear();
  }

  QStringList Names() const {
    QStringList names;
    for (int i = 0; i < bar.TabCount(); ++i)
      names.append(bar.GetTabName(i));
    return names;
  }

  TTagsBar bar;
  QStringList events;
};

TEST_F(TagsBarTest, NewTabRaisesNewThenChangeAndReturnsItsIndex) {
  EXPECT_EQ(bar.NewTab("http://a/", true), 0);
  EXPECT_EQ(bar.NewTab("http://b/", false), 1);
  EXPECT_EQ(events, QStringList({"new 0 http://a/ 1", "change 0", "new 1 http://b/ 0"}));
  EXPECT_EQ(bar.TabIndex(), 0);
  EXPECT_EQ(Names(), QStringList({"http://a/", "http://b/"}));
}

TEST_F(TagsBarTest, NewTabButtonTwiceOpensOneBlankTab) {
  OpenTabs({"http://a/", "http://b/"});
  bar.SetTabIndex(0);
  events.clear();

  QTest::mouseClick(bar.AddTabButton(), Qt::LeftButton);
  EXPECT_EQ(events, QStringList({"new 2 about:blank 1", "change 2"}));
  bar.SetTabIndex(0);
  events.clear();

  QTest::mouseClick(bar.AddTabButton(), Qt::LeftButton);
  EXPECT_EQ(events, QStringList({"change 2"})) << "the second click only selects the blank tab";
  EXPECT_EQ(Names(), QStringList({"http://a/", "http://b/", "新建选项卡"}));
  EXPECT_EQ(bar.NewTab("新建选项卡", true), 2);
}

TEST_F(TagsBarTest, OneTabCannotBeClosed) {
  OpenTabs({"http://a/"});
  EXPECT_FALSE(bar.CloseButton()->isVisible());
  EXPECT_TRUE(bar.AddTabButton()->isVisible());

  QTest::mouseDClick(&bar, Qt::LeftButton, {}, bar.ItemRect(0).center());
  bar.DelTab(-1);
  bar.DelTab(0);
  EXPECT_EQ(bar.TabCount(), 1);
  EXPECT_TRUE(events.isEmpty()) << events.join(", ").toStdString();
}

TEST_F(TagsBarTest, CloseButtonShowsOnTheCurrentTabFromTwoTabs) {
  OpenTabs({"http://a/", "http://b/"});
  ASSERT_TRUE(bar.CloseButton()->isVisible());
  EXPECT_TRUE(bar.ItemRect(1).adjusted(-TTagsBar::TabOverlap, 0, 0, 0).contains(bar.CloseButton()->geometry()));
  EXPECT_TRUE(bar.AddTabButton()->x() >= bar.ItemRect(1).right() + 10);

  QTest::mouseClick(bar.CloseButton(), Qt::LeftButton);
  EXPECT_EQ(events, QStringList({"close 1 0"}));
  EXPECT_FALSE(bar.CloseButton()->isVisible());
}

struct TCloseCase {
  int current;
  int deleted;  // -1: the current tab
  QStringList expectedEvents;
  int expectedCurrent;
  QStringList expectedNames;
};

TEST_F(TagsBarTest, ClosingTabsOfThree) {
  const TCloseCase cases[] = {
      {2, -1, {"close 2 1"}, 1, {"a", "b"}},
      {0, -1, {"close 0 0"}, 0, {"b", "c"}},
      {1, 1, {"close 1 1"}, 1, {"a", "c"}},
      // A tab before the current one goes: the current tab stays current under its new index.
      {2, 0, {"close 0 1"}, 1, {"b", "c"}},
      // Outside the tabs: nothing.
      {1, 3, {}, 1, {"a", "b", "c"}},
  };
  for (const TCloseCase &c : cases) {
    TTagsBar strip;
    strip.resize(900, strip.height());
    QStringList seen;
    strip.SetOnTabClose([&](int o, int n) { seen.push_back(QStringLiteral("close %1 %2").arg(o).arg(n)); });
    strip.SetOnChange([&](int n) { seen.push_back(QStringLiteral("change %1").arg(n)); });
    for (const char *name : {"a", "b", "c"})
      strip.NewTab(name, true);
    strip.SetTabIndex(c.current);
    seen.clear();

    strip.DelTab(c.deleted);
    SCOPED_TRACE(QStringLiteral("current %1, delete %2").arg(c.current).arg(c.deleted).toStdString());
    EXPECT_EQ(seen, c.expectedEvents);
    EXPECT_EQ(strip.TabIndex(), c.expectedCurrent);
    QStringList names;
    for (int i = 0; i < strip.TabCount(); ++i)
      names.append(strip.GetTabName(i));
    EXPECT_EQ(names, c.expectedNames);
  }
}

TEST_F(TagsBarTest, MouseOnTabs) {
  OpenTabs({"http://a/", "http://b/", "http://c/"});

  QTest::mouseClick(&bar, Qt::LeftButton, {}, bar.ItemRect(0).center());
  EXPECT_EQ(events, QStringList({"change 0"}));
  events.clear();

  // A double click on a tab closes the current tab: the tab its first click made current.
  QTest::mouseClick(&bar, Qt::LeftButton, {}, bar.ItemRect(1).center());
  events.clear();
  QTest::mouseDClick(&bar, Qt::LeftButton, {}, bar.ItemRect(1).center());
  EXPECT_EQ(events, QStringList({"close 1 1"}));
  events.clear();

  // A double click where there is no tab opens a blank tab.
  QTest::mouseDClick(&bar, Qt::LeftButton, {}, QPoint(bar.width() - 5, bar.height() / 2));
  EXPECT_EQ(events, QStringList({"new 2 about:blank 1", "change 2"}));
  events.clear();

  QTest::mouseDClick(&bar, Qt::RightButton, {}, bar.ItemRect(0).center());
  EXPECT_TRUE(events.isEmpty());
}

TEST_F(TagsBarTest, NamesOfTabs) {
  OpenTabs({"http://a/", "http://b/"});
  bar.SetTabName(0, "首页");
  bar.SetTabName(5, "nowhere");
  bar.SetTabName(-1, "nowhere");
  EXPECT_EQ(Names(), QStringList({"首页", "http://b/"}));
  EXPECT_EQ(bar.GetTabName(2), QString());
  EXPECT_EQ(bar.GetTabName(-1), QString());
}

TEST_F(TagsBarTest, EveryTabIs150PixelsAndALongNameEndsWithAnEllipsis) {
  const QString longName = QStringLiteral("一个非常非常长的网页标题 with a long English tail that cannot fit");
  OpenTabs({"a", longName});
  bar.SetTabWidth(400);
  EXPECT_EQ(bar.TabWidth(), 150);
  EXPECT_EQ(bar.ItemRect(0).width(), 150);
  EXPECT_EQ(bar.ItemRect(1).width(), 150);

  const QString shown = bar.ShownName(1);
  EXPECT_TRUE(shown.endsWith(QChar(0x2026))) << shown.toStdString();
  EXPECT_TRUE(longName.startsWith(shown.chopped(1)));
  // The current tab's text stops before the close button.
  EXPECT_LE(bar.fontMetrics().horizontalAdvance(shown),
            150 + TTagsBar::TabOverlap - bar.CloseButton()->width() - bar.Spacing().IcoToText());
  EXPECT_EQ(bar.ShownName(0), "a");
}

TEST_F(TagsBarTest, ManyTabsKeepTheCurrentOneInSight) {
  for (int i = 0; i < 12; ++i)
    bar.NewTab(QStringLiteral("http://t%1/").arg(i), true);
  EXPECT_FALSE(bar.ItemRect(11).isEmpty());
  EXPECT_LE(bar.AddTabButton()->geometry().right(), bar.width());
  bar.SetTabIndex(0);
  EXPECT_FALSE(bar.ItemRect(0).isEmpty());
  EXPECT_TRUE(bar.ItemRect(11).isEmpty());
}

}  // namespace
