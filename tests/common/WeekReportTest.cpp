// The week report read from a fixture week of logs written by the suite's own log writers.
#include "common/uWeekReport.h"

#include "common/uDayCaptures.h"
#include "common/uGuardLink.h"
#include "common/uLogTrimmer.h"
#include "common/uPathFunc.h"
#include "tests/support/FifoWatch.h"
#include "tests/support/QStringPrint.h"
#include "tests/support/TestFolders.h"
#include "tests/support/WeekLogs.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

namespace {

const QDate Today(2026, 3, 10);
QDate Day(int index) { return Today.addDays(index - (ReportDays - 1)); }  // 0 the oldest, 6 today

std::vector<TReportCount> Counts(std::initializer_list<std::pair<const char *, int32_t>> list) {
  std::vector<TReportCount> counts;
  for (const auto &[name, count] : list)
    counts.push_back({QString::fromUtf8(name), count});
  return counts;
}

void ExpectCounts(const std::vector<TReportCount> &actual, const std::vector<TReportCount> &expected) {
  ASSERT_EQ(actual.size(), expected.size());
  for (size_t i = 0; i < actual.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(actual[i].sName, expected[i].sName);
    EXPECT_EQ(actual[i].iCount, expected[i].iCount);
  }
}

constexpr int BigDay = 100000;

// Day 0 has no log; day 1 visits, blocks of both kinds and a damaged line in each log; day 3 has
// 100,000 visits; the days around the week have lines that must not count.
class WeekReportFixture : public ::testing::Test {
protected:
  void SetUp() override {
    WriteDayLog(Day(-1), {{"http://before.example/"}, {{"http://before.example/", "20 hits  早 20"}}, {}});
    WriteDayLog(Day(1), {{"http://a.example.com/x", "https://A.Example.com:8443/y?z=1", "b.example.org/page",
                          QStringLiteral("http://例子.cn/中文")},
                         {{"http://bad.example/p", QStringLiteral("16 hits  赌博 10, 色情 6")},
                          {"http://bad.example/q", QStringLiteral("15 hits  赌博 15")}},
                         {{"http://list.example/", 7}}});
    ASSERT_TRUE(
        AppendToFile(DayLogFile(GetBrowseLogPath(), Day(1)), "no time stamp\r\n[10:0]  http://a.example.com/\r\n"));
    ASSERT_TRUE(AppendToFile(DayLogFile(GetBlockLogPath(), Day(1)),
                             "[10:00]  http://x.example/  nonsense\r\n[10:00]  http://x.example/\r\n"
                             "[10:00]  http://x.example/  black list seven\r\n"));
    WriteDayLog(
        Day(2),
        {{"http://a.example.com/"}, {{"http://bad.example/", QStringLiteral("40 hits  色情 30, 赌博 10")}}, {}});
    WriteDayLog(Day(3), {{"http://big.example/first"}, {}, {{"http://user@list.example:81/", 8}}});
    QByteArray bulk;
    for (int i = 1; i < BigDay; ++i)
      bulk += "[11:00]  http://big.example/" + QByteArray::number(i) + "\r\n";
    ASSERT_TRUE(AppendToFile(DayLogFile(GetBrowseLogPath(), Day(3)), bulk));
    WriteDayLog(Day(6), {{"http://a.example.com/today"}, {}, {}});
    WriteDayLog(Day(7), {{"http://after.example/"}, {}, {{"http://after.example/", 1}}});
    sources.sBrowseFolder = GetBrowseLogPath();
    sources.sBlockFolder = GetBlockLogPath();
    sources.violations = {ViolationOn(Day(1), QStringLiteral("违约使用了QQ")),
                          ViolationOn(Day(1), QStringLiteral("违约使用了游戏")),
                          ViolationOn(Day(5), QStringLiteral("违约使用了QQ")),
                          ViolationOn(Day(-1), QStringLiteral("违约使用了QQ")),
                          {0, QStringLiteral("昨天"), QStringLiteral("违约使用了QQ")}};
  }

