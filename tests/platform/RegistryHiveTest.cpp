// Registry hives and the string helper: lookup rules, types, unwritable hives, and
// read-modify-write by several processes.
#include "common/uRegistryHelper.h"
#include "platform/errors/Errors.h"
#include "platform/sqlite/SqliteDb.h"
#include "tests/support/HeldLockFile.h"
#include "tests/support/ProbeProcess.h"
#include "tests/support/TestFolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <sqlite3.h>
#include <stdexcept>
#include <unistd.h>

namespace {

const QString kKey = "\\SOFTWARE\\Pemblo";

TEST(Registry, MissingKeysReadEmptyAndCreateNothing) {
  TTestFolders folders;
  EXPECT_EQ(RegReadString(HKEY_LOCAL_MACHINE, kKey, "YCount"), "");
  EXPECT_FALSE(QFileInfo::exists(HiveFileName(HKEY_LOCAL_MACHINE))) << "reading creates no hive";

  RegWriteString(HKEY_LOCAL_MACHINE, "\\SOFTWARE\\Other", "x", "1");
  EXPECT_EQ(RegReadString(HKEY_LOCAL_MACHINE, kKey, "YCount"), "");
  bool exists = true;
  ReadHive(HKEY_LOCAL_MACHINE, [&](const THiveAccess &hive) { exists = hive.KeyExists(kKey); });
  EXPECT_FALSE(exists) << "reading creates no key";
}

TEST(Registry, WritesCreateKeysThatCompareWithoutLetterCase) {
  TTestFolders folders;
  RegWriteString(HKEY_CURRENT_USER, "Software\\Classes\\PB.Association.HTML\\shell\\open\\command", "",
                 "\"/b\" \"%1\"");
  const struct {
    const char *key, *name;
  } spellings[] = {
      {"Software\\Classes\\PB.Association.HTML\\shell\\open\\command", ""},
      {"\\SOFTWARE\\CLASSES\\pb.association.html\\Shell\\Open\\Command", ""},
      {"software\\classes\\PB.Association.HTML\\shell\\open\\command\\", ""},
  };
  for (const auto &s : spellings)
    EXPECT_EQ(RegReadString(HKEY_CURRENT_USER, s.key, s.name), "\"/b\" \"%1\"") << s.key;
  bool parent = false;
  ReadHive(HKEY_CURRENT_USER,
           [&](const THiveAccess &hive) { parent = hive.KeyExists("software\\CLASSES\\pb.association.html"); });
  EXPECT_TRUE(parent) << "missing parents are created";

  // Value names too; the last write wins under any spelling; roots are separate hives.
  RegWriteString(HKEY_LOCAL_MACHINE, kKey, "PembloLock", "/opt/a");
  RegWriteString(HKEY_LOCAL_MACHINE, "\\software\\pemblo", "pembloLOCK", "/opt/锁定");
  EXPECT_EQ(RegReadString(HKEY_LOCAL_MACHINE, kKey, "PEMBLOLOCK"), "/opt/锁定");
  EXPECT_EQ(RegReadString(HKEY_CURRENT_USER, kKey, "PembloLock"), "");
  EXPECT_EQ(RegReadString(HKEY_CLASSES_ROOT, kKey, "PembloLock"), "");
}

TEST(Registry, ValuesAreTyped) {
  TTestFolders folders;
  UpdateHive(HKEY_LOCAL_MACHINE, [](THiveAccess &hive) {
    hive.WriteValue(kKey, "Count", TRegValue{TRegDataType::DWord, QByteArray("\x03\0\0\0", 4)});
    hive.WriteValue(kKey, "Path", TRegValue::String("%ProgramFiles%\\Pemblo", TRegDataType::ExpandString));
  });
  try {
    RegReadString(HKEY_LOCAL_MACHINE, kKey, "Count");
    FAIL() << "no error";
  } catch (const std::runtime_error &e) {
    EXPECT_STREQ(e.what(), "Invalid data type for 'Count'");
  }
  EXPECT_EQ(RegReadString(HKEY_LOCAL_MACHINE, kKey, "path"), "%ProgramFiles%\\Pemblo") << "returned as stored";
  std::optional<TRegValue> count;
  ReadHive(HKEY_LOCAL_MACHINE, [&](const THiveAccess &hive) { count = hive.ReadValue(kKey, "COUNT"); });
  ASSERT_TRUE(count);
  EXPECT_EQ(count->eType, TRegDataType::DWord);
  EXPECT_EQ(count->data, QByteArray("\x03\0\0\0", 4));
}

TEST(Registry, AnUnwritableHiveIsSkippedSilently) {
  TTestFolders folders;
  // The registry folder cannot be created: a file is in the way.
  const QString blocker = QString::fromStdString((folders.Root() / "blocker").string());
  QFile f(blocker);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.close();
  qputenv("PEMBLO_REGISTRY", (blocker + "/registry").toUtf8());
  EXPECT_NO_THROW(RegWriteString(HKEY_LOCAL_MACHINE, kKey, "YCount", "x"));
  EXPECT_EQ(RegReadString(HKEY_LOCAL_MACHINE, kKey, "YCount"), "");
  EXPECT_FALSE(UpdateHive(HKEY_LOCAL_MACHINE, [](THiveAccess &) { FAIL() << "work ran"; }));

  // A hive file without write permission (as a user other than root feels it).
  if (geteuid() != 0) {
    qputenv("PEMBLO_REGISTRY", folders.Registry().c_str());
    RegWriteString(HKEY_LOCAL_MACHINE, kKey, "YCount", "1");
    QFile::setPermissions(HiveFileName(HKEY_LOCAL_MACHINE), QFile::ReadOwner);
    EXPECT_NO_THROW(RegWriteString(HKEY_LOCAL_MACHINE, kKey, "YCount", "2"));
    EXPECT_EQ(RegReadString(HKEY_LOCAL_MACHINE, kKey, "YCount"), "1");
  }
}

TEST(Registry, AFailedUpdateWritesNothing) {
  TTestFolders folders;
  RegWriteString(HKEY_LOCAL_MACHINE, kKey, "YCount", "A1");
  EXPECT_THROW(UpdateHive(HKEY_LOCAL_MACHINE,
                          [](THiveAccess &hive) {
                            hive.WriteValue(kKey, "YCount", TRegValue::String("B2"));
                            hive.WriteValue("\\SOFTWARE\\New", "x", TRegValue::String("y"));
                            throw std::runtime_error("stop");
                          }),
               std::runtime_error);
  EXPECT_EQ(RegReadString(HKEY_LOCAL_MACHINE, kKey, "YCount"), "A1");
  EXPECT_EQ(RegReadString(HKEY_LOCAL_MACHINE, "\\SOFTWARE\\New", "x"), "");
}

TEST(Registry, ReadModifyWriteByTwoProcessesLosesNoChange) {
  TTestFolders folders;
  const int each = 300;
  std::vector<std::unique_ptr<TProbe>> probes;
  for (int i = 0; i < 3; ++i)
    probes.push_back(std::make_unique<TProbe>(QStringList{"regincr", QString::number(each)}));
  for (auto &p : probes) {
    EXPECT_EQ(p->NextLine(), "done");
    EXPECT_EQ(p->Finish(), 0);
  }
  EXPECT_EQ(RegReadString(HKEY_LOCAL_MACHINE, kKey, "Counter"), QString::number(3 * each));
}

// Two processes update one value as fast as they can. Every update is counted, none fails, and
// a waiting writer gets its turn: neither process runs a long streak while the other waits.
TEST(Registry, ContendingWritersTakeTurns) {
  TTestFolders folders;
  const int each = 1000;
  const QString go = QString::fromStdString((folders.Root() / "go").string());
  std::vector<std::unique_ptr<TProbe>> probes;
  for (int i = 0; i < 2; ++i)
    probes.push_back(std::make_unique<TProbe>(QStringList{"regrace", QString::number(each), go}));
  for (auto &p : probes)
    ASSERT_EQ(p->NextLine(), "ready");
  QFile start(go);
  ASSERT_TRUE(start.open(QIODevice::WriteOnly));
  start.close();

  std::vector<int> writer(2 * each + 1, -1);  // which process wrote each counter value
  int lastOf[2] = {0, 0};
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(probes[i]->Finish(), 0);
    ASSERT_EQ(probes[i]->NextLine(), "done");
    const QStringList values = probes[i]->NextLine().split(u' ');
    ASSERT_EQ(values.size(), each);
    for (const QString &v : values) {
      const int n = v.toInt();
      ASSERT_TRUE(n >= 1 && n <= 2 * each) << v.toStdString();
      EXPECT_EQ(writer[n], -1) << "value " << n << " written twice";
      writer[n] = i;
      lastOf[i] = std::max(lastOf[i], n);
    }
  }
  EXPECT_EQ(RegReadString(HKEY_LOCAL_MACHINE, kKey, "Counter"), QString::number(2 * each));
  // While both were writing, the longest streak of one of them.
  int longest = 0, streak = 0;
  for (int n = 2; n <= std::min(lastOf[0], lastOf[1]); ++n) {
    streak = writer[n] == writer[n - 1] ? streak + 1 : 0;
    longest = std::max(longest, streak + 1);
  }
  // A writer that waits gets its turn: without the lock file's queue one writer kept the hive
  // for nearly all of its 1,000 updates; with it, streaks stay short even on a loaded machine
  // (the kernel does not promise strict turns, so the bound leaves room).
  EXPECT_LT(longest, 400);
}

