// Reading the schedule text back: its exact form, the moments inside its windows, and a round
// trip of selections made on the week grid.
#include "common/uSchedule.h"
#include "manage/uDateTime.h"
#include "platform/errors/Errors.h"
#include "tests/manage/GridHost.h"

#include <gtest/gtest.h>
#include <optional>
#include <random>

namespace {

// 2024-01-01 is a Monday.
QDateTime At(int day, const char *time) {
  return QDateTime(QDate(2024, 1, 1).addDays(day), QTime::fromString(QString::fromLatin1(time), u"HH:mm:ss"));
}

// The grid's windows as the reader gives them back.
std::vector<TScheduleWindow> AsSchedule(const std::vector<TDtData> &list) {
  std::vector<TScheduleWindow> windows;
  for (const TDtData &w : list)
    windows.push_back({w.iWeek, w.tStart, w.tEnd});
  return windows;
}

void ExpectRoundTrip(TCutDateTime &grid) {
  const auto selected = grid.Selecteds();
  const auto windows = ParseSchedule(DtListToText(selected));
  ASSERT_EQ(windows, AsSchedule(selected));
  // Every minute of a selected cell is inside, every minute of an unselected one outside.
  for (int d = 0; d < 7; ++d)
    for (int j = 0; j < 48; ++j) {
      const TDtData &cell = grid.Cell(d, j);
      const QDateTime first(QDate(2024, 1, 1).addDays(d), cell.tStart);
      const QDateTime last(QDate(2024, 1, 1).addDays(d), cell.tEnd.addSecs(59));
      ASSERT_EQ(Contains(windows, first), cell.bCheck) << d << " " << j;
      ASSERT_EQ(Contains(windows, last), cell.bCheck) << d << " " << j;
    }
}

}  // namespace

TEST(Schedule, ReadsTheWrittenFormIncludingTheFinalComma) {
  EXPECT_TRUE(ParseSchedule("").empty());
  const auto windows = ParseSchedule("iweek:0;tstart:08:00;tend:09:59,iweek:6;tstart:23:30;tend:23:59,");
  const std::vector<TScheduleWindow> expected = {{0, QTime(8, 0), QTime(9, 59)}, {6, QTime(23, 30), QTime(23, 59)}};
  EXPECT_EQ(windows, expected);
}

TEST(Schedule, RefusesAnythingElseWithAMessageThatNamesTheFault) {
  struct TCase {
    const char *Text;
    const char *Message;  // a part of the error text
  };
  const TCase cases[] = {
      {"iweek:0;tstart:08:00;tend:09:59", "\",\" expected, found \"end of text\""},
      {"iweek:0;tstart:08:00;tend:09:59,,", "entry 2 at character 33: \"iweek:\" expected"},
      {"iweek:7;tstart:08:00;tend:09:59,", "day must be 0 (Monday) to 6 (Sunday)"},
      {"iweek:10;tstart:08:00;tend:09:59,", "day must be 0 (Monday) to 6 (Sunday)"},
      {"iweek:-1;tstart:08:00;tend:09:59,", "digit expected"},
      {"iweek:0;tstart:8:00;tend:09:59,", "digit expected, found \":00;tend:09:\""},
      {"iweek:0;tstart:24:00;tend:23:59,", "time 24:00 is not a time of day"},
      {"iweek:0;tstart:08:00;tend:09:60,", "time 09:60 is not a time of day"},
      {"iweek:0;tstart:10:00;tend:09:59,", "tend 09:59 lies before tstart 10:00"},
      {"IWEEK:0;tstart:08:00;tend:09:59,", "entry 1 at character 1: \"iweek:\" expected"},
      {"iweek:0; tstart:08:00;tend:09:59,", "\";tstart:\" expected"},
      {"iweek:0;tstart:08:00;tend:09:59,x", "entry 2 at character 33"},
      {"iweek:0;tstart:08:00;tend:٠٩:59,", "digit expected"},
  };
  for (const TCase &c : cases) {
    SCOPED_TRACE(c.Text);
    try {
      ParseSchedule(QString::fromUtf8(c.Text));
      ADD_FAILURE() << "accepted";
    } catch (const EPembloError &e) {
      EXPECT_TRUE(e.Text().contains(QString::fromUtf8(c.Message))) << e.what();
    }
  }
}

