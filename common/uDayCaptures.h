#pragma once
// The screen captures of one day for the parent's week report: each as a small picture with its
// time, and one picture whole on demand. Only pictures under the suite's own names are read, and
// none through a link. Reads the capture folder only. In guarded mode the pictures are the
// guard's: it answers a day's names and hands over each picture as a file it opened (never a path
// the caller would open), which the parent's process reads; the guard decodes no picture.
#include <QDate>
#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTime>
#include <vector>

// The largest size of a small picture.
inline const QSize CaptureThumbSize(120, 68);
// The most pictures of a day that are shown, and the largest file of one that is read.
inline constexpr qsizetype MostDayCaptures = 1000;
inline constexpr qint64 MostCaptureBytes = 64 * 1024 * 1024;
// The time a day's small pictures are made in: the captures past it are listed without one, so
// that a day of thousands of captures, or of pictures slow to decode, keeps the page answering.
inline constexpr int DayThumbsMs = 300;

struct TDayCapture {
  QString sName;  // the picture's name in its day's folder
  QTime tTime;
  QImage imgThumb;  // null when it was not made in time
};

// The names of the captures of `day` under `folder` (the capture folder, one folder per day
// below it), in the order of their times; at most MostDayCaptures.
QStringList DayCaptureNames(const QString &folder, const QDate &day);
// The capture `name` of `day` opened for reading, no folder or file through a link; -1 for a name
// that is not a capture's, a file that is missing, not a regular file or larger than
// MostCaptureBytes. The caller closes it.
int OpenCapture(const QString &folder, const QDate &day, const QString &name);

// The day's captures of the suite's capture folder (or the guard's), as small pictures made
// within DayThumbsMs; a picture that cannot be read in that time is left out, the captures past
// it are listed without a small picture.
std::vector<TDayCapture> LoadDayCaptures(const QDate &day);
// One capture whole; raises "无法打开抓屏：" + day and name when it cannot be read.
QImage LoadCapture(const QDate &day, const QString &name);
