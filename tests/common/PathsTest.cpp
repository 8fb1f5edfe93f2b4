#include "common/uPathFunc.h"
#include "platform/os/SpecialFolders.h"
#include "tests/support/TestFolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

QString Q(const std::filesystem::path &p) { return QString::fromStdString(p.string()); }

TEST(IncludeBackslash, AddsASeparatorOnlyWhereNoneEnds) {
  const struct {
    const char *in, *out;
  } cases[] = {
      {"", ""}, {"/data", "/data/"}, {"/data/", "/data/"}, {"C:\\Data\\", "C:\\Data\\"}, {"数据", "数据/"},
  };
  for (const auto &c : cases)
    EXPECT_EQ(IncludeBackslash(QString::fromUtf8(c.in)), QString::fromUtf8(c.out)) << c.in;
}

TEST(CombinePath, JoinsAndResolvesSteps) {
  const struct {
    const char *first, *second, *out;
  } cases[] = {
      {"/opt/Pemblo/", "../PembloBrowser/PembloBrowser", "/opt/PembloBrowser/PembloBrowser"},
      {"/data/Pemblo/", "Log/", "/data/Pemblo/Log/"},
      {"/data/Pemblo", "Log/", "/data/Pemblo/Log/"},
      {"/data/Pemblo/Log/", "浏览日志/", "/data/Pemblo/Log/浏览日志/"},
      {"/data/", "./a/./b", "/data/a/b"},
      {"/data/", "/etc/x", "/etc/x"},
      {"", "rel/x", "rel/x"},
      {"/data/", "", "/data/"},
      {"", "", ""},
  };
  for (const auto &c : cases)
    EXPECT_EQ(CombinePath(QString::fromUtf8(c.first), QString::fromUtf8(c.second)), QString::fromUtf8(c.out))
        << c.first << " + " << c.second;
}

TEST(SpecialFolders, OverridesComeFirstThenXdgThenHome) {
  TTestFolders folders;
  EXPECT_EQ(GetSpecialFolderPath(CSIDL_COMMON_APPDATA), Q(folders.CommonAppData()));
  EXPECT_EQ(GetSpecialFolderPath(CSIDL_FAVORITES), Q(folders.Favorites()));
  EXPECT_EQ(GetRegistryFolder(), Q(folders.Registry()));

  const QByteArray saved = qgetenv("HOME");
  qunsetenv("PEMBLO_COMMON_APPDATA");
  qunsetenv("PEMBLO_FAVORITES");
  qunsetenv("PEMBLO_REGISTRY");
  qputenv("XDG_DATA_HOME", "/xdg/data/");
  qputenv("XDG_CONFIG_HOME", "/xdg/config");
  qputenv("HOME", "/home/kid");
  EXPECT_EQ(GetSpecialFolderPath(CSIDL_COMMON_APPDATA), "/xdg/data");
  EXPECT_EQ(GetRegistryFolder(), "/xdg/config/pemblo/registry");
  EXPECT_EQ(GetSpecialFolderPath(CSIDL_FAVORITES), "/home/kid/Favorites");
  qunsetenv("XDG_DATA_HOME");
  qunsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(GetSpecialFolderPath(CSIDL_COMMON_APPDATA), "/home/kid/.local/share");
  EXPECT_EQ(GetRegistryFolder(), "/home/kid/.config/pemblo/registry");
  EXPECT_EQ(GetSpecialFolderPath(12345), "");
  qputenv("HOME", saved);
}

TEST(DataPath, IsCreatedWithLogFoldersBelowTheOverride) {
  TTestFolders folders;
  const QString base = Q(folders.CommonAppData()) + "/deeper/than/before";
  qputenv("PEMBLO_COMMON_APPDATA", base.toUtf8());

  EXPECT_EQ(GetDataPath(), base + "/Pemblo/");
  EXPECT_TRUE(QFileInfo(base + "/Pemblo").isDir());
  EXPECT_EQ(GetLogPath(), base + "/Pemblo/Log/");
  EXPECT_EQ(GetBrowseLogPath(), base + "/Pemblo/Log/浏览日志/");
  EXPECT_TRUE(QFileInfo(base + "/Pemblo/Log/浏览日志").isDir());
}

TEST(DataPath, AFileInTheWayFailsWithTheFullPath) {
  TTestFolders folders;
  const QString blocker = Q(folders.CommonAppData()) + "/Pemblo";
  QFile file(blocker);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  try {
    GetDataPath();
    FAIL() << "no error";
  } catch (const std::runtime_error &e) {
    EXPECT_EQ(QString::fromUtf8(e.what()), "无法创建目录:" + blocker + "/");
  }
  EXPECT_THROW(GetLogPath(), std::runtime_error);
}

TEST(ExePath, IsTheFolderOfThisProgram) {
  const QString exe = GetExePath();
  EXPECT_TRUE(exe.endsWith('/'));
  EXPECT_TRUE(QFileInfo(exe + "common_paths").isExecutable()) << exe.toStdString();
}

}  // namespace
