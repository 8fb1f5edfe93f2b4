// The whole suite driven as a family would, on the real session bus, with the real libraries,
// programs and pages served on 127.0.0.1: the host starts with the application centre; the
// parent switches the filter on through the host; the browser started from the host runs, and a
// second one blocks a page of listed words and tells the parent in the block log; a
// program limit added in the management window reaches the lock channel; a card given through
// the counter reaches the host's count and the cancel window takes it back; the fourth card
// starts the lock program; the learning news runs while the host runs and ends after it.
//
// The test program lives in a folder laid out like the product (tests/host/e2e/Pemblo beside
// PembloBrowser and PembloExternal), so the host's window finds the libraries, the catalogue,
// the browser and the viewer where the product has them.
#include "common/uPenalta.h"
#include "common/uAppcf.h"
#include "common/uFrmInfos.h"
#include "common/uMsgs.h"
#include "common/uPathFunc.h"
#include "common/uProcessServices.h"
#include "common/uRegistryHelper.h"
#include "datastore/uDBMrgFactory.h"
#include "host/uFrmHostMain.h"
#include "host/uFrmPassword.h"
#include "host/uHostRules.h"
#include "datastore/uAppsDao.h"
#include "platform/os/WindowDirectory.h"
#include "tests/support/TestFolders.h"
#include "tests/support/TestHttpServer.h"
#include "tests/support/TopLevelWindows.h"
#include "tests/support/TypeText.h"
#include "tests/support/WaitUntil.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QDate>
#include <QDialog>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <gtest/gtest.h>
#include <memory>
#include <optional>

namespace {

const QString kPassword = QStringLiteral("家长的密码");

// Types the parent's password into the password window as soon as it is open.
void AnswerPasswordWindow() {
  auto *poll = new QTimer;
  QObject::connect(poll, &QTimer::timeout, [poll] {
    auto *form = qobject_cast<TFrmPassword *>(QApplication::activeModalWidget());
    if (!form)
      return;
    // Typed key by key, as the parent does.
    TypeText(form->findChild<QLineEdit *>(QStringLiteral("edtOld")), kPassword);
    QTest::mouseClick(form->findChild<QPushButton *>(QStringLiteral("btnOk")), Qt::LeftButton);
    poll->deleteLater();
  });
  poll->start(20);
}

void Click(QWidget *widget, QPoint at = {}) {
  ASSERT_TRUE(widget);
  QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, at.isNull() ? widget->rect().center() : at);
}

QWidget *Child(QWidget *parent, const char *name) {
  return parent ? parent->findChild<QWidget *>(QString::fromLatin1(name)) : nullptr;
}

// The visible child with that object name (sections of a window are made and hidden in turn).
QWidget *VisibleChild(QWidget *parent, const char *name) {
  if (!parent)
    return nullptr;
  for (QWidget *w : parent->findChildren<QWidget *>(QString::fromLatin1(name)))
    if (w->isVisibleTo(parent))
      return w;
  return nullptr;
}

bool Noticed(TFrmHostMain &main, const QString &text) {
  auto *list = main.findChild<QListWidget *>(QStringLiteral("lstNotices"));
  for (int i = 0; i < list->count(); ++i)
    if (list->item(i)->text().contains(text))
      return true;
  return false;
}

// Ends a browser the test started (it would outlive the test): its process is the one behind
// its window's bus name. Without a window named, the first browser found is ended.
struct TEndBrowser {
  std::optional<TWindowRef> Window;
  ~TEndBrowser() {
    const auto browser = Window ? Window : FindWindowByClass(FrmInfos[fiBrowserClass].sCaption);
    if (!browser)
      return;
    const QDBusReply<uint> pid = QDBusConnection::sessionBus().interface()->servicePid(browser->sBusName);
    if (pid.isValid())
      ::kill(pid_t(pid.value()), SIGTERM);
  }
};

// The sample page of the repository's assets as an HTML page, a paragraph per text block.
QByteArray SamplePage() {
  // Named by the build, not by this file's compiled name, which a compiler cache may make relative.
  QFile file(QStringLiteral(PEMBLO_SOURCE_DIR "/assets/sample-page.txt"));
  if (!file.open(QIODevice::ReadOnly))
    return {};
  QString body;
  for (const QString &block : QString::fromUtf8(file.readAll()).split(QStringLiteral("\n\n"), Qt::SkipEmptyParts))
    body += QStringLiteral("<p>") + block.toHtmlEscaped() + QStringLiteral("</p>");
  return (QStringLiteral("<html><head><meta charset=\"utf-8\"><title>Sample</title></head><body>") + body +
          QStringLiteral("</body></html>"))
      .toUtf8();
}

