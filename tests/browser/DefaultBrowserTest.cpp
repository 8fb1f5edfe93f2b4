// Whether the browser is the default browser and its registration: the registry entries for
// both system generations, a user who cannot write HKLM, the Internet Explorer icon, the
// desktop's answer through the real xdg-mime in private XDG folders, and the question asked by
// MakeDefaultBrowserOffer.
#include "browser/uDefaultBrowser.h"
#include "browser/uDesktopApps.h"
#include "common/uRegistryHelper.h"
#include "tests/support/QStringPrint.h"
#include "tests/support/TestFolders.h"
#include "tests/support/WaitUntil.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QProcess>
#include <QTimer>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

const QString P = QStringLiteral("PB.Association.HTML");
const QString HttpChoice =
    QStringLiteral("\\Software\\Microsoft\\Windows\\Shell\\Associations\\UrlAssociations\\http\\UserChoice");
const QString IEAppPath = QStringLiteral("\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\IEXPLORE.EXE");

QString Text(const std::filesystem::path &path) { return QString::fromStdString(path.string()); }

QString ReadAll(const QString &path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

void WriteAll(const QString &path, const QByteArray &content) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(content);
}

// Private folders whose desktop has no default web browser yet, and no system-wide lists.
class DefaultBrowserTest : public ::testing::Test {
protected:
  void SetUp() override {
    std::filesystem::remove(folders.Config() / "mimeapps.list");
    qputenv("XDG_CONFIG_DIRS", Text(folders.Root() / "etc-xdg").toUtf8());
    qputenv("XDG_DATA_DIRS", Text(folders.Root() / "usr-share").toUtf8());
    qunsetenv("XDG_CURRENT_DESKTOP");
  }
  void TearDown() override {
    qunsetenv("XDG_CONFIG_DIRS");
    qunsetenv("XDG_DATA_DIRS");
  }

  QString MimeAppsList() const { return Text(folders.Config() / "mimeapps.list"); }

  // The answer of the desktop's own tool in these folders.
  QString XdgMime(const QStringList &arguments) const {
    QProcess process;
    process.start(QStringLiteral("xdg-mime"), arguments);
    EXPECT_TRUE(process.waitForFinished(20000));
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
  }

  // No HKLM for this user: the hive's file cannot be opened.
  void LoseHKLMRights() const { ASSERT_TRUE(QDir().mkpath(HiveFileName(HKEY_LOCAL_MACHINE))); }

  TTestFolders folders;
};

TEST_F(DefaultBrowserTest, RegistryAnswerTrimsAndIgnoresLetterCase) {
  struct TCase {
    TWinGeneration generation;
    const char *sValue;  // nullptr: no value at all
    bool bDefault;
  };
  const TCase cases[] = {
      {TWinGeneration::VistaOrNewer, " pb.association.html ", true},
      {TWinGeneration::VistaOrNewer, "PB.Association.HTML", true},
      {TWinGeneration::VistaOrNewer, "\tPB.ASSOCIATION.HTML\t", true},
      {TWinGeneration::VistaOrNewer, "PB.Association.HTMLX", false},
      {TWinGeneration::VistaOrNewer, "FirefoxURL", false},
      {TWinGeneration::VistaOrNewer, "", false},
      {TWinGeneration::VistaOrNewer, nullptr, false},
      {TWinGeneration::XPOrOlder, " Pb.Association.Html", true},
      {TWinGeneration::XPOrOlder, "open", false},
      {TWinGeneration::XPOrOlder, nullptr, false},
  };
  for (const TCase &c : cases) {
    TTestFolders fresh;
    const bool xp = c.generation == TWinGeneration::XPOrOlder;
    if (c.sValue) {
      if (xp)
        RegWriteString(HKEY_CLASSES_ROOT, "\\http\\shell", "", c.sValue);
      else
        RegWriteString(HKEY_CURRENT_USER, HttpChoice, "Progid", c.sValue);
    }
    EXPECT_EQ(IsDefaultInRegistry(c.generation), c.bDefault) << (xp ? "XP " : "Vista ") << (c.sValue ? c.sValue : "-");
    // The other generation's place is not read.
    EXPECT_FALSE(IsDefaultInRegistry(xp ? TWinGeneration::VistaOrNewer : TWinGeneration::XPOrOlder));
  }
  // Asking creates nothing.
  TTestFolders fresh;
  IsDefaultInRegistry(TWinGeneration::VistaOrNewer);
  IsDefaultInRegistry(TWinGeneration::XPOrOlder);
  EXPECT_FALSE(QFile::exists(HiveFileName(HKEY_CURRENT_USER)));
  EXPECT_FALSE(QFile::exists(HiveFileName(HKEY_CLASSES_ROOT)));
}