  TTestFolders folders;
  TWeekSources sources;
};

TEST_F(WeekReportFixture, CountsEachDay) {
  const TWeekReport report = ReadWeekReport(sources, Today);
  const struct {
    int day;
    int32_t visits, wordBlocks, listBlocks, violations;
  } cases[] = {
      {0, 0, 0, 0, 0},       // no log at all
      {1, 4, 2, 1, 2},       // damaged lines not counted
      {2, 1, 1, 0, 0},       //
      {3, BigDay, 0, 1, 0},  // the large day
      {4, 0, 0, 0, 0},       //
      {5, 0, 0, 0, 1},       // a violation only
      {6, 1, 0, 0, 0},       // today
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.day);
    const TReportDay &day = report.days[size_t(c.day)];
    EXPECT_EQ(day.dDay, Day(c.day));
    EXPECT_EQ(day.iVisits, c.visits);
    EXPECT_EQ(day.iWordBlocks, c.wordBlocks);
    EXPECT_EQ(day.iListBlocks, c.listBlocks);
    EXPECT_EQ(day.iViolations, c.violations);
  }
  // Two damaged browse lines, three damaged block lines and the violation without a date.
  EXPECT_EQ(report.iSkipped, 6);
  ASSERT_EQ(report.violations.size(), 3u);
  EXPECT_EQ(report.violations[1].item, QStringLiteral("违约使用了游戏"));
}

TEST_F(WeekReportFixture, TopLists) {
  const TWeekReport report = ReadWeekReport(sources, Today);
  const struct {
    const char *name;
    const std::vector<TReportCount> &actual;
    std::vector<TReportCount> expected;
  } cases[] = {
      {"visited", report.topVisited,
       Counts({{"big.example", BigDay}, {"a.example.com", 4}, {"b.example.org", 1}, {"例子.cn", 1}})},
      {"blocked", report.topBlocked, Counts({{"bad.example", 3}, {"list.example", 2}})},
      // By the pages each word blocked, not by its hits.
      {"words", report.topWords, Counts({{"赌博", 3}, {"色情", 2}})},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    ExpectCounts(c.actual, c.expected);
  }
}

TEST_F(WeekReportFixture, TheGuardsStreamReadsBackWholeAndRefusesAnythingElse) {
  TWeekReport report = ReadWeekReport(sources, Today);
  report.iUnreadLogs = 2;
  const QByteArray stream = WriteWeekReportStream(report);
  const TWeekReport back = ReadWeekReportStream(stream);
  for (int i = 0; i < ReportDays; ++i) {
    SCOPED_TRACE(i);
    const TReportDay &a = report.days[size_t(i)], &b = back.days[size_t(i)];
    EXPECT_EQ(std::tie(a.dDay, a.iVisits, a.iWordBlocks, a.iListBlocks, a.iViolations, a.iCards),
              std::tie(b.dDay, b.iVisits, b.iWordBlocks, b.iListBlocks, b.iViolations, b.iCards));
  }
  ExpectCounts(back.topVisited, report.topVisited);
  ExpectCounts(back.topBlocked, report.topBlocked);
  ExpectCounts(back.topWords, report.topWords);
  ASSERT_EQ(back.violations.size(), report.violations.size());
  EXPECT_EQ(back.violations[1].item, report.violations[1].item);
  EXPECT_EQ(back.iSkipped, report.iSkipped);
  EXPECT_EQ(back.iUnreadLogs, report.iUnreadLogs);

  TWeekReport tooLong = report, tooMany = report;
  tooLong.topWords.assign(ReportTopLength + 1, {QStringLiteral("词"), 1});
  tooMany.violations.assign(MostReportViolations + 1, report.violations.front());
  const struct {
    const char *name;
    QByteArray stream;
  } broken[] = {
      {"cut short", stream.chopped(1)},
      {"a byte more", stream + 'x'},
      {"a top list longer than any", WriteWeekReportStream(tooLong)},
      {"more violation rows than a report lists", WriteWeekReportStream(tooMany)},
      {"empty", QByteArray()},
  };
  for (const auto &c : broken) {
    SCOPED_TRACE(c.name);
    EXPECT_THROW(ReadWeekReportStream(c.stream), EGuardError);
  }
}

TEST(WeekReport, TopListsKeepTheLargest) {
  TTestFolders folders;
  TDayLog log;
  for (int host = 0; host < 8; ++host)
    for (int visit = 0; visit <= host; ++visit)
      log.visits << QStringLiteral("http://h%1.example/").arg(host);
  WriteDayLog(Today, log);
  const TWeekReport report = ReadWeekReport({GetBrowseLogPath(), GetBlockLogPath(), {}, {}, 0}, Today);
  ExpectCounts(report.topVisited,
               Counts({{"h7.example", 8}, {"h6.example", 7}, {"h5.example", 6}, {"h4.example", 5}, {"h3.example", 4}}));
}

