// The parent's password: only a salted slow hash is kept, right and wrong tries, the minute's
// wait after five wrong tries in a row, kept across instances (a restart does not reset it); a
// new password that cannot be stored is reported and the old one stays.
#include "common/uRegistryHelper.h"
#include "host/uFrmPassword.h"
#include "common/uPassword.h"
#include "platform/errors/Errors.h"
#include "tests/support/TestDisks.h"
#include "tests/support/TestFolders.h"
#include "tests/support/TopLevelWindows.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

struct TFakeClock {
  QDateTime Now = QDateTime(QDate(2026, 12, 10), QTime(8, 0), Qt::UTC);
  TParentPassword::TClock Clock() {
    return [this] { return Now; };
  }
};

QString Stored() {
  return RegReadString(HKEY_LOCAL_MACHINE, QStringLiteral("\\SOFTWARE\\Pemblo"), QStringLiteral("ParentPassword"));
}

}  // namespace

TEST(ParentPassword, KeepsOnlyASaltedSlowHash) {
  TTestFolders folders;
  TParentPassword password;
  EXPECT_FALSE(password.IsSet());
  password.Set(QStringLiteral("妈妈的密码1"));
  ASSERT_TRUE(password.IsSet());
  const QStringList parts = Stored().split(u'$');
  ASSERT_EQ(parts.size(), 4);
  EXPECT_EQ(parts[0], "pbkdf2-sha256");
  EXPECT_GE(parts[1].toInt(), 100000);
  EXPECT_EQ(parts[2].size(), 32) << "16 bytes of salt";
  EXPECT_FALSE(Stored().contains(QStringLiteral("妈妈的密码1")));
  const QString first = Stored();
  password.Set(QStringLiteral("妈妈的密码1"));
  EXPECT_NE(Stored(), first) << "a new salt each time";
  EXPECT_THROW(password.Set(QString()), EPembloError);
}

TEST(ParentPassword, RightAndWrongTries) {
  TTestFolders folders;
  TParentPassword password;
  password.Set(QStringLiteral("abc"));
  struct TCase {
    const char *typed;
    TPasswordCheck expected;
  };
  for (const TCase &c :
       {TCase{"abc", TPasswordCheck::Right}, TCase{"ABC", TPasswordCheck::Wrong}, TCase{"abc ", TPasswordCheck::Wrong},
        TCase{"", TPasswordCheck::Wrong}, TCase{"abc", TPasswordCheck::Right}})
    EXPECT_EQ(password.Check(QString::fromUtf8(c.typed)), c.expected) << c.typed;
}

TEST(ParentPassword, FiveWrongTriesInARowMakeEveryTryWaitAMinute) {
  TTestFolders folders;
  TFakeClock clock;
  TParentPassword password(clock.Clock());
  password.Set(QStringLiteral("right"));
  // Four wrong, then the right one: the count starts again.
  for (int i = 0; i < 4; ++i)
    EXPECT_EQ(password.Check(QStringLiteral("wrong")), TPasswordCheck::Wrong);
  EXPECT_EQ(password.Check(QStringLiteral("right")), TPasswordCheck::Right);
  for (int i = 0; i < 4; ++i)
    EXPECT_EQ(password.Check(QStringLiteral("wrong")), TPasswordCheck::Wrong);
  EXPECT_EQ(password.SecondsLocked(), 0);
  EXPECT_EQ(password.Check(QStringLiteral("wrong")), TPasswordCheck::Wrong);
  EXPECT_EQ(password.SecondsLocked(), 60);
  EXPECT_EQ(password.Check(QStringLiteral("right")), TPasswordCheck::Locked) << "even the right one waits";
  // Another instance (the host started again, or the lock program) waits as well.
  TParentPassword again(clock.Clock());
  clock.Now = clock.Now.addSecs(59);
  EXPECT_EQ(again.Check(QStringLiteral("right")), TPasswordCheck::Locked);
  clock.Now = clock.Now.addSecs(2);
  EXPECT_EQ(again.Check(QStringLiteral("right")), TPasswordCheck::Right);
}

TEST(ParentPassword, HandEditedTriesNeitherEraseWrongTriesNorLockForEver) {
  TTestFolders folders;
  TFakeClock clock;
  TParentPassword password(clock.Clock());
  password.Set(QStringLiteral("right"));
  const auto setTries = [](const QString &text) {
    RegWriteString(HKEY_LOCAL_MACHINE, QStringLiteral("\\SOFTWARE\\Pemblo"), QStringLiteral("PasswordTries"), text);
  };
  // A negative count would buy free guesses: it counts as none.
  setTries(QStringLiteral("-1000000,0"));
  for (int i = 0; i < 4; ++i)
    EXPECT_EQ(password.Check(QStringLiteral("wrong")), TPasswordCheck::Wrong);
  EXPECT_EQ(password.Check(QStringLiteral("wrong")), TPasswordCheck::Wrong);
  EXPECT_EQ(password.Check(QStringLiteral("right")), TPasswordCheck::Locked);
  // A wait far in the future (or past what an int holds) is one wait, not years.
  for (const QString &until : {QStringLiteral("9223372036854775807"), QStringLiteral("99999999999999")}) {
    setTries(QStringLiteral("0,") + until);
    EXPECT_EQ(password.SecondsLocked(), TParentPassword::WaitSeconds) << until.toStdString();
  }
}

