#pragma once
// The web black list in force: the rows of table `webs` of the card database (the address as
// the parent typed it, with or without scheme, and its schedule text) and the check of one
// address against them. A row matches an address whose host is the row's host or a subdomain
// of it and whose path lies under the row's path (the same path, or below it: "/kids" covers
// "/kids" and "/kids/a", not "/kidsfun"), while one of the row's time windows is open. Rows and
// addresses are compared in one canonical form, so that every spelling of an address (case,
// final dots, international names, IPv4 numbers, repeated slashes, path parameters, needless
// percent-encoding) is matched. A row that is no address matches nothing; one whose schedule
// cannot be read matches at every moment. Reads `webs` only (through the guard in guarded mode).
#include "common/uSchedule.h"

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QUrl>
#include <cstdint>
#include <optional>
#include <vector>

struct TBlackListRow {
  int32_t iWid = 0;
  QString sUrl;  // as typed
  QString sDt;   // schedule text
};

struct TBlackListMatch {
  int32_t iWid = 0;
  QString sUrl;
  QDateTime tEnd;  // the first moment the window no longer covers
};

class TWebBlackList {
public:
  // Reads every row of `webs` again.
  void Load();
  void SetRows(const std::vector<TBlackListRow> &rows);
  size_t Size() const { return FEntries.size(); }

  // The row that blocks the address at this moment (local time), if any.
  std::optional<TBlackListMatch> Check(const QUrl &address, const QDateTime &now) const;
  // The first moment after now at which a row's window begins; nothing without rows.
  std::optional<QDateTime> NextWindowStart(const QDateTime &now) const;

private:
  struct TEntry {
    TBlackListRow Row;
    QString sPath;  // canonical, without a trailing "/"; empty for the whole site
    std::vector<TScheduleWindow> Windows;
  };
  std::vector<TEntry> FEntries;
  QHash<QString, std::vector<size_t>> FByHost;  // canonical host → entries
};
