// A client of the guard for its tests: the suite's own data layer, run as the child or the parent.
// Each step is one line of words separated by blanks ("addlimit /usr/bin/game 1-7,0:00-23:59");
// the steps are the program's arguments, one step each, or, without arguments, the lines of its
// input, each answered before the next is read. All steps of one run share this process's bus
// connection, so a parent session opened by "check" lets the later steps through. Each step
// answers one line: "ok" and its result, or "error" and the text the user would see. After the
// step "agent" (registered as the session's agent, starting the lock program when it is due, as
// the host does) or "lock" (registered as the lock program) the client runs on until it is ended.
#include "common/uAppcf.h"
#include "common/uDayCaptures.h"
#include "common/uGuardLink.h"
#include "common/uPassword.h"
#include "common/uPenalta.h"
#include "common/uRegistryHelper.h"
#include "common/uSessionAgent.h"
#include "common/uTextLog.h"
#include "common/uWeekReport.h"
#include "datastore/uAppsDao.h"
#include "datastore/uCancelRecordsDao.h"
#include "datastore/uHistoryRecordsDao.h"
#include "datastore/uWebsDao.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringList>
#include <QTextStream>
#include <cstdio>
#include <exception>
#include <functional>
#include <map>

namespace {

// Set by a step after which the client keeps its bus connection until it is ended.
bool ServeOn = false;

void Say(const QString &line) {
  std::fputs((line + "\n").toUtf8().constData(), stdout);
  std::fflush(stdout);
}

QString Settings() {
  const TCfMrg mrg;
  const TAppCf &cf = mrg.AppCf();
  return QStringLiteral("OffOn=%1 TextTime=%2 PsDistance=%3 ImgTime=%4 ImgSize=%5")
      .arg(int(cf.OffOn()))
      .arg(cf.TextTime())
      .arg(cf.PsDistance())
      .arg(cf.ImgTime())
      .arg(cf.ImgSize());
}

QString SetSetting(const QString &name, int value) {
  const std::map<QString, std::function<void(TAppCf &)>> setters = {
      {QStringLiteral("OffOn"), [value](TAppCf &cf) { cf.SetOffOn(value != 0); }},
      {QStringLiteral("TextTime"), [value](TAppCf &cf) { cf.SetTextTime(value); }},
      {QStringLiteral("PsDistance"), [value](TAppCf &cf) { cf.SetPsDistance(value); }},
      {QStringLiteral("ImgTime"), [value](TAppCf &cf) { cf.SetImgTime(value); }},
      {QStringLiteral("ImgSize"), [value](TAppCf &cf) { cf.SetImgSize(value); }},
  };
  TCfMrg mrg;
  setters.at(name)(mrg.AppCf());
  mrg.Update();
  return Settings();
}

template <class TList, class TRow> QString Rows(const TList &list, TRow row) {
  QStringList rows;
  for (const auto &model : list)
    rows << row(*model);
  return rows.join(QLatin1Char(' '));
}

QString Check(const QString &password) { return PasswordCheckText(TParentPassword().Check(password)); }

QString Size(const QImage &picture) { return QStringLiteral("%1x%2").arg(picture.width()).arg(picture.height()); }

QString WeekReport(const QString &lastDay) {
  const TWeekReport report = LoadWeekReport(QDate::fromString(lastDay, Qt::ISODate));
  QStringList words;
  for (const TReportDay &d : report.days)
    words << QStringLiteral("%1,%2,%3,%4,%5")
                 .arg(d.iVisits)
                 .arg(d.iWordBlocks)
                 .arg(d.iListBlocks)
                 .arg(d.iViolations)
                 .arg(d.iCards);
  for (const auto *list : {&report.topVisited, &report.topBlocked, &report.topWords}) {
    QStringList counts;
    for (const TReportCount &c : *list)
      counts << QStringLiteral("%1:%2").arg(c.sName).arg(c.iCount);
    words << QStringLiteral("[%1]").arg(counts.join(u','));
  }
  for (const THistoryRecords &row : report.violations)
    words << row.item;
  words << QStringLiteral("skipped:%1").arg(report.iSkipped);
  return words.join(u' ');
}

// The steps by name: each gets its words after the name and answers its result.
const std::map<QString, std::function<QString(const QStringList &)>> &Steps() {
  static const std::map<QString, std::function<QString(const QStringList &)>> steps = {
      {QStringLiteral("settings"), [](const QStringList &) { return Settings(); }},
      {QStringLiteral("set"), [](const QStringList &a) { return SetSetting(a.at(0), a.at(1).toInt()); }},
      {QStringLiteral("limits"),
       [](const QStringList &) {
         return Rows(TAppsDao().QueryAll(),
                     [](const TAppsModel &m) { return QStringLiteral("%1:%2").arg(m.iAid).arg(m.sApp); });
       }},
      {QStringLiteral("addlimit"),
       [](const QStringList &a) {
         const TAppsModel row{0, a.at(0), a.at(1)};
         return QString::number(TAppsDao().Insert(&row));
       }},
      {QStringLiteral("dellimit"),
       [](const QStringList &a) { return QString::number(TAppsDao().DeleteFromAID(a.at(0).toInt())); }},
      {QStringLiteral("blacklist"),
       [](const QStringList &) {
         return Rows(TWebsDao().QueryAll(),
                     [](const TWebsModel &m) { return QStringLiteral("%1:%2").arg(m.iWid).arg(m.sUrl); });
       }},
      {QStringLiteral("addweb"),
       [](const QStringList &a) {
         const TWebsModel row{0, a.at(0), a.at(1)};
         return QString::number(TWebsDao().Insert(&row));
       }},
      {QStringLiteral("delweb"),
       [](const QStringList &a) { return QString::number(TWebsDao().DeleteFromCID(a.at(0).toInt())); }},
      {QStringLiteral("cards"), [](const QStringList &) { return QString::number(TPenalta().YCount()); }},
      {QStringLiteral("inc"),
       [](const QStringList &a) {
         TPenalta().IncYCard(a.at(0).toInt());
         return QString::number(TPenalta().YCount());
       }},
      {QStringLiteral("dec"),
       [](const QStringList &a) {
         TPenalta().DecYCard(a.at(0).toInt());
         return QString::number(TPenalta().YCount());
       }},
      {QStringLiteral("check"), [](const QStringList &a) { return Check(a.at(0)); }},
      {QStringLiteral("setpw"),
       [](const QStringList &a) {
         TParentPassword().Set(a.at(0));
         return QString();
       }},
      {QStringLiteral("regread"),
       [](const QStringList &a) { return RegReadString(HKEY_LOCAL_MACHINE, a.at(0), a.at(1)); }},
      // An empty value is written as "-".
      {QStringLiteral("regwrite"),
       [](const QStringList &a) {
         const QString value = a.at(2) == QStringLiteral("-") ? QString() : a.at(2);
         return QString::number(int(RegWriteString(HKEY_LOCAL_MACHINE, a.at(0), a.at(1), value)));
       }},
      {QStringLiteral("violations"),
       [](const QStringList &) {
         return Rows(THistoryRecordsDao().QueryAll(),
                     [](const THistoryRecords &m) { return QStringLiteral("%1:%2").arg(m.hid).arg(m.item); });
       }},
      {QStringLiteral("addviolation"),
       [](const QStringList &a) {
         const THistoryRecords row{0, a.at(0), a.at(1)};
         return QString::number(THistoryRecordsDao().Insert(&row));
       }},
      {QStringLiteral("delviolation"),
       [](const QStringList &a) { return QString::number(THistoryRecordsDao().DeleteFromHID(a.at(0).toInt())); }},
      {QStringLiteral("cancels"),
       [](const QStringList &) {
         return Rows(TCancelRecordsDao().QueryAll(),
                     [](const TCancelRecordModel &m) { return QStringLiteral("%1:%2").arg(m.cid).arg(m.cause); });
       }},
      {QStringLiteral("addcancel"),
       [](const QStringList &a) {
         const TCancelRecordModel row{0, a.at(0), a.at(1)};
         return QString::number(TCancelRecordsDao().Insert(&row));
       }},
      // The parent's way to add a child from a session of the parent's.
      {QStringLiteral("addchild"),
       [](const QStringList &a) {
         TGuardLink::Active()->Call(QStringLiteral("AddChild"), {a.at(0)});
         return QString();
       }},
      {QStringLiteral("agent"),
       [](const QStringList &) {
         RegisterSessionAgent(QCoreApplication::instance());
         ServeOn = true;
         return QString();
       }},
      {QStringLiteral("lock"),
       [](const QStringList &) {
         RegisterLockProgram(QCoreApplication::instance());
         ServeOn = true;
         return QString();
       }},
      // The lock screen's password box: the right password gives the lock back.
      {QStringLiteral("unlock"),
       [](const QStringList &a) {
         const QString check = Check(a.at(0));
         if (check == QStringLiteral("right"))
           GiveLockBack();
         return check;
       }},
      {QStringLiteral("mayopen"), [](const QStringList &) { return QString::number(int(LockMayOpen())); }},
      {QStringLiteral("visit"),
       [](const QStringList &a) {
         TTextLogManager().LogVisit(a.at(0));
         return QString();
       }},
      // A page the black list's row refused, as the browser reports it.
      {QStringLiteral("blackvisit"),
       [](const QStringList &a) {
         TTextLogManager(&QDateTime::currentDateTime, TLogKind::Block).LogBlackListed(a.at(0), a.at(1).toInt());
         return QString();
       }},
      // The parent's week report ending with a day (yyyy-MM-dd): each day's visits, word blocks,
      // black-list blocks, violations and cards, then the top lists and the skipped lines.
      {QStringLiteral("weekreport"), [](const QStringList &a) { return WeekReport(a.at(0)); }},
      // A day's captures as small pictures ("hh:mm:ss:<width>x<height>"), and one whole.
      {QStringLiteral("daycaptures"),
       [](const QStringList &a) {
         QStringList pictures;
         for (const TDayCapture &c : LoadDayCaptures(QDate::fromString(a.at(0), Qt::ISODate)))
           pictures << c.tTime.toString(QStringLiteral("hh:mm:ss:")) + Size(c.imgThumb);
         return pictures.join(u' ');
       }},
      {QStringLiteral("getcapture"),
       [](const QStringList &a) { return Size(LoadCapture(QDate::fromString(a.at(0), Qt::ISODate), a.at(1))); }},
      // A picture of the screen read from a file, handed in as the host hands its captures.
      {QStringLiteral("capture"),
       [](const QStringList &a) {
         QFile file(a.at(0));
         if (!file.open(QIODevice::ReadOnly))
           return QStringLiteral("cannot read ") + a.at(0);
         TGuardLink::Active()->Call(QStringLiteral("StoreCapture"), {file.readAll()});
         return QString();
       }},
  };
  return steps;
}

void Run(const QString &line) {
  QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
  if (words.isEmpty())
    return;
  const auto step = Steps().find(words.takeFirst());
  if (step == Steps().end()) {
    Say(QStringLiteral("error unknown step: ") + line);
    return;
  }
  try {
    Say(QStringLiteral("ok ") + step->second(words));
  } catch (const std::exception &e) {
    Say(QStringLiteral("error ") + QString::fromUtf8(e.what()));
  }
}

}  // namespace

int main(int argc, char **argv) {
  QCoreApplication app(argc, argv);
  const QStringList args = app.arguments().mid(1);
  for (const QString &step : args)
    Run(step);
  if (args.isEmpty()) {
    QTextStream input(stdin);
    QString line;
    while (input.readLineInto(&line))
      Run(line);
  }
  return ServeOn ? app.exec() : 0;
}
