#include "manage/uFrmWeekReport.h"

#include "common/uDayCaptures.h"
#include "common/uLogTrimmer.h"
#include "controls/uFieldNames.h"
#include "controls/uSkinForm.h"
#include "controls/uSkinLook.h"
#include "platform/errors/ErrorGuard.h"

#include <QApplication>
#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QHorizontalBarSeries>
#include <QLabel>
#include <QScreen>
#include <QScrollArea>
#include <QShowEvent>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>

namespace {

QString DayText(const QDate &day) {
  static const char *const weekDays[] = {"一", "二", "三", "四", "五", "六", "日"};
  return day.toString(QStringLiteral("MM-dd")) + QStringLiteral(" 周") +
         QString::fromUtf8(weekDays[day.dayOfWeek() - 1]);
}

QLabel *Heading(QWidget *parent, const QString &text) {
  auto *label = new QLabel(text, parent);
  label->setFont(SkinFont(QStringLiteral("Tahoma"), 11, true));
  return label;
}

QTreeWidget *NewList(QWidget *parent, const QStringList &columns) {
  auto *list = new QTreeWidget(parent);
  list->setHeaderLabels(columns);
  list->setRootIsDecorated(false);
  list->setUniformRowHeights(true);
  list->setSelectionMode(QAbstractItemView::NoSelection);
  list->setFocusPolicy(Qt::NoFocus);
  list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  list->setFont(SkinFont(QStringLiteral("Tahoma"), 11));
  list->header()->setStretchLastSection(false);
  list->header()->setSectionResizeMode(0, QHeaderView::Stretch);
  list->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
  return list;
}

// Fills a list and makes it as tall as its lines, so the page scrolls instead of the list.
void FillList(QTreeWidget *list, const std::vector<QStringList> &rows) {
  list->clear();
  for (const QStringList &row : rows)
    new QTreeWidgetItem(list, row);
  const int line = list->fontMetrics().height() + 4;
  list->setFixedHeight(list->header()->sizeHint().height() + std::max<int>(1, int(rows.size())) * line + 4);
}

std::vector<QStringList> CountRows(const std::vector<TReportCount> &counts) {
  std::vector<QStringList> rows;
  for (const TReportCount &count : counts)
    rows.push_back({count.sName, QString::number(count.iCount)});
  return rows;
}

// One bar series of the report's days: a bar per day and series, its number behind it.
struct TSeries {
  const char *Name;
  QColor Color;
  int32_t TReportDay::*Value;
};

QChart *WeekChart(const TWeekReport &report, std::initializer_list<TSeries> series) {
  const QFont small = SkinFont(QStringLiteral("Tahoma"), 10);
  auto *bars = new QHorizontalBarSeries;
  int32_t largest = 1;
  for (const TSeries &s : series) {
    auto *set = new QBarSet(QString::fromUtf8(s.Name));
    set->setColor(s.Color);
    set->setBorderColor(s.Color);
    set->setLabelColor(s.Color.darker(150));  // a number tells its series by its colour
    set->setLabelFont(small);
    for (const TReportDay &day : report.days) {
      set->append(std::max(day.*s.Value, 0));  // a count that cannot be told is no bar
      largest = std::max(largest, day.*s.Value);
    }
    bars->append(set);
  }
  bars->setLabelsVisible(true);
  bars->setLabelsPosition(QAbstractBarSeries::LabelsOutsideEnd);
  bars->setLabelsFormat(QStringLiteral("@value"));
  bars->setBarWidth(0.85);

  auto *chart = new QChart;
  chart->addSeries(bars);
  auto *days = new QBarCategoryAxis;
  for (const TReportDay &day : report.days)
    days->append(DayText(day.dDay));
  days->setLabelsFont(small);
  chart->addAxis(days, Qt::AlignLeft);
  bars->attachAxis(days);
  auto *values = new QValueAxis;
  values->setRange(0, std::max(4.0, largest * 1.3));  // room for the number behind the longest bar
  values->setLabelFormat(QStringLiteral("%d"));
  values->setLabelsFont(small);
  values->setTickCount(3);
  values->applyNiceNumbers();
  chart->addAxis(values, Qt::AlignBottom);
  bars->attachAxis(values);
  chart->legend()->setAlignment(Qt::AlignTop);
  chart->legend()->setFont(small);
  chart->setMargins(QMargins(0, 0, 0, 0));
  chart->setBackgroundRoundness(0);
  return chart;
}

void SetChart(QChartView *view, QChart *chart) {
  QChart *old = view->chart();
  view->setChart(chart);
  delete old;
}

}  // namespace

