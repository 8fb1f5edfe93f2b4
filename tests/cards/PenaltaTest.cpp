// The card counter: its rules as one table, the stored form against an independent DES, the
// notice to the host's main window and two processes changing the count at once.
#include "common/uPenalta.h"
#include "common/uDES.h"
#include "common/uFrmInfos.h"
#include "common/uMsgs.h"
#include "common/uRegistryHelper.h"
#include "platform/os/RegistryHive.h"
#include "platform/os/WindowDirectory.h"
#include "tests/support/ProbeProcess.h"
#include "tests/support/QStringPrint.h"
#include "tests/support/TestFolders.h"
#include "tests/support/WaitUntil.h"

#include <QFile>
#include <QRegularExpression>
#include <QWidget>
#include <gtest/gtest.h>
#include <openssl/des.h>

#include <cstring>
#include <vector>

namespace {

// The value as it stands in the registry.
QString StoredCount() { return RegReadString(HKEY_LOCAL_MACHINE, TPenalta::RegKey, TPenalta::CountValue); }
void StoreRaw(const QString &text) { RegWriteString(HKEY_LOCAL_MACHINE, TPenalta::RegKey, TPenalta::CountValue, text); }

// A lock program that leaves a file behind when it runs.
QString MakeLockProgram(const std::filesystem::path &folder, const QString &name) {
  const QString script = QString::fromStdString((folder / name.toStdString()).string());
  QFile file(script);
  file.open(QIODevice::WriteOnly);
  file.write(("#!/bin/sh\ntouch '" + script + ".ran'\n").toUtf8());
  file.close();
  file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  return script;
}

// The host's main window: it records every card notice it gets.
class TMainWindow {
public:
  TMainWindow() {
    ApplyFrmInfo(&FWindow, FrmInfos[fiMainWindow]);
    TWindowEndpoint::Of(&FWindow)->SetMessageHandler([this](quint32 msg, qint64 w, qint64) -> qint64 {
      if (msg == WM_YCARDUPDATE)
        Counts.push_back(int(w));
      return 0;
    });
  }
  std::vector<int> Counts;

private:
  QWidget FWindow;
};

class PenaltaTest : public ::testing::Test {
protected:
  TTestFolders Folders;
  TPenalta Penalta;
};

}  // namespace

TEST_F(PenaltaTest, CountRulesAnnouncedToTheMainWindowAsTheCallReturns) {
  enum TOp { opRead, opInc, opDec };
  struct TCase {
    const char *Name;
    QString Stored;  // the value before; empty: none (those cases come first, on a fresh registry)
    TOp Op;
    int Value;
    int Expected;
    bool LockStarts;
  };
  const auto stored = TPenalta::EncodeCount;
  const TCase cases[] = {
      {"missing value reads 0", {}, opRead, 0, 0, false},
      {"missing value, take one", {}, opDec, 1, 0, false},
      {"2 + 1 reaches 3 without lock", stored(2), opInc, 1, 3, false},
      {"3 + 1 locks and stays 3", stored(3), opInc, 1, 3, true},
      {"1 + 5 locks and stores 3", stored(1), opInc, 5, 3, true},
      {"2 - 5 stops at 0", stored(2), opDec, 5, 0, false},
      {"a stored 7 reads as 3", stored(7), opRead, 0, 3, false},
      {"a stored 99 reads as 3", stored(99), opRead, 0, 3, false},
      {"a stored -100 reads as 3", stored(-100), opRead, 0, 3, false},
      {"a stored -100 + 1 locks and stores 3", stored(-100), opInc, 1, 3, true},
      {"a stored 99 - 1 gives 2", stored(99), opDec, 1, 2, false},
      {"a stored -100 - 1 gives 2", stored(-100), opDec, 1, 2, false},
      {"not hexadecimal reads 0", "ZZ12-not-hex", opRead, 0, 0, false},
      {"not hexadecimal, give one", "ZZ12-not-hex", opInc, 1, 1, false},
      {"deciphers to no number", DesEncryptToHex("3 cards", TPenalta::CardKey), opRead, 0, 0, false},
      {"an odd last digit is ignored", stored(2) + "F", opRead, 0, 2, false},
  };
  TMainWindow main;
  std::vector<QString> ran, notRan;
  int n = 0;
  for (const auto &c : cases) {
    SCOPED_TRACE(c.Name);
    const QString lock = MakeLockProgram(Folders.Root(), QStringLiteral("lock%1").arg(n++));
    RegWriteString(HKEY_LOCAL_MACHINE, TPenalta::RegKey, TPenalta::LockProgValue, lock);
    if (!c.Stored.isEmpty())
      StoreRaw(c.Stored);
    main.Counts.clear();

    if (c.Op == opInc)
      Penalta.IncYCard(c.Value);
    else if (c.Op == opDec)
      Penalta.DecYCard(c.Value);
    EXPECT_EQ(Penalta.YCount(), c.Expected);
    if (c.Op == opRead) {
      EXPECT_TRUE(main.Counts.empty());
    } else {
      EXPECT_EQ(main.Counts, std::vector<int>{c.Expected}) << "sent before the call returned";
      EXPECT_EQ(StoredCount(), TPenalta::EncodeCount(c.Expected));
    }
    (c.LockStarts ? ran : notRan).push_back(lock + ".ran");
  }
  for (const auto &file : ran)
    EXPECT_TRUE(WaitUntil([&] { return QFile::exists(file); }, 10000)) << file.toStdString();
  for (const auto &file : notRan)
    EXPECT_FALSE(QFile::exists(file)) << file.toStdString();
}

