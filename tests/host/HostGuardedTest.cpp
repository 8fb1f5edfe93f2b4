// The host in guarded mode: the guard ends the child's limited programs and records them, the
// host only shows the child's notice. Here the test's own account (root) is made a child for the
// time of the test, as the host runs in-process; the guard runs on a private system bus.
#include "common/uPenalta.h"
#include "common/uProcessServices.h"
#include "datastore/uAppsDao.h"
#include "datastore/uHistoryRecordsDao.h"
#include "host/uFrmHostMain.h"
#include "host/uHostRules.h"
#include "tests/support/GuardSystem.h"
#include "tests/support/TestFolders.h"
#include "tests/support/WaitUntil.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

const QString Children = QStringLiteral("pemblo-children");

// Root in the children's group while it lives.
class TRootAsChild {
public:
  TRootAsChild() { FAdded = RunAs(nullptr, QStringLiteral("usermod"), {"-aG", Children, "root"}, {}).iExitCode == 0; }
  ~TRootAsChild() { RunAs(nullptr, QStringLiteral("gpasswd"), {"-d", "root", Children}, {}); }
  bool Added() const { return FAdded; }

private:
  bool FAdded = false;
};

bool Noticed(const TFrmHostMain &main, const QString &text) {
  auto *list = main.findChild<QListWidget *>(QStringLiteral("lstNotices"));
  for (int i = 0; i < list->count(); ++i)
    if (list->item(i)->text().contains(text))
      return true;
  return false;
}

bool ChildNoticeShown(const QString &text) {
  for (QWidget *window : QApplication::topLevelWidgets())
    if (auto *label = qobject_cast<QLabel *>(window);
        label && label->objectName() == QStringLiteral("lblChildNotice") && label->isVisible() && label->text() == text)
      return true;
  return false;
}

}  // namespace

TEST(HostGuarded, TheGuardEndsTheProgramAndTheHostOnlyShowsTheNotice) {
  QString why;
  if (!CanRunAccounts(&why))
    GTEST_SKIP() << why.toStdString();
  const TTestFolders folders;
  const TTestAccount keepsTheGroup({Children});  // the group is made for the test when missing
  const TRootAsChild child;
  ASSERT_TRUE(child.Added());
  const TPrivateSystemBus bus({GuardPolicyFile()});
  QTemporaryDir state;
  ASSERT_TRUE(state.isValid());
  const std::unique_ptr<QProcess> guard =
      StartAs(nullptr, QStringLiteral(PEMBLO_GUARD), {"--bus", bus.Address(), "--state-dir", state.path()}, {});
  ASSERT_TRUE(guard->waitForStarted());
  // This process's system bus is the private one: the host runs in guarded mode.
  qputenv("DBUS_SYSTEM_BUS_ADDRESS", bus.Address().toUtf8());
  QDBusConnection watcher = QDBusConnection::connectToBus(bus.Address(), QStringLiteral("hostguarded"));
  ASSERT_TRUE(WaitUntil(
      [&] { return watcher.interface()->isServiceRegistered(QStringLiteral("org.pemblo.Guard")).value(); }, 10000));

  // A program that stays past SIGTERM, so that a second limiter would meet it too.
  QTemporaryDir games;
  const QString game = games.filePath(QStringLiteral("game"));
  {
    QFile file(game);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/bash\ntrap '' TERM\nwhile :; do sleep 0.2; done\n");
  }
  ASSERT_TRUE(QFile::setPermissions(game, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

  const TProcessServices services;
  TAppsModel row;
  row.sApp = game;
  for (int day = 0; day < 7; ++day)
    row.sDt += QStringLiteral("iweek:%1;tstart:00:00;tend:23:59,").arg(day);
  ASSERT_GT(TAppsDao().Insert(&row), 0);  // root needs no parent session
  TFrmHostMain main(*TProcessServices::CfMrg(), QString());
  main.show();
  THostRules rules(main, *TProcessServices::CfMrg());
  rules.Start();

  QProcess running;
  running.start(game, {});
  ASSERT_TRUE(running.waitForStarted());
  EXPECT_TRUE(WaitUntil([&] { return running.state() == QProcess::NotRunning; }, 6000));
  EXPECT_TRUE(WaitUntil([&] { return Noticed(main, QStringLiteral("违约使用了game")); }, 5000));
  EXPECT_TRUE(ChildNoticeShown(QStringLiteral("现在不能使用game，给了一张黄牌。")));
  // One start, one row and one card: the guard's.
  QTest::qWait(1500);
  EXPECT_EQ(THistoryRecordsDao().QueryAll().size(), 1u);
  EXPECT_EQ(TPenalta().YCount(), 1);
  running.kill();
  running.waitForFinished();
  guard->kill();
  guard->waitForFinished();
  QDBusConnection::disconnectFromBus(QStringLiteral("hostguarded"));
}