TEST_F(DefaultBrowserTest, VistaRegistrationWritesTheUserAndMachineEntries) {
  RegisterDefaultBrowser(TWinGeneration::VistaOrNewer);
  const QString exe = QCoreApplication::applicationFilePath();
  const QString C = "\\SOFTWARE\\Clients\\StartMenuInternet\\" + P;
  struct TEntry {
    THKey root;
    QString sKey, sName, sValue;
  };
  const TEntry expected[] = {
      {HKEY_CURRENT_USER, "\\Software\\Classes\\" + P, "", "PembloBrowser HTML"},
      {HKEY_LOCAL_MACHINE, "\\Software\\Classes\\" + P, "", "PembloBrowser HTML"},
      {HKEY_CURRENT_USER, "\\Software\\Classes\\" + P + "\\Shell\\open\\command", "", "\"" + exe + "\" \"%1\""},
      {HKEY_CURRENT_USER, "\\Software\\Classes\\" + P + "\\Shell", "", "open"},
      {HKEY_LOCAL_MACHINE, "\\Software\\Classes\\" + P + "\\Shell\\open\\command", "", "\"" + exe + "\" \"%1\""},
      {HKEY_CURRENT_USER, HttpChoice, "Progid", P},
      {HKEY_CURRENT_USER, "\\Software\\Microsoft\\Windows\\Shell\\Associations\\UrlAssociations\\https\\UserChoice",
       "Progid", P},
      {HKEY_LOCAL_MACHINE, C, "", "PembloBrowser WebBrowser"},
      {HKEY_LOCAL_MACHINE, C + "\\Capabilities", "ApplicationIcon", exe + ",0"},
      {HKEY_LOCAL_MACHINE, C + "\\Capabilities\\FileAssociations", ".mhtm", P},
      {HKEY_LOCAL_MACHINE, C + "\\Capabilities\\Startmenu", "StartmenuInternet", "PembloBrowser Web Browse"},
      {HKEY_LOCAL_MACHINE, C + "\\Capabilities\\UrlAssociations", "https", P},
      {HKEY_LOCAL_MACHINE, C + "\\Shell\\open\\command", "", exe},
      {HKEY_LOCAL_MACHINE, "\\SOFTWARE\\RegisteredApplications", P,
       "Software\\Clients\\StartMenuInternet\\" + P + "\\Capabilities"},
      {HKEY_CURRENT_USER, "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.mhtm\\UserChoice",
       "Progid", P},
  };
  for (const TEntry &e : expected)
    EXPECT_EQ(RegReadString(e.root, e.sKey, e.sName), e.sValue) << e.sKey.toStdString() << " " << e.sName.toStdString();
  // The older systems' entries are not made.
  EXPECT_EQ(RegReadString(HKEY_CLASSES_ROOT, "\\Http\\shell", ""), "");
  EXPECT_TRUE(IsDefaultInRegistry(TWinGeneration::VistaOrNewer));
}

TEST_F(DefaultBrowserTest, WithoutMachineRightsTheUserEntriesMakeItDefault) {
  LoseHKLMRights();
  EXPECT_NO_THROW(RegisterDefaultBrowser(TWinGeneration::VistaOrNewer));
  EXPECT_EQ(RegReadString(HKEY_CURRENT_USER, HttpChoice, "Progid"), P);
  EXPECT_EQ(RegReadString(HKEY_CURRENT_USER, "\\Software\\Classes\\" + P + "\\Shell", ""), "open");
  EXPECT_EQ(RegReadString(HKEY_CURRENT_USER,
                          "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.html\\UserChoice",
                          "Progid"),
            P);
  EXPECT_EQ(RegReadString(HKEY_LOCAL_MACHINE, "\\SOFTWARE\\Clients\\StartMenuInternet\\" + P, ""), "");
  EXPECT_TRUE(IsDefaultInRegistry(TWinGeneration::VistaOrNewer));
  // Without a desktop answer the registry's decides.
  std::filesystem::remove(folders.Config() / "mimeapps.list");
  EXPECT_TRUE(IsDefaultBrowser(TWinGeneration::VistaOrNewer));
}

