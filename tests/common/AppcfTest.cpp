// The settings file: its byte layout, reading any valid form, broken files, and the
// pemblo-config tool that writes it.
#include "common/uAppcf.h"
#include "tests/support/TestFolders.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

QByteArray Hex(const char *hex) { return QByteArray::fromHex(hex); }

// "TPF0", class "TAppCf", empty name; the property entries follow.
const QByteArray kHeader = QByteArray("TPF0") + char(6) + "TAppCf" + char(0);
QByteArray Prop(const char *name, const QByteArray &value) {
  return char(std::strlen(name)) + QByteArray(name) + value;
}
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

TRun Config(const QStringList &args) {
  QProcess p;
  p.start(QStringLiteral(PEMBLO_CONFIG), args);
  p.waitForFinished(30000);
  return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
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

}  // namespace
