#pragma once
// The screen captures of one day for the parent's week report: each as a small picture with its
// time, and one picture whole on demand. Only pictures under the suite's own names are read, and
// none through a link. Reads the capture folder only.
#include <QDate>
#include <QImage>
#include <QSize>
#include <QString>
#include <QTime>
#include <vector>

// The largest size of a small picture.
inline const QSize CaptureThumbSize(120, 68);

struct TDayCapture {
  QString sName;  // the picture's name in its day's folder
  QTime tTime;
  QImage imgThumb;
};

// The captures of `day` under `folder` (the capture folder, one folder per day below it), in
// the order of their times; a picture that cannot be read is left out.
std::vector<TDayCapture> ReadDayCaptures(const QString &folder, const QDate &day);
// The capture `name` of `day`, whole; a null picture for a name that is not a capture's or a
// picture that cannot be read.
QImage ReadCapture(const QString &folder, const QDate &day, const QString &name);

// The same of the suite's own capture folder.
std::vector<TDayCapture> LoadDayCaptures(const QDate &day);
QImage LoadCapture(const QDate &day, const QString &name);