TEST(WeekReport, CardsAtEachDayEnd) {
  const struct {
    const char *name;
    int32_t now;
    std::vector<int> violationDays, cancelDays;
    std::array<int32_t, ReportDays> expected;
  } cases[] = {
      {"no violations", 1, {}, {}, {1, 1, 1, 1, 1, 1, 1}},
      {"one a day", 2, {5, 6}, {}, {0, 0, 0, 0, 0, 1, 2}},
      // A full count hides how many of the day's violations gave a card.
      {"full after a violation", 3, {6}, {}, {-1, -1, -1, -1, -1, -1, 3}},
      {"two on one day", 2, {3, 3}, {}, {0, 0, 0, 2, 2, 2, 2}},
      {"full", 3, {2, 5}, {}, {-1, -1, -1, -1, -1, 3, 3}},
      {"full since before the week", 3, {}, {}, {3, 3, 3, 3, 3, 3, 3}},
      // How many cards a cancelling took back is not recorded.
      {"cancelled", 0, {1}, {4}, {-1, -1, -1, -1, 0, 0, 0}},
      {"cancelled before the week", 1, {6}, {-2}, {0, 0, 0, 0, 0, 0, 1}},
      // More violations than cards: a lost card, the days before cannot be told.
      {"rows without cards", 1, {5, 6}, {}, {-1, -1, -1, -1, -1, 0, 1}},
      {"count beyond the range", 9, {}, {}, {3, 3, 3, 3, 3, 3, 3}},
  };
  TTestFolders folders;
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    TWeekSources sources{GetBrowseLogPath(), GetBlockLogPath(), {}, {}, c.now};
    for (int day : c.violationDays)
      sources.violations.push_back(ViolationOn(Day(day), QStringLiteral("违约使用了QQ")));
    for (int day : c.cancelDays)
      sources.cancels.push_back({0, Day(day).toString(QStringLiteral("yyyy年MM月dd日")), QStringLiteral("表现好")});
    const TWeekReport report = ReadWeekReport(sources, Today);
    for (int i = 0; i < ReportDays; ++i)
      EXPECT_EQ(report.days[size_t(i)].iCards, c.expected[size_t(i)]) << "day " << i;
  }
}

TEST(WeekReport, UnreadableCancellingLeavesOnlyToday) {
  TTestFolders folders;
  const TWeekReport report =
      ReadWeekReport({GetBrowseLogPath(), GetBlockLogPath(), {}, {{0, QStringLiteral("前天"), QString()}}, 2}, Today);
  EXPECT_EQ(report.days[ReportDays - 1].iCards, 2);
  EXPECT_EQ(report.days[ReportDays - 2].iCards, -1);
  EXPECT_EQ(report.iSkipped, 1);
}

// A child who adds violation rows by the thousand, dated in the week: each day still counts them
// all, the report lists the latest only, and it still reaches a parent through the guard.
TEST(WeekReport, AWeekOfThousandsOfViolationsListsTheLatest) {
  TTestFolders folders;
  TWeekSources sources{GetBrowseLogPath(), GetBlockLogPath(), {}, {}, 0};
  constexpr int Rows = 20000;
  for (int i = 0; i < Rows; ++i)
    sources.violations.push_back(ViolationOn(Day(i % ReportDays), QStringLiteral("违约%1").arg(i)));
  const TWeekReport report = ReadWeekReport(sources, Today);
  int32_t counted = 0;
  for (const TReportDay &day : report.days)
    counted += day.iViolations;
  EXPECT_EQ(counted, Rows);
  ASSERT_EQ(report.violations.size(), MostReportViolations);
  EXPECT_EQ(report.violations.front().item, QStringLiteral("违约%1").arg(Rows - int(MostReportViolations)));
  EXPECT_EQ(report.violations.back().item, QStringLiteral("违约%1").arg(Rows - 1));
  EXPECT_EQ(ReadWeekReportStream(WriteWeekReportStream(report)).violations.size(), MostReportViolations);
}