TFrmWeekReport::TFrmWeekReport(QWidget *owner, TToday today) : QWidget(owner), FToday(std::move(today)) {
  MarkAsForm(this);
  setWindowTitle(QStringLiteral("本周报告"));
  resize(330, 234);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, QApplication::palette().color(QPalette::Base));
  setPalette(pal);
  setAutoFillBackground(true);

  scbMain = new QScrollArea(this);
  scbMain->setFrameShape(QFrame::NoFrame);
  scbMain->setWidgetResizable(true);
  scbMain->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  auto *page = new QWidget;
  page->setAutoFillBackground(false);
  auto *layout = new QVBoxLayout(page);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->setSpacing(4);

  chtVisits = new QChartView(page);
  chtVisits->setRenderHint(QPainter::Antialiasing);
  chtVisits->setMinimumHeight(ReportDays * 26 + 90);
  chtWeek = new QChartView(page);
  chtWeek->setRenderHint(QPainter::Antialiasing);
  chtWeek->setMinimumHeight(ReportDays * 4 * 13 + 80);
  lblSkipped = new QLabel(page);
  lblSkipped->setWordWrap(true);
  lblSkipped->setFont(SkinFont(QStringLiteral("Tahoma"), 11));
  SetTextColor(lblSkipped, QColor(0x80, 0x80, 0x80));
  lstVisited = NewList(page, {QStringLiteral("网站"), QStringLiteral("次数")});
  lstBlocked = NewList(page, {QStringLiteral("网站"), QStringLiteral("次数")});
  lstWords = NewList(page, {QStringLiteral("词语"), QStringLiteral("网页数")});
  lstViolations = NewList(page, {QStringLiteral("使用时间"), QStringLiteral("违约项目")});
  lstViolations->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  lstViolations->header()->setSectionResizeMode(1, QHeaderView::Stretch);
  cbbDay = new QComboBox(page);
  cbbDay->setPlaceholderText(QStringLiteral("选择一天，查看当天的抓屏"));
  pnlCaptures = new QWidget(page);
  FCaptureGrid = new QGridLayout(pnlCaptures);
  FCaptureGrid->setContentsMargins(0, 0, 0, 0);

  layout->addWidget(chtVisits);
  layout->addWidget(chtWeek);
  layout->addWidget(lblSkipped);
  layout->addWidget(Heading(page, QStringLiteral("最常访问的网站")));
  layout->addWidget(lstVisited);
  layout->addWidget(Heading(page, QStringLiteral("最常被拦截的网站")));
  layout->addWidget(lstBlocked);
  layout->addWidget(Heading(page, QStringLiteral("最常引起拦截的词语")));
  layout->addWidget(lstWords);
  layout->addWidget(Heading(page, QStringLiteral("本周违约记录")));
  layout->addWidget(lstViolations);
  layout->addWidget(Heading(page, QStringLiteral("抓屏日志")));
  layout->addWidget(cbbDay);
  layout->addWidget(pnlCaptures);
  layout->addStretch();
  scbMain->setWidget(page);
  scbMain->setGeometry(rect());

  NameFields({{scbMain, "scbMain"},
              {chtVisits, "chtVisits"},
              {chtWeek, "chtWeek"},
              {lblSkipped, "lblSkipped"},
              {lstVisited, "lstVisited"},
              {lstBlocked, "lstBlocked"},
              {lstWords, "lstWords"},
              {lstViolations, "lstViolations"},
              {cbbDay, "cbbDay"},
              {pnlCaptures, "pnlCaptures"}});
  connect(cbbDay, &QComboBox::currentIndexChanged, this, Guarded([this](int index) { cbbDayChange(index); }));
}

void TFrmWeekReport::showEvent(QShowEvent *event) {
  QWidget::showEvent(event);
  scbMain->setGeometry(rect());
  if (!event->spontaneous())
    GuardedCall([this] { FormShow(); });
}

