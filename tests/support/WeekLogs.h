#pragma once
// A week of the suite's logs for the week report's tests, its benchmark and the gallery: the
// browse and block logs written by the suite's own log writers, violation rows, screen captures
// under the names the host gives them. Writes into the data folder in force.
#include "datastore/uHistoryRecordsDao.h"

#include <QColor>
#include <QDate>
#include <QList>
#include <QPair>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTime>

struct TDayLog {
  QStringList visits;
  QList<QPair<QString, QString>> wordBlocks;  // address, findings
  QList<QPair<QString, int>> listBlocks;      // address, row key
};

// The day's events through the log writers, at 10:00 of the day.
void WriteDayLog(const QDate &day, const TDayLog &log);
// The day's file of a log folder.
QString DayLogFile(const QString &folder, const QDate &day);
// Appends bytes as they are (damaged lines, many lines at once); false when the file cannot be
// written.
bool AppendToFile(const QString &path, const QByteArray &bytes);
// A violation row of the day at 10:09, as the host writes it.
THistoryRecords ViolationOn(const QDate &day, const QString &item);
// A capture of one colour taken at the day and time, stored as the host stores it; its path.
QString WriteCapture(const QDate &day, const QTime &time, const QColor &color, const QSize &size = QSize(320, 180));