TEST_F(PenaltaTest, MissingLockProgramFailsAndLeavesTheCount) {
  TMainWindow main;
  StoreRaw(TPenalta::EncodeCount(3));
  for (const QString &path : {QString(), QString::fromStdString((Folders.Root() / "no-such-lock").string())}) {
    RegWriteString(HKEY_LOCAL_MACHINE, TPenalta::RegKey, TPenalta::LockProgValue, path);
    try {
      Penalta.IncYCard(1);
      ADD_FAILURE() << "no error for " << path.toStdString();
    } catch (const std::exception &e) {
      EXPECT_EQ(QString::fromUtf8(e.what()), "文件:" + path + "不存在！");
    }
  }
  EXPECT_EQ(StoredCount(), TPenalta::EncodeCount(3));
  EXPECT_TRUE(main.Counts.empty());
  // Below the limit the lock program is not needed.
  StoreRaw(TPenalta::EncodeCount(1));
  Penalta.IncYCard(1);
  EXPECT_EQ(Penalta.YCount(), 2);
}

TEST_F(PenaltaTest, WithoutMainWindowChangesAreStored) {
  Penalta.IncYCard(2);
  EXPECT_EQ(Penalta.YCount(), 2);
  Penalta.SendUpdateMsg(2);  // nobody to tell: nothing happens
}

// A count edited by hand cannot be read: it shows as no cards, is no count at all for the lock
// program, and the next card replaces it (a card is given all the same).
TEST_F(PenaltaTest, ACountThatCannotBeReadIsReplacedByTheNextCard) {
  const struct {
    const char *sEdit;
    TRegValue Value;
  } cases[] = {
      {"a number", TRegValue{TRegDataType::DWord, QByteArray(4, '\3')}},
      {"no hexadecimal text", TRegValue::String(QStringLiteral("three"))},
      {"no number inside", TRegValue::String(DesEncryptToHex(QStringLiteral("three"), TPenalta::CardKey))},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.sEdit);
    UpdateHive(HKEY_LOCAL_MACHINE,
               [&](THiveAccess &hive) { hive.WriteValue(TPenalta::RegKey, TPenalta::CountValue, c.Value); });
    EXPECT_EQ(Penalta.YCount(), 0);
    EXPECT_EQ(Penalta.ReadYCount(), std::nullopt);
    Penalta.IncYCard(1);
    EXPECT_EQ(Penalta.ReadYCount(), 1);
  }
}

TEST(PenaltaStoredForm, DesEcbWithTheKeysFirstEightBytes) {
  TTestFolders folders;
  TPenalta penalta;
  DES_cblock key;
  const QByteArray keyBytes = TPenalta::CardKey.toLatin1().leftJustified(8, '\0', true);
  memcpy(key, keyBytes.constData(), 8);
  DES_key_schedule schedule;
  DES_set_key_unchecked(&key, &schedule);
  for (int count = 3; count >= 0; --count) {
    SCOPED_TRACE(count);
    if (count == 3)
      penalta.IncYCard(3);
    else
      penalta.DecYCard(1);
    const QString stored = StoredCount();
    ASSERT_EQ(stored.size(), 16);
    EXPECT_TRUE(QRegularExpression("^[0-9A-F]{16}$").match(stored).hasMatch()) << stored.toStdString();
    const QByteArray cipher = QByteArray::fromHex(stored.toLatin1());
    DES_cblock in, out;
    memcpy(in, cipher.constData(), 8);
    DES_ecb_encrypt(&in, &out, &schedule, DES_DECRYPT);
    QByteArray expected = QByteArray::number(count);
    expected.append(8 - expected.size(), '\0');
    EXPECT_EQ(QByteArray(reinterpret_cast<const char *>(out), 8), expected);
  }
}

TEST(PenaltaProcesses, TwoProcessesGivingAndTakingLoseNoChange) {
  TTestFolders folders;
  TPenalta().IncYCard(1);
  TProbe first({"turns", "500"});
  TProbe second({"turns", "500"});
  for (TProbe *probe : {&first, &second}) {
    EXPECT_EQ(probe->Finish(), 0);
    EXPECT_EQ(probe->ReadAll().trimmed(), "done") << "no count outside 0..3, no error";
  }
  // Each process keeps at most one card of its own at a time: a serial run ends at 1.
  EXPECT_EQ(TPenalta().YCount(), 1);
}