void TFrmWeekReport::FormShow() {
  const TWeekReport report = LoadWeekReport(FToday());

  QStringList unknownCards;
  for (const TReportDay &day : report.days)
    if (day.iCards < 0)
      unknownCards << DayText(day.dDay);
  SetChart(chtVisits, WeekChart(report, {{"浏览网页", QColor(0x5B, 0x9B, 0xD5), &TReportDay::iVisits}}));
  SetChart(chtWeek, WeekChart(report, {{"文字拦截", QColor(0xED, 0x7D, 0x31), &TReportDay::iWordBlocks},
                                       {"黑名单拦截", QColor(0x8E, 0x44, 0xAD), &TReportDay::iListBlocks},
                                       {"违约", QColor(0xC0, 0x00, 0x00), &TReportDay::iViolations},
                                       {"黄牌", QColor(0xE6, 0xB8, 0x00), &TReportDay::iCards}}));

  QStringList notes;
  if (report.iSkipped > 0)
    notes << QStringLiteral("有 %1 行日志或记录无法读取，已略过。").arg(report.iSkipped);
  if (report.iUnreadLogs > 0)
    notes << QStringLiteral("有 %1 个日志文件无法完整读取（不是普通文件、无权读取或超过 %2 MB），数字可能偏少。")
                 .arg(report.iUnreadLogs)
                 .arg(MostLogBytes / (1024 * 1024));
  int32_t violations = 0;
  for (const TReportDay &day : report.days)
    violations += day.iViolations;
  if (const qsizetype leftOut = violations - qsizetype(report.violations.size()); leftOut > 0)
    notes << QStringLiteral("本周另有 %1 条违约记录未列出，下面只列出最近的 %2 条。")
                 .arg(leftOut)
                 .arg(report.violations.size());
  if (!unknownCards.isEmpty())
    notes << QStringLiteral("无法推算当天结束时黄牌数的日子：%1。").arg(unknownCards.join(QStringLiteral("、")));
  lblSkipped->setText(notes.join(QLatin1Char('\n')));
  lblSkipped->setVisible(!notes.isEmpty());

  FillList(lstVisited, CountRows(report.topVisited));
  FillList(lstBlocked, CountRows(report.topBlocked));
  FillList(lstWords, CountRows(report.topWords));
  std::vector<QStringList> rows;
  for (const THistoryRecords &row : report.violations)
    rows.push_back({row.datetime, row.item});
  FillList(lstViolations, rows);

  const QSignalBlocker quiet(cbbDay);
  cbbDay->clear();
  for (auto day = report.days.rbegin(); day != report.days.rend(); ++day)
    cbbDay->addItem(day->dDay.toString(QStringLiteral("yyyy年MM月dd日 ")) + DayText(day->dDay).mid(6), day->dDay);
  cbbDay->setCurrentIndex(-1);
  cbbDayChange(-1);
}

void TFrmWeekReport::cbbDayChange(int index) {
  while (QLayoutItem *item = FCaptureGrid->takeAt(0)) {
    delete item->widget();
    delete item;
  }
  if (index < 0)
    return;
  const QDate day = cbbDay->itemData(index).toDate();
  const std::vector<TDayCapture> captures = LoadDayCaptures(day);
  if (captures.empty()) {
    auto *none = new QLabel(QStringLiteral("这一天没有抓屏。"), pnlCaptures);
    none->setFont(SkinFont(QStringLiteral("Tahoma"), 11));
    FCaptureGrid->addWidget(none, 0, 0);
    return;
  }
  const int columns = std::max(1, (scbMain->viewport()->width() - 12) / (CaptureThumbSize.width() + 12));
  for (size_t i = 0; i < captures.size(); ++i) {
    const TDayCapture &capture = captures[i];
    auto *button = new QToolButton(pnlCaptures);
    button->setObjectName(QStringLiteral("imgCapture"));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setAutoRaise(true);
    button->setIcon(QIcon(QPixmap::fromImage(capture.imgThumb)));
    button->setIconSize(CaptureThumbSize);
    button->setText(capture.tTime.toString(QStringLiteral("hh:mm:ss")));
    button->setToolTip(QStringLiteral("点击查看原图"));
    connect(button, &QToolButton::clicked, this,
            Guarded([this, day, name = capture.sName](bool) { CaptureClick(day, name); }));
    FCaptureGrid->addWidget(button, int(i) / columns, int(i) % columns);
  }
}

void TFrmWeekReport::CaptureClick(const QDate &day, const QString &name) {
  const QImage picture = LoadCapture(day, name);
  ShowCaptureWindow(picture, QStringLiteral("抓屏 ") + day.toString(QStringLiteral("yyyy-MM-dd ")) +
                                 TLogTrimmer::CaptureTime(name).toString(QStringLiteral("hh:mm:ss")));
}

QWidget *ShowCaptureWindow(const QImage &picture, const QString &caption) {
  auto *window = new QScrollArea;
  window->setObjectName(QStringLiteral("frmCapture"));
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->setWindowTitle(caption);
  auto *image = new QLabel;
  image->setObjectName(QStringLiteral("imgPicture"));
  image->setPixmap(QPixmap::fromImage(picture));
  window->setWidget(image);
  const QSize screen = window->screen()->availableGeometry().size() * 0.9;
  window->resize(picture.size().boundedTo(screen) + QSize(4, 4));
  window->show();
  return window;
}