TEST(ParentPassword, ARegistryThatCannotBeWrittenKeepsTheOldPasswordAndSaysSo) {
  TTestFolders folders;
  TParentPassword password;
  password.Set(QStringLiteral("old"));
  TReadOnlyFolder readOnly(QString::fromStdString(folders.Registry().string()));
  if (!readOnly.Mounted())
    GTEST_SKIP() << readOnly.Why();
  EXPECT_THROW(password.Set(QStringLiteral("new")), EPembloError);

  // The change window, as the parent types into it.
  TMessageBoxCatcher boxes;
  TFrmPassword form(password, TPasswordMode::Change);
  form.show();
  for (const auto &[name, text] :
       {std::pair{"edtOld", "old"}, std::pair{"edtNew", "new"}, std::pair{"edtAgain", "new"}})
    QTest::keyClicks(form.findChild<QLineEdit *>(QString::fromLatin1(name)), QString::fromLatin1(text));
  auto *ok = form.findChild<QPushButton *>(QStringLiteral("btnOk"));
  QTest::mouseClick(ok, Qt::LeftButton, Qt::NoModifier, ok->rect().center());
  ASSERT_EQ(boxes.Texts.size(), 1);
  EXPECT_TRUE(boxes.Texts[0].contains(QStringLiteral("密码没有修改"))) << boxes.Texts[0].toStdString();
  EXPECT_TRUE(form.isVisible()) << "the window stays for another try";
  EXPECT_EQ(password.Check(QStringLiteral("old")), TPasswordCheck::Right);
  EXPECT_EQ(password.Check(QStringLiteral("new")), TPasswordCheck::Wrong);
}

// A stored password of another type (a hand edit) made the host end at its start, and one of two
// billion rounds held the host for minutes at each try. Anything other than the form the host
// writes stays a password that is set, so nobody is asked for a new one, and matches nothing at
// once.
TEST(ParentPassword, AStoredPasswordNotInTheHostsFormIsSetAndMatchesNothing) {
  const QString salt(32, u'a');
  const QString hash(64, u'b');
  const struct {
    const char *name;
    TRegValue value;
  } cases[] = {
      {"a number", TRegValue{TRegDataType::DWord, QByteArray(4, '\1')}},
      {"two billion rounds", TRegValue::String(QStringLiteral("pbkdf2-sha256$2000000000$%1$%2").arg(salt, hash))},
      {"one round", TRegValue::String(QStringLiteral("pbkdf2-sha256$1$%1$%2").arg(salt, hash))},
      {"a short salt", TRegValue::String(QStringLiteral("pbkdf2-sha256$100000$ab$%1").arg(hash))},
      {"a long hash", TRegValue::String(QStringLiteral("pbkdf2-sha256$100000$%1$%2cc").arg(salt, hash))},
      {"not hex", TRegValue::String(QStringLiteral("pbkdf2-sha256$100000$%1$%2").arg(QString(32, u'z'), hash))},
      {"another hash", TRegValue::String(QStringLiteral("md5$100000$%1$%2").arg(salt, hash))},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    TTestFolders folders;
    TParentPassword password;
    password.Set(QStringLiteral("right"));
    EXPECT_FALSE(password.Damaged());
    UpdateHive(HKEY_LOCAL_MACHINE, [&](THiveAccess &hive) {
      hive.WriteValue(QStringLiteral("\\SOFTWARE\\Pemblo"), QStringLiteral("ParentPassword"), c.value);
    });
    EXPECT_TRUE(password.IsSet());
    EXPECT_TRUE(password.Damaged());
    EXPECT_EQ(password.Check(QStringLiteral("right")), TPasswordCheck::Wrong);
    EXPECT_EQ(password.Check(QString()), TPasswordCheck::Wrong);
  }
}

TEST(ParentPassword, NoWaitEndsMoreThanAMinuteAfterATry) {
  const struct {
    const char *name;
    qint64 daysAhead;  // how far ahead the clock was when the wait began
  } cases[] = {{"clock a little ahead", 1}, {"clock 400 days ahead", 400}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    TTestFolders folders;
    TFakeClock clock;
    const QDateTime realNow = clock.Now;
    TParentPassword password(clock.Clock());
    password.Set(QStringLiteral("right"));
    clock.Now = realNow.addDays(c.daysAhead);
    for (int i = 0; i < TParentPassword::TriesBeforeWait; ++i)
      EXPECT_EQ(password.Check(QStringLiteral("wrong")), TPasswordCheck::Wrong);
    // The clock is put right: the wait is at most a minute from the first try after it.
    clock.Now = realNow;
    EXPECT_EQ(password.Check(QStringLiteral("right")), TPasswordCheck::Locked);
    EXPECT_LE(password.SecondsLocked(), TParentPassword::WaitSeconds);
    clock.Now = clock.Now.addSecs(TParentPassword::WaitSeconds + 1);
    EXPECT_EQ(password.Check(QStringLiteral("right")), TPasswordCheck::Right);
    EXPECT_EQ(password.SecondsLocked(), 0);
    // The tries count again from there.
    EXPECT_EQ(password.Check(QStringLiteral("wrong")), TPasswordCheck::Wrong);
  }
}
