// The web black list in the browser's main window, with real pages on 127.0.0.1 under host
// names of the loopback (*.localhost): which requests a row refuses and when, what the child
// sees instead, what the host's main window and the parent's logs are told, and a row added
// while the browser runs.
#include "browser/uAddressBox.h"
#include "browser/uBrowserServices.h"
#include "browser/uChild.h"
#include "browser/uFrmMain.h"
#include "common/uFrmInfos.h"
#include "common/uMsgs.h"
#include "common/uPathFunc.h"
#include "common/uRequestFilter.h"
#include "common/uTextLog.h"
#include "common/uWebBrowser.h"
#include "datastore/uDBMrgFactory.h"
#include "datastore/uWebBlackList.h"
#include "datastore/uWebsDao.h"
#include "platform/cp936/CodePage936Qt.h"
#include "platform/os/WindowDirectory.h"
#include "tests/support/LoadReportingPage.h"
#include "tests/support/QStringPrint.h"
#include "tests/support/TestFolders.h"
#include "tests/support/TestHttpServer.h"
#include "tests/support/WaitUntil.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <QWebEnginePage>
#include <gtest/gtest.h>

namespace {

constexpr int LoadTimeout = 30000;

QString WholeDay(const QDate &day) {
  return QStringLiteral("iweek:%1;tstart:00:00;tend:23:59,").arg(day.dayOfWeek() - 1);
}
// Today and tomorrow all day, so a test running over midnight still finds the row in force.
QString InForce() { return WholeDay(QDate::currentDate()) + WholeDay(QDate::currentDate().addDays(1)); }
// A day that is neither today nor tomorrow.
QString NotInForce() { return WholeDay(QDate::currentDate().addDays(3)); }

QString ReadText(const QString &name, bool cp936) {
  QFile file(name);
  if (!file.open(QIODevice::ReadOnly))
    return {};
  const QByteArray bytes = file.readAll();
  return cp936 ? FromCp936(bytes) : QString::fromUtf8(bytes);
}

class BlackListTest : public ::testing::Test {
protected:
  void SetUp() override {
    TDBMrgFactory::ReleaseAll();
    for (const char *path : {"/", "/x", "/kids/a", "/adult", "/home"})
      for (TTestHttpServer *server : {&allowed, &refused})
        server->Route(path, PageThatReportsLoad("Page", QStringLiteral("page %1").arg(path)));
    allowed.Route(
        "/links",
        PageThatReportsLoad(
            "Links", QStringLiteral("<a id='l' href='%1'>game</a>").arg(Address(refused, "www.game.localhost", "/x"))));
    gameRow = AddRow("game.localhost", InForce());
    kidsRow = AddRow("http://site.localhost/kids", InForce());
    dotRow = AddRow("dot.localhost.", InForce());
    ipRow = AddRow("127.0.0.1", InForce());
    AddRow("late.localhost", NotInForce());

    // The host's main window, as the browser finds it by its title.
    ApplyFrmInfo(&host, FrmInfos[fiMainWindow]);
    TWindowEndpoint::Of(&host)->SetMessageHandler([this](quint32 msg, qint64 wParam, qint64 lParam) -> qint64 {
      hostMessages.append({msg, wParam, lParam});
      return 0;
    });
    qputenv("PEMBLO_HOME_PAGE", Address(allowed, "home.localhost", "/home").toUtf8());
    services = std::make_unique<TBrowserServices>();
    frm = std::make_unique<TFrmMain>(QStringList{});
    frm->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frm.get()));
    ASSERT_TRUE(WaitUntil([&] { return Page() && allowed.Requests().contains("/loaded/home"); }, LoadTimeout));
  }

  void TearDown() override {
    frm.reset();
    services.reset();
    TDBMrgFactory::ReleaseAll();
    qunsetenv("PEMBLO_HOME_PAGE");
  }

  static int AddRow(const QString &url, const QString &dt) {
    TWebsModel row;
    row.sUrl = url;
    row.sDt = dt;
    return TWebsDao().Insert(&row);
  }

  static QString Address(const TTestHttpServer &server, const QString &host, const QString &path) {
    QUrl url = server.Url(path);
    url.setHost(host);
    return url.toString();
  }

  TfrmChild *Page() const {
    return frm->Subject()->Count() ? qobject_cast<TfrmChild *>(frm->Subject()->Items(0)) : nullptr;
  }

  QString PageText() {
    QString text;
    bool done = false;
    Page()->WebBrowser()->Page()->runJavaScript("document.body ? document.body.innerText : ''", [&](const QVariant &v) {
      text = v.toString();
      done = true;
    });
    EXPECT_TRUE(WaitUntil([&] { return done; }, LoadTimeout));
    return text;
  }

  // Opens the address in the first page, as a typed address is opened, and waits until it is
  // refused (the row's key) or loaded from the allowed server (0).
  int Open(const QString &address, const std::function<void()> &action = {}) {
    QSignalSpy refusedSpy(Page(), &TfrmChild::AddressRefused);
    const QString loaded = "/loaded" + QUrl(address).path();
    const qsizetype before = allowed.Requests().count(loaded);
    if (action)
      action();
    else
      frm->Subject()->Navigate(0, address);
    if (!WaitUntil([&] { return refusedSpy.count() > 0 || allowed.Requests().count(loaded) > before; }, LoadTimeout)) {
      ADD_FAILURE() << "neither refused nor loaded: " << address.toStdString() << " allowed "
                    << allowed.Requests().join(' ').toStdString() << " refused "
                    << refused.Requests().join(' ').toStdString() << " shown "
                    << Page()->WebBrowser()->Page()->url().toString().toStdString();
      return -1;
    }
    return refusedSpy.count() ? refusedSpy.first().first().toInt() : 0;
  }

  QString AddressBoxText() const {
    return frm->findChild<TAddressBox *>(QStringLiteral("adrsbxIEAddress"))->currentText();
  }

  struct TMessage {
    quint32 msg;
    qint64 wParam;
    qint64 lParam;
    bool operator==(const TMessage &) const = default;
  };

  TTestFolders folders;
  TTestHttpServer allowed;
  TTestHttpServer refused;  // serves the addresses that rows refuse: it must never be asked
  int gameRow = 0;
  int kidsRow = 0;
  int dotRow = 0;
  int ipRow = 0;
  QWidget host;
  QList<TMessage> hostMessages;
  std::unique_ptr<TBrowserServices> services;
  std::unique_ptr<TFrmMain> frm;
};