// The lines of today's block log without their times.
QStringList BlockLogLines() {
  QFile file(GetLogPath() + QStringLiteral("拦截日志/") + QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")) +
             QStringLiteral(".txt"));
  QStringList lines;
  if (file.open(QIODevice::ReadOnly))
    for (const QString &line : QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
      lines.append(line.mid(9));
  return lines;
}

QString WriteScript(const std::filesystem::path &path, const QString &body) {
  const QString name = QString::fromStdString(path.string());
  QFile file(name);
  file.open(QIODevice::WriteOnly);
  file.write(("#!/bin/sh\n" + body + "\n").toUtf8());
  file.close();
  file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  return name;
}

}  // namespace

TEST(EndToEnd, AFamilyUsesTheWholeSuite) {
  TTestFolders folders;
  TDBMrgFactory::ReleaseAll();
  TTestHttpServer server;
  server.Route(QStringLiteral("/clean"),
               "<html><head><title>Clean</title></head><body><p>今天我们学习分数。</p></body></html>");
  server.Route(QStringLiteral("/news"), "<html><body><p>本周学习资讯</p></body></html>");
  qputenv("PEMBLO_HOME_PAGE", server.Url(QStringLiteral("/clean")).toString().toUtf8());
  qputenv("PEMBLO_EXTERNAL_PAGE", server.Url(QStringLiteral("/news")).toString().toUtf8());

  TParentPassword().Set(kPassword);
  const QString locked = QString::fromStdString((folders.Root() / "locked").string());
  RegWriteString(HKEY_LOCAL_MACHINE, "\\SOFTWARE\\Pemblo", "PembloLock",
                 WriteScript(folders.Root() / "pemblo-lock", "touch '" + locked + "'"));

  const TProcessServices services;
  auto main = std::make_unique<TFrmHostMain>(*TProcessServices::CfMrg(), GetExePath());
  THostRules rules(*main, *TProcessServices::CfMrg());
  main->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(main.get()));
  main->ShowCentre();
  rules.Start();

  // The application centre lives in the host's window.
  QWidget *centre = Child(main.get(), "pnlCentre");
  EXPECT_TRUE(WaitUntil([&] { return !centre->findChildren<QWidget *>().isEmpty(); }, 10000));

  // The parent switches the filter on through the host; the settings notice reaches the lock channel.
  AnswerPasswordWindow();
  Click(Child(main.get(), "btnFilter"));
  QFile settings(TProcessServices::CfMrg()->FileName());
  ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
  EXPECT_TRUE(ReadAppCfStream(settings.readAll()).OffOn());
  EXPECT_TRUE(WaitUntil([&] { return Noticed(*main, "WM_CFGUPDATE"); }, 5000));

  // The browser started from the host opens its home page (and logs it).
  Click(Child(main.get(), "btnBrowser"));
  EXPECT_TRUE(WaitUntil([] { return FindWindowByClass(FrmInfos[fiBrowserClass].sCaption).has_value(); }, 30000));
  const TEndBrowser endBrowser;
  EXPECT_TRUE(WaitUntil([&] { return server.Requests().contains(QStringLiteral("/clean")); }, 30000));

  // A second browser started from the host blocks a page with more listed words than the filter
  // lets through; the parent's block log names it, and not the clean page the first one showed.
  const QByteArray sample = SamplePage();
  ASSERT_FALSE(sample.isEmpty());
  server.Route(QStringLiteral("/sample"), sample);
  const QString sampleAddress = server.Url(QStringLiteral("/sample")).toString();
  const auto firstBrowser = FindWindowByClass(FrmInfos[fiBrowserClass].sCaption);
  qputenv("PEMBLO_HOME_PAGE", sampleAddress.toUtf8());
  Click(Child(main.get(), "btnBrowser"));
  TEndBrowser endSecondBrowser;
  EXPECT_TRUE(WaitUntil(
      [&] {
        for (const TWindowRef &browser : FindWindowsByClass(FrmInfos[fiBrowserClass].sCaption))
          if (browser != firstBrowser)
            endSecondBrowser.Window = browser;
        return endSecondBrowser.Window.has_value();
      },
      30000));
  EXPECT_TRUE(WaitUntil([&] { return !BlockLogLines().isEmpty(); }, 30000));
  EXPECT_EQ(BlockLogLines(), QStringList{sampleAddress + QStringLiteral("  20 hits  赌博 2, 色情 2, 网上赌博 1")});

  // A program limit added in the management window reaches the lock channel with its key.
  AnswerPasswordWindow();
  Click(Child(main.get(), "btnManage"));
  QWidget *manage = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (manage = VisibleTopLevel(FrmInfos[fiManage].sCaption)) != nullptr; }, 5000));
  Click(Child(manage, "lgbLeft"), QPoint(50, 2 * 22 + 11));  // the third section, "限制程序"
  QWidget *btnAdd = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (btnAdd = VisibleChild(manage, "btnAdd")) != nullptr; }, 5000));
  auto *fill = new QTimer;
  QObject::connect(fill, &QTimer::timeout, [fill] {
    QWidget *dialog = QApplication::activeModalWidget();
    if (!dialog || !Child(dialog, "dtm1"))
      return;
    fill->deleteLater();
    // A bare name: the dialog turns it into the program's path.
    QTest::keyClicks(dialog->findChild<QLineEdit *>(QStringLiteral("edtApp")), QStringLiteral("mousepad"));
    QWidget *grid = Child(dialog, "dtm1");
    Click(grid, grid->rect().center());
    Click(Child(dialog, "btnAdd"));
    // A dialog the click left open would hold the test for ever: closed, the test fails below.
    if (auto *open = qobject_cast<QDialog *>(dialog); open && open->isVisible())
      open->reject();
  });
  fill->start(20);
  Click(btnAdd);
  const auto apps = TAppsDao().QueryAll();
  ASSERT_EQ(apps.size(), 1u);
  EXPECT_EQ(apps[0]->sApp, QFileInfo(QStringLiteral("/usr/bin/mousepad")).canonicalFilePath());
  EXPECT_TRUE(WaitUntil([&] { return Noticed(*main, QStringLiteral("WM_APPSUPDATE 1 %1").arg(apps[0]->iAid)); }, 5000));
  manage->close();

  // A card given through the counter reaches the host's count; the cancel window takes it back.
  TPenalta().IncYCard(1);
  EXPECT_EQ(main->CardCount(), 1);
  AnswerPasswordWindow();
  Click(Child(main.get(), "btnCards"));
  QWidget *menu = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (menu = VisibleTopLevel(FrmInfos[fiCardMenu].sCaption)) != nullptr; }, 5000));
  Click(Child(menu, "btnCance"));
  QWidget *cancel = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (cancel = VisibleTopLevel(FrmInfos[fiCardCancel].sCaption)) != nullptr; }, 5000));
  Click(Child(cancel, "imgUp"));
  cancel->findChild<QPlainTextEdit *>(QStringLiteral("mmoCause"))->setPlainText(QStringLiteral("表现很好"));
  Click(Child(cancel, "btnOk"));
  EXPECT_EQ(TPenalta().YCount(), 0);
  EXPECT_EQ(main->CardCount(), 0);
  cancel->close();

  // Any program on the bus can post a black-list notice: one that names no row gives no card.
  PostWindowMessage(*FindMainWindow(), WM_WEBBLOCKED, 999, 0);
  QTest::qWait(500);
  EXPECT_EQ(TPenalta().YCount(), 0);

  // The fourth card starts the lock program.
  TPenalta().IncYCard(3);
  EXPECT_FALSE(QFile::exists(locked));
  TPenalta().IncYCard(1);
  EXPECT_TRUE(WaitUntil([&] { return QFile::exists(locked); }, 5000));
  EXPECT_EQ(main->CardCount(), 3);

  // The learning news runs while the host runs and ends soon after the host's window is gone.
  Click(Child(main.get(), "btnNews"));
  EXPECT_TRUE(WaitUntil([] { return FindWindowByTitle(FrmInfos[fiExternal].sCaption).has_value(); }, 20000));
  QTest::qWait(1500);
  EXPECT_TRUE(FindWindowByTitle(FrmInfos[fiExternal].sCaption).has_value()) << "it stays while the host runs";
  main.reset();
  EXPECT_TRUE(WaitUntil([] { return !FindWindowByTitle(FrmInfos[fiExternal].sCaption).has_value(); }, 3000))
      << "it ends about a second after the host";
}