// A week whose every log is full of different hosts, each seen once (a flood, not browsing): it is
// read in bounded time and memory, and the top lists still come.
TEST(WeekReport, AWeekOfDifferentHostsIsReadInBoundedTimeAndMemory) {
  TTestFolders folders;
  ASSERT_TRUE(QDir().mkpath(GetBlockLogPath()));
  for (int day = 0; day < ReportDays; ++day) {
    const QByteArray prefix = "[10:00]  http://d" + QByteArray::number(day) + "h";
    QByteArray browse, block;
    for (int i = 0; browse.size() < MostLogBytes; ++i)
      browse += prefix + QByteArray::number(i) + ".x/\r\n";
    for (int i = 0; block.size() < MostLogBytes; ++i)
      block += prefix + QByteArray::number(i) + ".x/  black list 1\r\n";
    ASSERT_TRUE(AppendToFile(DayLogFile(GetBrowseLogPath(), Day(day)), browse));
    ASSERT_TRUE(AppendToFile(DayLogFile(GetBlockLogPath(), Day(day)), block));
  }
  rusage before{}, after{};
  ::getrusage(RUSAGE_SELF, &before);
  QElapsedTimer reading;
  reading.start();
  const TWeekReport report = ReadWeekReport({GetBrowseLogPath(), GetBlockLogPath(), {}, {}, 0}, Today);
  EXPECT_LT(reading.elapsed(), 2500);
  ::getrusage(RUSAGE_SELF, &after);
  EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 150 * 1024) << "kilobytes more at the peak";
  EXPECT_EQ(report.topVisited.size(), ReportTopLength);
  EXPECT_EQ(report.topBlocked.size(), ReportTopLength);
  EXPECT_GT(report.days.front().iVisits, 100000);
}

// Names a child can make a page show: a right-to-left override would show "bad.example" backwards
// as a harmless host, a control character could hide text; each is shown as U+FFFD.
TEST(WeekReport, NamesShowTheirCharactersInPlace) {
  TTestFolders folders;
  TDayLog log;
  log.visits << QStringLiteral("http://a\x1b[8mb.example/");
  log.wordBlocks << qMakePair(QStringLiteral("http://\u202Eelpmaxe.dab/"),
                              QStringLiteral("9 hits  \u2066赌博\u2069 9"));
  WriteDayLog(Today, log);
  const TWeekReport report = ReadWeekReport({GetBrowseLogPath(), GetBlockLogPath(), {}, {}, 0}, Today);
  const struct {
    const char *name;
    const std::vector<TReportCount> &actual;
    QString expected;
  } cases[] = {
      {"visited", report.topVisited, QStringLiteral("a\uFFFD[8mb.example")},
      {"blocked", report.topBlocked, QStringLiteral("\uFFFDelpmaxe.dab")},
      {"words", report.topWords, QStringLiteral("\uFFFD赌博\uFFFD")},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(c.actual.size(), 1u);
    EXPECT_EQ(c.actual.front().sName, c.expected);
  }
}