// Another program holding the lock file froze every writer with no end (the host's interface at
// its next card, a host starting). A write waits for it a short while, then goes on and is whole;
// a hive held locked by another program's SQLite transaction past the waits is skipped, never
// an error and never an endless wait.
TEST(Registry, AWriterWaitsForAnotherProgramsLockOnlyAWhile) {
  TTestFolders folders;
  RegWriteString(HKEY_LOCAL_MACHINE, kKey, "Counter", "1");
  const QString hive = HiveFileName(HKEY_LOCAL_MACHINE);

  {
    const THeldLockFile holder(hive + QStringLiteral(".lock"));
    ASSERT_TRUE(holder.Held());
    for (int i = 2; i <= 3; ++i)
      EXPECT_TRUE(UpdateHive(HKEY_LOCAL_MACHINE, [&](THiveAccess &access) {
        access.WriteValue(kKey, "Counter", TRegValue::String(QString::number(i)));
      }));
    EXPECT_EQ(RegReadString(HKEY_LOCAL_MACHINE, kKey, "Counter"), "3");
  }

  TSqliteDb other([](const QString &text) { throw std::runtime_error(text.toStdString()); });
  ASSERT_EQ(other.TryOpen(QFile::encodeName(hive), SQLITE_OPEN_READWRITE), SQLITE_OK);
  ASSERT_EQ(other.TryExec("BEGIN IMMEDIATE"), SQLITE_OK);
  bool written = true;
  EXPECT_NO_THROW(written = UpdateHive(HKEY_LOCAL_MACHINE, [](THiveAccess &access) {
                    access.WriteValue(kKey, "Counter", TRegValue::String("4"));
                  }));
  EXPECT_FALSE(written);
  other.TryExec("ROLLBACK");
  EXPECT_EQ(RegReadString(HKEY_LOCAL_MACHINE, kKey, "Counter"), "3");
}