TEST(BlackListPage, SaysUntilWhenTheAddressIsRefused) {
  const QDateTime now(QDate(2024, 1, 6), QTime(20, 30));
  const struct {
    QDateTime end;
    const char *expected;
  } cases[] = {
      {QDateTime(QDate(2024, 1, 6), QTime(22, 0)), "这个网址现在不能访问，到 22:00 以后再来"},
      {QDateTime(QDate(2024, 1, 7), QTime(0, 0)), "这个网址现在不能访问，到 1月7日 00:00 以后再来"},
      {QDateTime(), "这个网址现在不能访问<"},
  };
  for (const auto &c : cases)
    EXPECT_TRUE(BlackListPage(c.end, now).contains(QString::fromUtf8(c.expected)))
        << BlackListPage(c.end, now).toStdString();
}

TEST_F(BlackListTest, RowsInForceRefuseTheirAddressesBeforeAnythingIsRequested) {
  const struct {
    QString address;
    int refusedBy;  // 0: loaded
  } cases[] = {
      {Address(refused, "game.localhost", "/"), gameRow},
      {Address(refused, "www.game.localhost", "/x"), gameRow},
      {Address(allowed, "notgame.localhost", "/"), 0},
      {Address(refused, "site.localhost", "/kids/a"), kidsRow},
      {Address(allowed, "site.localhost", "/adult"), 0},
      // Other spellings of the rows' addresses.
      {Address(refused, "site.localhost", "/Kids/a"), kidsRow},
      {Address(refused, "site.localhost", "//kids/a"), kidsRow},
      {Address(refused, "site.localhost", "/kids;x=1/a"), kidsRow},
      {Address(refused, "www.dot.localhost", "/"), dotRow},
      {Address(refused, "[::ffff:127.0.0.1]", "/"), ipRow},
      {Address(allowed, "late.localhost", "/"), 0},  // its row is not in force now
  };
  QStringList blockLines;
  for (const auto &c : cases) {
    SCOPED_TRACE(c.address.toStdString());
    hostMessages.clear();
    ASSERT_EQ(Open(c.address), c.refusedBy);
    // The page reports its load a moment before the browser has it complete.
    EXPECT_TRUE(WaitUntil([&] { return Page()->Url() == c.address && AddressBoxText() == c.address; }, LoadTimeout))
        << "shown under " << AddressBoxText().toStdString();
    const QString text = PageText();
    if (c.refusedBy) {
      EXPECT_TRUE(text.startsWith("这个网址现在不能访问，到 ")) << text.toStdString();
      EXPECT_TRUE(text.contains("以后再来")) << text.toStdString();
      EXPECT_TRUE(WaitUntil([&] { return !hostMessages.isEmpty(); }, LoadTimeout));
      EXPECT_EQ(hostMessages, (QList<TMessage>{{WM_WEBBLOCKED, c.refusedBy, 0}}));
      blockLines.append(c.address + QStringLiteral("  black list %1").arg(c.refusedBy));
    } else {
      EXPECT_TRUE(text.startsWith("page ")) << text.toStdString();
    }
  }
  // A link on a page is refused the same way.
  ASSERT_EQ(Open(Address(allowed, "links.localhost", "/links")), 0);
  EXPECT_EQ(Open(Address(refused, "www.game.localhost", "/x"),
                 [&] { Page()->WebBrowser()->Page()->runJavaScript("document.getElementById('l').click()"); }),
            gameRow);
  blockLines.append(Address(refused, "www.game.localhost", "/x") + QStringLiteral("  black list %1").arg(gameRow));

  EXPECT_EQ(refused.Requests(), QStringList{}) << "nothing of a refused address is asked for";
  // Every typed address is in the browse log, refused or not; the block log has the refused.
  const QString browseLog = ReadText(services->TextLog()->FileName(), true);
  for (const auto &c : cases)
    EXPECT_TRUE(browseLog.contains("  " + c.address + "\r\n")) << c.address.toStdString();
  QStringList logged;
  for (const QString &line : ReadText(services->BlockLog()->FileName(), false).split("\r\n", Qt::SkipEmptyParts))
    logged.append(line.mid(9));
  EXPECT_EQ(logged, blockLines);
  EXPECT_EQ(services->BlockLog()->FileName(),
            GetLogPath() + "拦截日志/" + QDate::currentDate().toString("yyyy-MM-dd") + ".txt");
}