// Logs a child can leave in its browse log folder: each is read within bounds, never held whole,
// and a log that cannot be read whole is counted for the note under the chart.
TEST(WeekReport, HostileBrowseLogsAreReadWithinBounds) {
  const QByteArray good = "[10:00]  http://good.example/\r\n";
  const QByteArray longLine = "[10:00]  http://long.example/" + QByteArray(1024 * 1024, 'a');
  const QByteArray longHost = "[10:00]  http://" + QByteArray(300, 'h') + ".example/\r\n";
  QByteArray beyond;
  const QByteArray line64 = "[10:00]  http://bulk.example/" + QByteArray(64 - 31, 'b') + "\r\n";
  ASSERT_EQ(line64.size(), 64);
  for (qint64 i = 0; i < MostLogBytes / 64 + 1000; ++i)
    beyond += line64;
  const struct {
    const char *name;
    std::function<bool(const QString &)> make;
    int32_t visits, skipped, unread;
    QStringList hosts;
  } cases[] = {
      {"a FIFO",
       [](const QString &path) { return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0; },
       0,
       0,
       1,
       {}},
      {"a folder", [](const QString &path) { return QDir().mkpath(path); }, 0, 0, 1, {}},
      {"a line of 1 MB without a newline",
       [&](const QString &path) { return AppendToFile(path, good + longLine); },
       1,
       1,
       0,
       {"good.example"}},
      {"a line of 1 MB between two",
       [&](const QString &path) { return AppendToFile(path, good + longLine + "\r\n" + good); },
       2,
       1,
       0,
       {"good.example"}},
      {"a last line without its newline",
       [&](const QString &path) { return AppendToFile(path, good + good.chopped(2)); },
       2,
       0,
       0,
       {"good.example"}},
      {"a host longer than any",
       [&](const QString &path) { return AppendToFile(path, longHost + good); },
       2,
       0,
       0,
       {"good.example"}},
      {"a log beyond the bound",
       [&](const QString &path) { return AppendToFile(path, beyond); },
       int32_t(MostLogBytes / 64),
       0,
       1,
       {"bulk.example"}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    TTestFolders folders;
    ASSERT_TRUE(QDir().mkpath(GetBrowseLogPath()));
    const QString path = DayLogFile(GetBrowseLogPath(), Today);
    ASSERT_TRUE(c.make(path));
    TFifoWatch watch(path);
    const TWeekReport report = ReadWeekReport({GetBrowseLogPath(), GetBlockLogPath(), {}, {}, 0}, Today);
    EXPECT_FALSE(watch.Unstuck()) << "the reading waited for a writer";
    EXPECT_EQ(report.days.back().iVisits, c.visits);
    EXPECT_EQ(report.iSkipped, c.skipped);
    EXPECT_EQ(report.iUnreadLogs, c.unread);
    QStringList hosts;
    for (const TReportCount &count : report.topVisited)
      hosts << count.sName;
    EXPECT_EQ(hosts, c.hosts);
  }
}

// What a child can leave among its day's captures: only a regular file of the suite's own name
// is opened, and opening never waits.
TEST(DayCaptures, OpenCaptureOpensOnlyTheDaysOwnPictures) {
  TTestFolders folders;
  const QString picture = WriteCapture(Today, QTime(9, 0, 0), Qt::red);
  const QString folder = QFileInfo(picture).path() + u'/';
  const struct {
    const char *name;
    QString capture;
    std::function<bool(const QString &)> make;
    bool opens;
  } cases[] = {
      {"a capture", QFileInfo(picture).fileName(), [](const QString &) { return true; }, true},
      {"a link named like one", QStringLiteral("10-00-00.jpg"),
       [&](const QString &path) { return QFile::link(picture, path); }, false},
      {"a FIFO named like one", QStringLiteral("11-00-00.jpg"),
       [](const QString &path) { return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0; }, false},
      {"a folder named like one", QStringLiteral("12-00-00.jpg"),
       [](const QString &path) { return QDir().mkpath(path); }, false},
      {"larger than any", QStringLiteral("13-00-00.jpg"),
       [](const QString &path) {
         QFile file(path);
         return file.open(QIODevice::WriteOnly) && file.resize(MostCaptureBytes + 1);
       },
       false},
      {"a name with a folder", QStringLiteral("../") + QFileInfo(picture).fileName(),
       [](const QString &) { return true; }, false},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(c.make(folder + c.capture));
    TFifoWatch watch(folder + c.capture);
    const int fd = OpenCapture(TLogTrimmer::CapturePath(), Today, c.capture);
    EXPECT_FALSE(watch.Unstuck()) << "the opening waited for a writer";
    EXPECT_EQ(fd >= 0, c.opens);
    if (fd >= 0)
      ::close(fd);
  }
}

TEST(WeekReport, AddressHost) {
  const struct {
    const char *address, *host;
  } cases[] = {
      {"http://www.example.com/", "www.example.com"},
      {"HTTPS://WWW.Example.COM:8443/a", "www.example.com"},
      {"http://user:pw@example.com/", "example.com"},
      {"http://a@b@example.com/", "example.com"},
      {"http://example.com?q=a/b", "example.com"},
      {"http://example.com#top", "example.com"},
      {"http://[::1]:8080/x", "[::1]"},
      {"example.com/page", "example.com"},
      {"about:blank", "about"},
      {"file:///home/x", ""},
      {"http://例子.cn/", "例子.cn"},
      {"http://label.label.label.label.label.label.label.label.label.label.label.label.label.label.label.label."
       "label.label.label.label.label.label.label.label.label.label.label.label.label.label.label.label.label.label."
       "label.label.label.label.label.label.label.label.example/",
       ""},
  };
  for (const auto &c : cases)
    EXPECT_EQ(AddressHost(QString::fromUtf8(c.address)), QString::fromUtf8(c.host)) << c.address;
}

}  // namespace