// A damaged hive: the call that meets it raises SQLite's own error (once), the file is moved
// aside unchanged as "<hive>.broken-<time>", and the hive starts again empty.
TEST(Registry, ADamagedHiveIsReportedOnceAndMovedAside) {
  const auto garbage = [](const QString &file) {
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(QByteArray("this is no registry hive\n").repeated(400));
  };
  // Keys and values fill several pages; the file is cut after its first two.
  const auto truncated = [](const QString &file) {
    for (int i = 0; i < 200; ++i)
      RegWriteString(HKEY_LOCAL_MACHINE, kKey + QString::number(i), "x", QString(100, u'v'));
    ASSERT_GT(QFileInfo(file).size(), 4 * 4096);
    ASSERT_TRUE(QFile::resize(file, 2 * 4096));
  };
  const struct {
    const char *name;
    std::function<void(const QString &)> damage;
    bool writeFirst;
    const char *error;
  } cases[] = {
      {"garbage, written", garbage, true, "file is encrypted or is not a database"},
      {"garbage, read", garbage, false, "file is encrypted or is not a database"},
      {"truncated, written", truncated, true, "database disk image is malformed"},
      {"truncated, read", truncated, false, "database disk image is malformed"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    TTestFolders folders;
    const QString file = HiveFileName(HKEY_LOCAL_MACHINE);
    RegWriteString(HKEY_LOCAL_MACHINE, kKey, "YCount", "old");
    c.damage(file);
    QFile damaged(file);
    ASSERT_TRUE(damaged.open(QIODevice::ReadOnly));
    const QByteArray content = damaged.readAll();
    damaged.close();

    try {
      if (c.writeFirst)
        RegWriteString(HKEY_LOCAL_MACHINE, kKey, "YCount", "new");
      else
        RegReadString(HKEY_LOCAL_MACHINE, kKey, "YCount");
      ADD_FAILURE() << "no error";
    } catch (const ERegistryError &e) {
      EXPECT_TRUE(QString::fromUtf8(e.what()).contains(c.error)) << e.what();
    }
    const QStringList aside =
        QDir(QFileInfo(file).path()).entryList({QFileInfo(file).fileName() + ".broken-*"}, QDir::Files);
    ASSERT_EQ(aside.size(), 1) << aside.join(u' ').toStdString();
    QFile moved(QFileInfo(file).path() + "/" + aside.front());
    ASSERT_TRUE(moved.open(QIODevice::ReadOnly));
    EXPECT_EQ(moved.readAll(), content);

    // The error came once: the hive works again, empty.
    EXPECT_EQ(RegReadString(HKEY_LOCAL_MACHINE, kKey, "YCount"), "");
    EXPECT_NO_THROW(RegWriteString(HKEY_LOCAL_MACHINE, kKey, "YCount", "again"));
    EXPECT_EQ(RegReadString(HKEY_LOCAL_MACHINE, kKey, "YCount"), "again");
  }
}

}  // namespace
