// The lock screen: only the parent's password, typed key by key, or the parent taking cards back
// opens it; a wrong try is counted; a child's text never becomes the parent's password.
#include "common/uPenalta.h"
#include "common/uRegistryHelper.h"
#include "host/lock/uFrmLock.h"
#include "common/uPassword.h"
#include "tests/support/TestFolders.h"
#include "tests/support/WaitUntil.h"

#include <QLabel>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

namespace {

// Keys as the window system delivers them: to the lock's window, which passes them on.
void Type(TFrmLock &lock, const QString &text) {
  QWindow *window = lock.windowHandle();
  ASSERT_TRUE(window);
  for (const QChar c : text)
    QTest::keyClick(window, c.toLatin1());
  QTest::keyClick(window, Qt::Key_Return);
}

QString Message(TFrmLock &lock) { return lock.findChild<QLabel *>(QStringLiteral("lblMessage"))->text(); }

void ThreeCards() {
  RegWriteString(HKEY_LOCAL_MACHINE, TPenalta::RegKey, TPenalta::CountValue, TPenalta::EncodeCount(3));
}

}  // namespace

TEST(LockScreen, OnlyTheParentsPasswordOpensIt) {
  TTestFolders folders;
  ThreeCards();
  TParentPassword password;
  password.Set(QStringLiteral("parent"));
  TFrmLock lock(password);
  lock.Lock();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&lock));
  Type(lock, QStringLiteral("child"));
  EXPECT_EQ(Message(lock), QStringLiteral("密码不对！")) << "the wrong try reached the field and was counted";
  lock.close();
  EXPECT_TRUE(lock.isVisible()) << "a wrong password and a close request leave it";
  Type(lock, QStringLiteral("parent"));
  EXPECT_FALSE(lock.isVisible());
}

TEST(LockScreen, WithoutAPasswordTextTypedNeverBecomesIt) {
  TTestFolders folders;
  ThreeCards();
  TParentPassword password;
  TFrmLock lock(password);
  lock.Lock();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&lock));
  Type(lock, QStringLiteral("child"));
  EXPECT_TRUE(lock.isVisible());
  EXPECT_FALSE(password.IsSet());
}

TEST(LockScreen, TakingCardsBackInTheHostOpensIt) {
  TTestFolders folders;
  ThreeCards();
  TParentPassword password;
  TFrmLock lock(password);
  lock.Lock();
  QTest::qWait(1200);
  EXPECT_TRUE(lock.isVisible()) << "three cards keep it";
  TPenalta().DecYCard(1);
  EXPECT_TRUE(WaitUntil([&] { return !lock.isVisible(); }, 3000));
}

// A count that cannot be read (edited by hand) keeps the screen locked; only the parent opens it.
TEST(LockScreen, ACountThatCannotBeReadKeepsIt) {
  const struct {
    const char *sEdit;
    TRegValue Value;
  } cases[] = {
      {"a number", TRegValue{TRegDataType::DWord, QByteArray(4, '\0')}},
      {"no hexadecimal text", TRegValue::String(QStringLiteral("none"))},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.sEdit);
    TTestFolders folders;
    UpdateHive(HKEY_LOCAL_MACHINE,
               [&](THiveAccess &hive) { hive.WriteValue(TPenalta::RegKey, TPenalta::CountValue, c.Value); });
    TParentPassword password;
    password.Set(QStringLiteral("parent"));
    TFrmLock lock(password);
    lock.Lock();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&lock));
    QTest::qWait(3500);
    EXPECT_TRUE(lock.isVisible());
    Type(lock, QStringLiteral("parent"));
    EXPECT_FALSE(lock.isVisible());
  }
}
