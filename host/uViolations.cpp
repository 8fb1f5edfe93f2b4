#include "host/uViolations.h"
#include "cards/uHistoryRecordsDao.h"
#include "cards/uPenalta.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <exception>

namespace {

QString WithoutSeparators(QString text) {
  return text.remove(u',').remove(u':').remove(QChar(0xFF0C)).remove(QChar(0xFF1A));
}

}  // namespace

QString ProgramViolationItem(const QString &programName) {
  return QStringLiteral("违约使用了") + WithoutSeparators(programName);
}

QString WebViolationItem(const QString &address) {
  const QUrl url = QUrl::fromUserInput(address);
  return QStringLiteral("违约访问了") + WithoutSeparators(url.host().isEmpty() ? address : url.host());
}

TViolations::TViolations(TClock clock) : FClock(std::move(clock)) {}

void TViolations::Record(const QString &item) {
  THistoryRecords row;
  row.datetime = FClock().toString(QStringLiteral("yyyy年MM月dd日 hh时mm分"));
  row.item = item;
  // The count lives in the registry, apart from the history: a history that cannot take the
  // row (a full disk) does not spare the card.
  try {
    THistoryRecordsDao().Insert(&row);
  } catch (const std::exception &e) {
    Note(QStringLiteral("违约记录没有保存（%1）：%2").arg(item, QString::fromUtf8(e.what())));
  }
  if (!TPenalta().IncYCard(1))
    Note(QStringLiteral("黄牌没有记下（%1）：无法写入注册表。").arg(item));
}

void TViolations::Note(const QString &text) const {
  if (FOnNotice)
    FOnNotice(text);
}

void TViolations::TellChild(const QString &text, QWidget *near) {
  auto *note = new QLabel(text);
  note->setObjectName(QStringLiteral("lblChildNotice"));
  note->setAttribute(Qt::WA_DeleteOnClose);
  note->setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
  note->setStyleSheet(QStringLiteral("background:#fff0be; color:#344a5e; border:2px solid #de5442; "
                                     "border-radius:6px; padding:10px; font-size:15px;"));
  note->adjustSize();
  QRect area = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->availableGeometry() : QRect();
  if (near)
    area = near->frameGeometry();
  note->move(area.center() - QPoint(note->width() / 2, note->height() / 2));
  note->show();
  QTimer::singleShot(5000, note, &QWidget::close);
}
