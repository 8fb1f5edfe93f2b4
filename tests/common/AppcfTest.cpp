// The settings file: its byte layout, reading any valid form, broken files and their last good
// copy, files that cannot be read or written, and the pemblo-config tool that writes it.
#include "common/uAppcf.h"
#include "common/uPathFunc.h"
#include "tests/support/TestDisks.h"
#include "tests/support/TestFolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <stdexcept>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray Hex(const char *hex) { return QByteArray::fromHex(hex); }

// "TPF0", class "TAppCf", empty name; the property entries follow.
const QByteArray kHeader = QByteArray("TPF0") + char(6) + "TAppCf" + char(0);
QByteArray Prop(const QByteArray &name, const QByteArray &value) { return char(name.size()) + name + value; }
const QByteArray kEnd("\0\0", 2);

QByteArray ReadFile(const QString &name) {
  QFile f(name);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteFile(const QString &name, const QByteArray &data) {
  QFile f(name);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(data);
}

TEST(AppcfStream, DefaultsAreTheSixtyFiveBytes) {
  const QByteArray expected = kHeader + Prop("TextTime", Hex("0205")) + Prop("PsDistance", Hex("0205")) +
                              Prop("ImgTime", Hex("0205")) + Prop("ImgSize", Hex("0232")) + Prop("OffOn", Hex("08")) +
                              kEnd;
  ASSERT_EQ(expected.size(), 65);
  EXPECT_EQ(WriteAppCfStream(TAppCf()), expected);
}

TEST(AppcfStream, IntegersTakeTheSmallestFormAndReadBack) {
  const struct {
    int32_t value;
    const char *bytes;
  } cases[] = {
      {100, "0264"},
      {127, "027f"},
      {-128, "0280"},
      {128, "038000"},
      {200, "03c800"},
      {-32768, "030080"},
      {32767, "03ff7f"},
      {32768, "0400800000"},
      {70000, "0470110100"},
      {-1, "02ff"},
      {INT32_MIN, "0400000080"},
  };
  for (const auto &c : cases) {
    TAppCf cf;
    cf.SetImgSize(c.value);
    const QByteArray stream = WriteAppCfStream(cf);
    EXPECT_TRUE(stream.contains(Prop("ImgSize", Hex(c.bytes)))) << c.value;
    EXPECT_EQ(ReadAppCfStream(stream).ImgSize(), c.value);
  }
  TAppCf on;
  on.SetOffOn(true);
  EXPECT_TRUE(WriteAppCfStream(on).endsWith(Prop("OffOn", Hex("09")) + kEnd));
  EXPECT_TRUE(ReadAppCfStream(WriteAppCfStream(on)).OffOn());
}

TEST(AppcfStream, ReadsAnyFormAnyOrderAndKeepsDefaultsForMissingProperties) {
  TAppCf onlyOffOn = ReadAppCfStream(kHeader + Prop("OffOn", Hex("09")) + kEnd);
  EXPECT_EQ(onlyOffOn.TextTime(), 5);
  EXPECT_EQ(onlyOffOn.PsDistance(), 5);
  EXPECT_EQ(onlyOffOn.ImgTime(), 5);
  EXPECT_EQ(onlyOffOn.ImgSize(), 50);
  EXPECT_TRUE(onlyOffOn.OffOn());

  const TAppCf mixed = ReadAppCfStream(kHeader + Prop("ImgSize", Hex("0464000000")) + Prop("Tag", Hex("0207")) +
                                       Prop("textTime", Hex("030a00")) + Prop("OffOn", Hex("02")) + kEnd +
                                       "trailing bytes are not read");
  EXPECT_EQ(mixed.ImgSize(), 100);
  EXPECT_EQ(mixed.TextTime(), 10);
  EXPECT_EQ(mixed.Tag(), 7);
  EXPECT_FALSE(mixed.OffOn()) << "any boolean byte but 9 reads as false";
  EXPECT_TRUE(WriteAppCfStream(mixed).startsWith(kHeader + Prop("Tag", Hex("0207"))));
}

TEST(CfMrg, BrokenFilesAreDeletedAndRaiseWhileTheSettingsStay) {
  TTestFolders folders;
  const QByteArray good = WriteAppCfStream(TAppCf());
  const struct {
    const char *what;
    QByteArray data;
    const char *message;
  } cases[] = {
      {"signature", "TPF1" + good.mid(4), "Invalid stream format"},
      {"class", QByteArray("TPF0") + char(5) + "TFoo1" + good.mid(11), "Class TFoo1 not found"},
      {"property", kHeader + Prop("Colour", Hex("0201")) + kEnd, "Property Colour does not exist"},
      {"value type", kHeader + Prop("ImgSize", Hex("0631")) + kEnd, "Invalid property value"},
      {"truncated", good.left(64), "Stream read error"},
      {"truncated value", good.left(30), "Stream read error"},
      {"empty", QByteArray(), "Stream read error"},
      {"child", good.left(64) + char(1), "Invalid stream format"},
      {"zero byte in a property name", kHeader + Prop(QByteArray("OffOn\0xyz", 9), Hex("09")) + kEnd, "Property OffOn"},
      {"zero byte in the class name", QByteArray("TPF0") + char(10) + QByteArray("TAppCf\0xyz", 10) + good.mid(11),
       "Class TAppCf"},
      {"larger than any settings file", good + QByteArray(64 * 1024, ' '), "Stream too large"},
  };
  TCfMrg mrg;
  mrg.AppCf().SetImgSize(77);
  for (const auto &c : cases) {
    WriteFile(mrg.FileName(), c.data);
    try {
      mrg.LoadFormFile();
      ADD_FAILURE() << c.what;
    } catch (const std::runtime_error &e) {
      EXPECT_STREQ(e.what(), c.message) << c.what;
    }
    EXPECT_FALSE(QFile::exists(mrg.FileName())) << c.what;
    EXPECT_EQ(mrg.AppCf().ImgSize(), 77) << c.what;
  }
  // At start a broken file ends the manager's creation; the next start runs on the defaults.
  WriteFile(mrg.FileName(), "junk");
  EXPECT_THROW(TCfMrg(), std::runtime_error);
  EXPECT_EQ(TCfMrg().AppCf(), TAppCf());
}

TEST(CfMrg, ABrokenFileGivesWayToTheLastGoodCopy) {
  TTestFolders folders;
  TCfMrg writer;
  writer.AppCf().SetOffOn(true);
  writer.AppCf().SetTextTime(30);
  writer.Update();
  const QByteArray good = ReadFile(writer.FileName());
  EXPECT_EQ(ReadFile(writer.FileName() + ".bak"), good) << "the copy is written with every save";

  // A running reader keeps the good values and the file is good again for the next start.
  TCfMrg reader;
  reader.AppCf().SetOffOn(false);
  WriteFile(reader.FileName(), "junk");
  EXPECT_THROW(reader.LoadFormFile(), std::runtime_error);
  EXPECT_TRUE(reader.AppCf().OffOn());
  EXPECT_EQ(reader.AppCf().TextTime(), 30);
  EXPECT_EQ(ReadFile(reader.FileName()), good);

  // At start the broken file is reported all the same; the next start runs on the good values.
  WriteFile(reader.FileName(), "TPF0");
  EXPECT_THROW(TCfMrg(), std::runtime_error);
  EXPECT_TRUE(TCfMrg().AppCf().OffOn());

  // A copy that is broken too is no help: the broken file goes, the copy stays as it is.
  WriteFile(reader.FileName() + ".bak", "junk too");
  WriteFile(reader.FileName(), "junk");
  EXPECT_THROW(TCfMrg(), std::runtime_error);
  EXPECT_FALSE(QFile::exists(reader.FileName()));
  EXPECT_EQ(ReadFile(reader.FileName() + ".bak"), "junk too");
  EXPECT_EQ(TCfMrg().AppCf(), TAppCf());
}

TEST(CfMrg, SaveLoadAndMissingFile) {
  TTestFolders folders;
  TCfMrg mrg;
  EXPECT_EQ(mrg.FileName(), QString::fromStdString(folders.CommonAppData().string()) + "/Pemblo/appdata.dat");
  EXPECT_FALSE(QFile::exists(mrg.FileName()));
  EXPECT_EQ(mrg.AppCf(), TAppCf());

  mrg.AppCf().SetTextTime(30);
  mrg.AppCf().SetOffOn(true);
  mrg.Update();  // nobody to tell here: it saves all the same
  EXPECT_EQ(ReadFile(mrg.FileName()).size(), 65);
  TCfMrg other;
  EXPECT_EQ(other.AppCf().TextTime(), 30);
  EXPECT_TRUE(other.AppCf().OffOn());

  // A missing file leaves the settings read last in force.
  QFile::remove(mrg.FileName());
  other.LoadFormFile();
  EXPECT_EQ(other.AppCf().TextTime(), 30);

  // Another file by name, for reading and writing.
  const QString copy = QString::fromStdString((folders.Root() / "copy.dat").string());
  other.AppCf().SetImgTime(9);
  other.SaveToFile(copy);
  mrg.LoadFormFile(copy);
  EXPECT_EQ(mrg.AppCf().ImgTime(), 9);
  EXPECT_THROW(mrg.SaveToFile(QString::fromStdString((folders.Root() / "no/such/folder/x.dat").string())),
               std::runtime_error);
}

struct TRun {
  int code;
  QString out, err;
};

// Runs pemblo-config, as the user "nobody" when asked and this test runs as root (root reads
// any file). A run that does not end within 15 s is stopped and reported as code -1.
TRun Config(const QStringList &args, bool asNobody = false) {
  QProcess p;
  if (asNobody && geteuid() == 0)
    p.start(QStringLiteral("setpriv"),
            QStringList{"--reuid=65534", "--regid=65534", "--clear-groups", QStringLiteral(PEMBLO_CONFIG)} + args);
  else
    p.start(QStringLiteral(PEMBLO_CONFIG), args);
  if (!p.waitForFinished(15000)) {
    p.kill();
    p.waitForFinished();
    return {-1, {}, QStringLiteral("did not end")};
  }
  return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

TEST(PemboConfigTool, ASettingsFileThatCannotBeReadIsLeftAloneAndReported) {
  TTestFolders folders;
  // Other users pass through the private folders and may write the data folder, as on a
  // family computer where both the parent's and the child's programs keep files there.
  for (const auto &dir : {folders.Root(), folders.CommonAppData()})
    chmod(dir.c_str(), 0755);
  TCfMrg mrg;
  chmod(QFile::encodeName(GetDataPath()).constData(), 0777);
  const std::string file = QFile::encodeName(mrg.FileName()).toStdString();
  mrg.AppCf().SetOffOn(true);
  const struct {
    const char *what;
    std::function<void()> place;
    bool asNobody;
  } cases[] = {
      {"write-only", [&] { mrg.SaveToFile(), chmod(file.c_str(), 0222); }, true},
      {"another user's", [&] { mrg.SaveToFile(), chmod(file.c_str(), 0600); }, true},
      {"a directory", [&] { mkdir(file.c_str(), 0755); }, false},
      {"a FIFO", [&] { mkfifo(file.c_str(), 0666); }, false},
      {"an I/O error", [&] { symlink("/proc/self/mem", file.c_str()); }, false},
  };
  for (const auto &c : cases) {
    std::filesystem::remove_all(file);
    c.place();
    struct stat before {};
    ASSERT_EQ(lstat(file.c_str(), &before), 0) << c.what;
    const TRun run = Config({}, c.asNobody);
    EXPECT_EQ(run.code, 1) << c.what << ": " << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("Cannot ")) << c.what << ": " << run.err.toStdString();
    struct stat after {};
    EXPECT_EQ(lstat(file.c_str(), &after), 0) << c.what << " was deleted";
    EXPECT_EQ(after.st_ino, before.st_ino) << c.what << " was replaced";
  }
}

TEST(PemboConfigTool, ShowsSetsAndRefuses) {
  TTestFolders folders;
  const QString file = QString::fromStdString(folders.CommonAppData().string()) + "/Pemblo/appdata.dat";

  TRun shown = Config({});
  EXPECT_EQ(shown.code, 0);
  EXPECT_TRUE(shown.out.contains("TextTime=5\nPsDistance=5\nImgTime=5\nImgSize=50\nOffOn=0\n"))
      << shown.out.toStdString();
  EXPECT_FALSE(QFile::exists(file)) << "showing writes nothing";

  TRun set = Config({"OffOn=1", "ImgSize=100"});
  EXPECT_EQ(set.code, 0) << set.err.toStdString();
  const TAppCf cf = ReadAppCfStream(ReadFile(file));
  EXPECT_TRUE(cf.OffOn());
  EXPECT_EQ(cf.ImgSize(), 100);
  EXPECT_EQ(cf.TextTime(), 5);

  const QByteArray before = ReadFile(file);
  for (const QStringList &bad :
       {QStringList{"TextTime=0"}, QStringList{"TextTime=61"}, QStringList{"PsDistance=4"}, QStringList{"ImgTime=61"},
        QStringList{"ImgSize=49"}, QStringList{"ImgSize=101"}, QStringList{"OffOn=2"}, QStringList{"Colour=1"},
        QStringList{"TextTime"}, QStringList{"TextTime=abc"}, QStringList{"TextTime=10", "ImgSize=20"}}) {
    const TRun refused = Config(bad);
    EXPECT_EQ(refused.code, 2) << bad.join(' ').toStdString();
    EXPECT_FALSE(refused.err.isEmpty());
  }
  EXPECT_EQ(ReadFile(file), before) << "a refused call writes nothing";
}

// The data folder's disk is full: the tool says so and fails, and both files keep the settings
// they had, whole.
TEST(PemboConfigTool, AFullDiskIsReportedAndLeavesTheFilesAsTheyWere) {
  TTestFolders folders;
  TSmallDisk disk(GetDataPath());
  if (!disk.Mounted())
    GTEST_SKIP() << disk.Why();
  ASSERT_EQ(Config({"TextTime=7"}).code, 0);
  TCfMrg mrg;
  const QByteArray before = ReadFile(mrg.FileName());
  ASSERT_EQ(ReadAppCfStream(before).TextTime(), 7);
  disk.Fill();

  const TRun run = Config({"TextTime=9"});
  EXPECT_EQ(run.code, 1) << run.out.toStdString();
  EXPECT_TRUE(run.err.contains("No space left on device")) << run.err.toStdString();
  EXPECT_EQ(ReadFile(mrg.FileName()), before);
  EXPECT_EQ(ReadFile(mrg.FileName() + ".bak"), before);
  EXPECT_EQ(QDir(GetDataPath()).entryList(QDir::Files | QDir::Hidden).size(), 3) << "no temporary file is left";
}

}  // namespace