TEST_F(BlackListTest, ARowAddedOrDeletedWhileTheBrowserRunsTakesEffectAtOnce) {
  const QString address = Address(allowed, "new.localhost", "/");
  const QUrl url(address);
  ASSERT_EQ(Open(address), 0);
  // The management window's store tells every browser of the change.
  const int row = AddRow("new.localhost", InForce());
  ASSERT_TRUE(
      WaitUntil([&] { return services->BlackList()->Check(url, QDateTime::currentDateTime()).has_value(); }, 10000));
  EXPECT_EQ(Open(address), row);
  ASSERT_EQ(TWebsDao().DeleteFromCID(row), 1);
  ASSERT_TRUE(
      WaitUntil([&] { return !services->BlackList()->Check(url, QDateTime::currentDateTime()).has_value(); }, 10000));
  EXPECT_EQ(Open(address), 0);
}

}  // namespace

namespace {

// A page already open when its row comes into force, by a change of the list or by the start of
// the row's window, shows the black-list page; so does a page moving inside its document (history
// state) to a listed address.
TEST_F(BlackListTest, APageOpenWhenItsRowComesIntoForceIsReplaced) {
  const struct {
    const char *name;
    QString address;
    std::function<int()> comesIntoForce;  // the row's key
    bool visit;                           // the host is told of it
  } cases[] = {
      {"a row added while the page is open", Address(allowed, "added.localhost", "/x"),
       [] { return AddRow("added.localhost", InForce()); }, false},
      {"a row whose window begins while the page is open", Address(allowed, "clock.localhost", "/x"),
       [] {
         // Its window is the next minute, well ahead of the list's reading.
         if (QTime::currentTime().second() >= 50)
           QTest::qWait((61 - QTime::currentTime().second()) * 1000);
         const QDateTime start = QDateTime::currentDateTime().addSecs(60);
         const QString minute = start.time().toString("hh:mm");
         return AddRow("clock.localhost",
                       QStringLiteral("iweek:%1;tstart:%2;tend:%2,").arg(start.date().dayOfWeek() - 1).arg(minute));
       },
       false},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(Open(c.address), 0);
    hostMessages.clear();
    QSignalSpy refusedSpy(Page(), &TfrmChild::AddressRefused);
    const int row = c.comesIntoForce();
    ASSERT_TRUE(WaitUntil([&] { return refusedSpy.count() > 0; }, 75000));
    EXPECT_EQ(refusedSpy.first().first().toInt(), row);
    EXPECT_TRUE(PageText().startsWith("这个网址现在不能访问")) << PageText().toStdString();
    EXPECT_EQ(Page()->Url(), c.address);
    EXPECT_EQ(hostMessages, QList<TMessage>{}) << "the child visited nothing while the row was in force";
  }
  // A single-page site moves to a listed path without asking for it.
  ASSERT_EQ(Open(Address(allowed, "site.localhost", "/adult")), 0);
  hostMessages.clear();
  EXPECT_EQ(Open(Address(refused, "site.localhost", "/kids/a"),
                 [&] { Page()->WebBrowser()->Page()->runJavaScript("history.pushState(null, '', '/kids/a')"); }),
            kidsRow);
  EXPECT_TRUE(PageText().startsWith("这个网址现在不能访问")) << PageText().toStdString();
  EXPECT_TRUE(WaitUntil([&] { return !hostMessages.isEmpty(); }, LoadTimeout));
  EXPECT_EQ(hostMessages, (QList<TMessage>{{WM_WEBBLOCKED, kidsRow, 0}}));
}

}  // namespace
