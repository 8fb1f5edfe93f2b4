#include "host/uViolations.h"
#include "common/uPenalta.h"
#include "datastore/uHistoryRecordsDao.h"
#include "platform/errors/ErrorGuard.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <exception>

TViolations::TViolations(TClock clock) : FClock(std::move(clock)) { FCards.setMaxThreadCount(1); }

TViolations::~TViolations() {
  // A card being given tells the host's window of the new count, a call answered on this
  // thread: it is answered while waiting.
  while (!FCards.waitForDone(10))
    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
  QCoreApplication::sendPostedEvents(&FHome, QEvent::MetaCall);
}

void TViolations::Record(const QString &item) {
  THistoryRecords row;
  row.datetime = ViolationTime(FClock());
  row.item = item;
  // The count lives in the registry, apart from the history: a history that cannot take the
  // row (a full disk) does not spare the card.
  try {
    THistoryRecordsDao().Insert(&row);
  } catch (const std::exception &e) {
    Note(QStringLiteral("违约记录没有保存（%1）：%2").arg(item, QString::fromUtf8(e.what())));
  }
  FCards.start([this, item] {
    bool stored = false;
    std::exception_ptr failure;
    try {
      stored = TPenalta().IncYCard(1);
    } catch (...) {
      failure = std::current_exception();
    }
    QMetaObject::invokeMethod(
        &FHome,
        [this, item, stored, failure] {
          if (!stored && !failure)
            Note(QStringLiteral("黄牌没有记下（%1）：无法写入注册表。").arg(item));
          if (failure)
            GuardedCall([&] { std::rethrow_exception(failure); });
        },
        Qt::QueuedConnection);
  });
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