TEST_F(DefaultBrowserTest, XPRegistrationReadsBackAsDefault) {
  RegisterDefaultBrowser(TWinGeneration::XPOrOlder);
  const QString command = "\"" + QCoreApplication::applicationFilePath() + "\" \"%1\"";
  EXPECT_EQ(RegReadString(HKEY_CLASSES_ROOT, "\\Http\\shell", ""), P);
  EXPECT_EQ(RegReadString(HKEY_CLASSES_ROOT, "\\Https\\shell", ""), P);
  EXPECT_EQ(RegReadString(HKEY_CLASSES_ROOT, "\\Http\\shell\\" + P + "\\command", ""), command);
  EXPECT_EQ(RegReadString(HKEY_CLASSES_ROOT, "htmlfile\\shell\\open\\command", ""), command);
  EXPECT_EQ(RegReadString(HKEY_CLASSES_ROOT, "\\.mhtml", ""), P);
  EXPECT_EQ(RegReadString(HKEY_CLASSES_ROOT, "\\.mhtm", ""), "") << "the older systems' list has no .mhtm";
  EXPECT_EQ(RegReadString(HKEY_CURRENT_USER, HttpChoice, "Progid"), "");
  EXPECT_TRUE(IsDefaultInRegistry(TWinGeneration::XPOrOlder));
}

