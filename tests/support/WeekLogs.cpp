#include "tests/support/WeekLogs.h"

#include "common/uLogTrimmer.h"
#include "common/uTextLog.h"

#include <QDir>
#include <QFile>
#include <QImage>

void WriteDayLog(const QDate &day, const TDayLog &log) {
  const auto clock = [day] { return QDateTime(day, QTime(10, 0)); };
  TTextLogManager browse(clock, TLogKind::Browse);
  for (const QString &address : log.visits)
    browse.LogVisit(address);
  TTextLogManager block(clock, TLogKind::Block);
  for (const auto &[address, findings] : log.wordBlocks)
    block.LogBlocked(address, findings);
  for (const auto &[address, key] : log.listBlocks)
    block.LogBlackListed(address, key);
}

QString DayLogFile(const QString &folder, const QDate &day) {
  return folder + day.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(".txt");
}

bool AppendToFile(const QString &path, const QByteArray &bytes) {
  QFile file(path);
  return file.open(QIODevice::Append) && file.write(bytes) == bytes.size();
}

THistoryRecords ViolationOn(const QDate &day, const QString &item) {
  return {0, day.toString(QStringLiteral("yyyy年MM月dd日")) + QStringLiteral(" 10时09分"), item};
}

QString WriteCapture(const QDate &day, const QTime &time, const QColor &color, const QSize &size) {
  const QDateTime moment(day, time);
  const QString folder = TLogTrimmer::CapturePath() + TLogTrimmer::DayFolderName(moment) + QStringLiteral("/");
  QDir().mkpath(folder);
  QImage picture(size, QImage::Format_RGB32);
  picture.fill(color);
  const QString path = folder + TLogTrimmer::TimeName(moment) + QStringLiteral(".jpg");
  picture.save(path, "JPG", 95);
  return path;
}
