// The lock screen: only the parent's password, or the parent taking cards back, opens it; a
// child's text never becomes the parent's password.
#include "cards/uPenalta.h"
#include "common/uRegistryHelper.h"
#include "host/lock/uFrmLock.h"
#include "host/uPassword.h"
#include "tests/support/TestFolders.h"
#include "tests/support/WaitUntil.h"

#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

namespace {

void Type(TFrmLock &lock, const QString &text) {
  auto *edit = lock.findChild<QLineEdit *>(QStringLiteral("edtPassword"));
  edit->setText(text);
  QTest::keyClick(edit, Qt::Key_Return);
}

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
  lock.show();
  Type(lock, QStringLiteral("child"));
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
  lock.show();
  Type(lock, QStringLiteral("child"));
  EXPECT_TRUE(lock.isVisible());
  EXPECT_FALSE(password.IsSet());
}

TEST(LockScreen, TakingCardsBackInTheHostOpensIt) {
  TTestFolders folders;
  ThreeCards();
  TParentPassword password;
  TFrmLock lock(password);
  lock.show();
  QTest::qWait(1200);
  EXPECT_TRUE(lock.isVisible()) << "three cards keep it";
  TPenalta().DecYCard(1);
  EXPECT_TRUE(WaitUntil([&] { return !lock.isVisible(); }, 3000));
}