TEST_F(DefaultBrowserTest, FileTypeIconComesFromAnExistingInternetExplorer) {
  const QString existing = Text(folders.Root() / "iexplore.exe");
  WriteAll(existing, "MZ");
  struct TCase {
    const char *sName;
    QString sIEPath;  // empty: none registered
    QString sIcon;    // expected; empty: the icon steps are skipped
  };
  const TCase cases[] = {
      {"none registered", QString(), QString()},
      {"registered, file missing", Text(folders.Root() / "gone.exe"), QString()},
      {"registered and there", existing, existing + ",1"},
  };
  for (const TCase &c : cases) {
    TTestFolders fresh;
    if (!c.sIEPath.isEmpty())
      RegWriteString(HKEY_LOCAL_MACHINE, IEAppPath, "", c.sIEPath);
    RegisterDefaultBrowser(TWinGeneration::VistaOrNewer);
    for (THKey root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
      EXPECT_EQ(RegReadString(root, "\\SOFTWARE\\Classes\\" + P + "\\DefaultIcon", ""), c.sIcon) << c.sName;
    // The rest is written either way.
    EXPECT_EQ(RegReadString(HKEY_CURRENT_USER, "\\Software\\Classes\\" + P + "\\Shell", ""), "open") << c.sName;
  }
}

TEST_F(DefaultBrowserTest, DesktopToolSeesTheRegistrationAndAnotherChoiceWins) {
  EXPECT_FALSE(IsDefaultBrowser());
  RegisterDefaultBrowser();

  const QString entry = ReadAll(Text(folders.DataHome() / "applications" / "pemblobrowser.desktop"));
  EXPECT_TRUE(entry.contains("\nName=Sunvale绿色浏览器\n")) << entry.toStdString();
  EXPECT_TRUE(entry.contains("\nExec=" + QCoreApplication::applicationFilePath() + " %u\n")) << entry.toStdString();
  EXPECT_TRUE(entry.contains("\nMimeType=x-scheme-handler/http;x-scheme-handler/https;text/html;\n"));

  for (const char *type : {"x-scheme-handler/http", "x-scheme-handler/https", "text/html"})
    EXPECT_EQ(XdgMime({"query", "default", type}), "pemblobrowser.desktop") << type;
  EXPECT_TRUE(IsDefaultBrowser());

  // The user picks another browser with the desktop's tool: asked again, though the registry
  // still holds the old choice.
  XdgMime({"default", "other-browser.desktop", "x-scheme-handler/http"});
  EXPECT_EQ(DefaultApplication("x-scheme-handler/http"), "other-browser.desktop");
  EXPECT_TRUE(IsDefaultInRegistry());
  EXPECT_FALSE(IsDefaultBrowser());
}

TEST_F(DefaultBrowserTest, RegistrationKeepsTheOtherLinesOfTheDesktopList) {
  WriteAll(MimeAppsList(), "[Added Associations]\n"
                           "text/html=editor.desktop;\n"
                           "\n"
                           "[Default Applications]\n"
                           "image/png=viewer.desktop;\n"
                           "text/html=old-browser.desktop;editor.desktop;\n"
                           "# a comment\n"
                           "\n"
                           "[Removed Associations]\n"
                           "x-scheme-handler/http=bad.desktop;\n");
  RegisterDefaultBrowser();
  EXPECT_EQ(ReadAll(MimeAppsList()), "[Added Associations]\n"
                                     "text/html=editor.desktop;\n"
                                     "\n"
                                     "[Default Applications]\n"
                                     "image/png=viewer.desktop;\n"
                                     "text/html=pemblobrowser.desktop;\n"
                                     "# a comment\n"
                                     "x-scheme-handler/http=pemblobrowser.desktop;\n"
                                     "x-scheme-handler/https=pemblobrowser.desktop;\n"
                                     "\n"
                                     "[Removed Associations]\n"
                                     "x-scheme-handler/http=bad.desktop;\n");
  EXPECT_EQ(XdgMime({"query", "default", "x-scheme-handler/http"}), "pemblobrowser.desktop");
  EXPECT_EQ(XdgMime({"query", "default", "image/png"}), "") << "viewer.desktop is not installed";
  EXPECT_EQ(DefaultApplication("image/png"), "viewer.desktop");

  // A list without the section gets it at its end.
  WriteAll(MimeAppsList(), "[Added Associations]\nimage/png=viewer.desktop;");
  RegisterDefaultBrowser();
  EXPECT_EQ(ReadAll(MimeAppsList()), "[Added Associations]\n"
                                     "image/png=viewer.desktop;\n"
                                     "\n"
                                     "[Default Applications]\n"
                                     "x-scheme-handler/http=pemblobrowser.desktop;\n"
                                     "x-scheme-handler/https=pemblobrowser.desktop;\n"
                                     "text/html=pemblobrowser.desktop;\n");
}

TEST(DesktopExecArgument, QuotesOnlyWhatTheFormatReserves) {
  const struct {
    const char *sPath, *sArgument;
  } cases[] = {
      {"/opt/Pemblo/PembloBrowser", "/opt/Pemblo/PembloBrowser"},
      {"/opt/100%/b", "/opt/100%%/b"},
      {"/opt/My Apps/b", "\"/opt/My Apps/b\""},
      {"/opt/a$b\"c", "\"/opt/a\\\\$b\\\\\"c\""},
  };
  for (const auto &c : cases)
    EXPECT_EQ(DesktopExecArgument(c.sPath), c.sArgument) << c.sPath;
}

// Answers the next question box with one button and keeps what the box showed; answers
// nothing once it goes.
class TBoxAnswerer {
public:
  explicit TBoxAnswerer(QMessageBox::StandardButton button) {
    QObject::connect(&FTimer, &QTimer::timeout, [this, button] {
      auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
      if (!box)
        return;
      FTimer.stop();
      bShown = true;
      sTitle = box->windowTitle();
      sText = box->text();
      eIcon = box->icon();
      eButtons = box->standardButtons();
      bOwned = box->parentWidget() != nullptr;
      box->button(button)->click();
    });
    FTimer.start(10);
  }

  bool bShown = false;
  QString sTitle, sText;
  QMessageBox::Icon eIcon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons eButtons;
  bool bOwned = false;

private:
  QTimer FTimer;
};

TEST_F(DefaultBrowserTest, OfferAsksWhenNotDefaultAndYesRegisters) {
  for (QMessageBox::StandardButton answer : {QMessageBox::No, QMessageBox::Yes}) {
    TBoxAnswerer seen(answer);
    MakeDefaultBrowserOffer();
    ASSERT_TRUE(seen.bShown);
    EXPECT_EQ(seen.sTitle, "Sunvale绿色浏览器");
    EXPECT_EQ(seen.sText, "Sunvale绿色浏览器不是您的默认浏览器,是否将它设置成为默认浏览器？");
    EXPECT_EQ(seen.eIcon, QMessageBox::Information);
    EXPECT_EQ(seen.eButtons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_FALSE(seen.bOwned);
    EXPECT_EQ(IsDefaultBrowser(), answer == QMessageBox::Yes);
  }
  // Default now: no question (a box would hold this call until the timer gave up).
  TBoxAnswerer seen(QMessageBox::No);
  MakeDefaultBrowserOffer();
  WaitUntil([] { return false; }, 100);
  EXPECT_FALSE(seen.bShown);
}

}  // namespace
