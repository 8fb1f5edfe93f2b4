#pragma once
// The page "本周报告": the parent's week at a glance. Bar charts of the last seven days, one of
// the pages visited and one of the pages blocked for their words and for the black list, the
// violations and the card count at each day's end, with the numbers on the bars; a note of the log lines that could not
// be read, the week's most visited and most blocked sites and the words that blocked pages most often, the week's
// violation rows, and a day chooser showing that day's screen captures as small pictures; a click on one opens it whole
// in a window of its own. Reads the report when shown.
#include "common/uWeekReport.h"

#include <QDate>
#include <QWidget>
#include <functional>

class QChartView;
class QComboBox;
class QGridLayout;
class QLabel;
class QScrollArea;
class QTreeWidget;

class TFrmWeekReport : public QWidget {
  Q_OBJECT
public:
  using TToday = std::function<QDate()>;
  explicit TFrmWeekReport(QWidget *owner, TToday today = &QDate::currentDate);

  QScrollArea *scbMain;
  QChartView *chtVisits;  // pages visited
  QChartView *chtWeek;    // blocks of both kinds, violations, cards
  QLabel *lblSkipped;
  QTreeWidget *lstVisited;
  QTreeWidget *lstBlocked;
  QTreeWidget *lstWords;
  QTreeWidget *lstViolations;
  QComboBox *cbbDay;
  QWidget *pnlCaptures;

protected:
  void showEvent(QShowEvent *event) override;

private:
  void FormShow();
  void cbbDayChange(int index);
  void CaptureClick(const QDate &day, const QString &name);

  TToday FToday;
  QGridLayout *FCaptureGrid;
};

// The window showing one screen capture whole, "抓屏 yyyy-MM-dd hh:mm:ss"; it frees itself when
// closed.
QWidget *ShowCaptureWindow(const QImage &picture, const QString &caption);
