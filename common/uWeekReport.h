#pragma once
// The parent's week at a glance, read from the logs and tables as they stand: for each of the
// last seven days the pages visited (browse log), the pages blocked for their words and for the
// black list (block log), the violations (rows of "historyrecords") and the card count at the
// day's end; the week's most visited and most blocked hosts and the words that blocked pages most
// often. Only the seven days' files are opened, by their names, and each is read as a stream; a
// line that cannot be read is skipped and counted, never an error. The top lists count the
// first 100,000 different names of each list (more is a flood, not a week of browsing). Reads
// files only; shared by the management window (its own folders) and the guard (its state folder).
#include "datastore/uCancelRecordsDao.h"
#include "datastore/uHistoryRecordsDao.h"

#include <QDate>
#include <QString>
#include <array>
#include <cstdint>
#include <vector>

inline constexpr int ReportDays = 7;
// The length of each top list.
inline constexpr size_t ReportTopLength = 5;
// The most of a day's log that is read, and the longest line that is: a longer line is skipped
// (never held whole), a longer log is read up to the bound only and counted as unread.
inline constexpr qint64 MostLogBytes = 8 * 1024 * 1024;
inline constexpr qint64 MostLineBytes = 64 * 1024;
// The most violation rows a report lists, the latest; each day's count still counts them all.
inline constexpr size_t MostReportViolations = 500;

struct TReportDay {
  QDate dDay;
  int32_t iVisits = 0;
  int32_t iWordBlocks = 0;
  int32_t iListBlocks = 0;
  int32_t iViolations = 0;
  // -1 when the count cannot be told back from today's (a cancelling of cards on a later day,
  // or a full count on a later day with violations).
  int32_t iCards = -1;
};

struct TReportCount {
  QString sName;
  int32_t iCount = 0;
};

struct TWeekReport {
  std::array<TReportDay, ReportDays> days;                     // the oldest first, today last
  std::vector<TReportCount> topVisited, topBlocked, topWords;  // the largest count first
  std::vector<THistoryRecords> violations;                     // the week's latest rows, in table order
  int32_t iSkipped = 0;                                        // lines and rows that could not be read
  int32_t iUnreadLogs = 0;                                     // day logs that are there but could not be read whole
};

// What a week is read from. Folders end with "/".
struct TWeekSources {
  QString sBrowseFolder;  // "yyyy-MM-dd.txt" in code page 936
  QString sBlockFolder;   // "yyyy-MM-dd.txt" in UTF-8
  std::vector<THistoryRecords> violations;
  std::vector<TCancelRecordModel> cancels;
  int32_t iCardsNow = 0;
};

// The week ending with `today`.
TWeekReport ReadWeekReport(const TWeekSources &sources, const QDate &today);

// The host of a logged address ("http://user@Example.COM:80/x" gives "example.com"; an address
// without a scheme starts with its host); empty when there is none or it is longer than any host
// name (253 bytes).
QString AddressHost(const QString &address);

// The week ending with `today` of the suite's own logs and card tables; in guarded mode the
// guard reads its own and answers the counts (a parent's call).
TWeekReport LoadWeekReport(const QDate &today);

// The report as the guard hands it over, and read back; reading raises the guard's unreadable
// answer for a stream that is cut short or holds more than a report does.
QByteArray WriteWeekReportStream(const TWeekReport &report);
TWeekReport ReadWeekReportStream(const QByteArray &stream);