TEST(Schedule, MomentsInsideTheWindowsAndWhereTheirWindowEnds) {
  const auto windows = ParseSchedule("iweek:0;tstart:08:00;tend:09:59,iweek:6;tstart:23:30;tend:23:59,");
  struct TCase {
    int Day;
    const char *Time;
    bool Inside;
    QDateTime End;
  };
  const TCase cases[] = {
      {0, "07:59:59", false, {}},
      {0, "08:00:00", true, At(0, "10:00:00")},
      {0, "09:59:59", true, At(0, "10:00:00")},
      {0, "10:00:00", false, {}},
      {1, "08:30:00", false, {}},  // the same hours on another day
      {6, "23:45:10", true, At(7, "00:00:00")},
  };
  for (const TCase &c : cases) {
    SCOPED_TRACE(std::to_string(c.Day) + " " + c.Time);
    EXPECT_EQ(Contains(windows, At(c.Day, c.Time)), c.Inside);
    const auto end = WindowEnd(windows, At(c.Day, c.Time));
    EXPECT_EQ(end.has_value(), c.Inside);
    if (end)
      EXPECT_EQ(*end, c.End);
  }
  // A moment given in another time zone counts by its local time.
  EXPECT_TRUE(Contains(windows, At(0, "08:30:00").toUTC()));
}

TEST(Schedule, APeriodOverMidnightEndsWhereItsLastWindowEnds) {
  const QString week = QStringLiteral("iweek:%1;tstart:00:00;tend:23:59,");
  const struct {
    const char *Name;
    QString Text;
    QDateTime From;
    std::optional<QDateTime> End;
  } cases[] = {
      {"22:00 to 02:00", "iweek:0;tstart:22:00;tend:23:59,iweek:1;tstart:00:00;tend:01:59,", At(0, "23:00:00"),
       At(1, "02:00:00")},
      {"on into the next night",
       "iweek:0;tstart:22:00;tend:23:59,iweek:1;tstart:00:00;tend:23:59,iweek:2;tstart:00:00;tend:00:59,",
       At(0, "23:00:00"), At(2, "01:00:00")},
      {"a gap of a minute ends it", "iweek:0;tstart:22:00;tend:23:59,iweek:1;tstart:00:01;tend:01:59,",
       At(0, "23:00:00"), At(1, "00:00:00")},
      {"Sunday night into Monday", "iweek:6;tstart:22:00;tend:23:59,iweek:0;tstart:00:00;tend:05:59,",
       At(6, "23:00:00"), At(7, "06:00:00")},
      {"the whole week",
       week.arg(0) + week.arg(1) + week.arg(2) + week.arg(3) + week.arg(4) + week.arg(5) + week.arg(6),
       At(3, "12:00:00"), std::nullopt},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(WindowEnd(ParseSchedule(c.Text), c.From), c.End);
  }
}

TEST(Schedule, EveryRunTheGridCanMakeReadsBack) {
  // Every run of one day, from any column to any later one.
  TGridHost host;
  for (int first = 0; first < 48; ++first) {
    for (int last = first; last < 48; ++last) {
      DragCells(*host.Grid, 3, first, 3, last);
      ASSERT_NO_FATAL_FAILURE(ExpectRoundTrip(*host.Grid)) << first << ".." << last;
      DragCells(*host.Grid, 3, first, 3, 47);  // from a selected cell: clears the run again
      ASSERT_TRUE(host.Grid->Selecteds().empty());
    }
  }
}

TEST(Schedule, MixedSelectionsOverTheWeekReadBack) {
  std::mt19937 random(20240101);
  for (int round = 0; round < 40; ++round) {
    TGridHost host;
    for (int clicks = 0; clicks < 60; ++clicks)
      ClickCell(*host.Grid, int(random() % 7), int(random() % 48));
    DragCells(*host.Grid, int(random() % 7), 0, int(random() % 7), 47);  // whole days
    ASSERT_NO_FATAL_FAILURE(ExpectRoundTrip(*host.Grid)) << "round " << round;
  }
}
