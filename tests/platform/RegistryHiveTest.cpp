// Registry hives and the string helper: lookup rules, types, unwritable hives, and
// read-modify-write by several processes.
#include "common/uRegistryHelper.h"
#include "tests/support/ProbeProcess.h"
#include "tests/support/TestFolders.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <memory>
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

}  // namespace
