#include "browser/uDefaultBrowser.h"

#include "browser/uDesktopApps.h"
#include "browser/uIE.h"
#include "common/uRegistryHelper.h"

#include <QCoreApplication>
#include <QDir>
#include <QMessageBox>
#include <QStringList>

namespace {

const QString HttpChoice =
    QStringLiteral("\\Software\\Microsoft\\Windows\\Shell\\Associations\\UrlAssociations\\http\\UserChoice");
const QString Caption = QStringLiteral("Sunvale绿色浏览器");
const QStringList WebTypes{QStringLiteral("x-scheme-handler/http"), QStringLiteral("x-scheme-handler/https"),
                           QStringLiteral("text/html")};

QString ExePath() { return QDir::toNativeSeparators(QCoreApplication::applicationFilePath()); }

void RegisterOnXP(const QString &P, const QString &command) {
  const struct {
    QString sKey, sValue;
  } entries[] = {
      {"\\Http\\shell\\" + P + "\\command", command},
      {"\\Http\\shell", P},  // the browser's verb becomes the default verb of http
      {"http\\shell\\open\\command\\", command},
      {"\\Https\\shell\\" + P + "\\command", command},
      {"\\Https\\shell", P},
      {"https\\shell\\open\\command\\", command},
      {"htmlfile\\shell\\open\\command\\", command},
      {"\\.htm", P},
      {"\\.html", P},
      {"\\.mht", P},
      {"\\.mhtml", P},
  };
  for (const auto &e : entries)
    RegWriteString(HKEY_CLASSES_ROOT, e.sKey, QString(), e.sValue);
}

void RegisterOnVista(const QString &P) {
  const QString exe = ExePath();
  const QString C = "\\SOFTWARE\\Clients\\StartMenuInternet\\" + P;
  const QString fileExts = QStringLiteral("\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\");
  const struct {
    THKey root;
    QString sKey, sName, sValue;
  } entries[] = {
      {HKEY_CURRENT_USER, HttpChoice, "Progid", P},
      {HKEY_CURRENT_USER, "\\Software\\Microsoft\\Windows\\Shell\\Associations\\UrlAssociations\\https\\UserChoice",
       "Progid", P},
      {HKEY_LOCAL_MACHINE, C, "", "PembloBrowser WebBrowser"},
      {HKEY_LOCAL_MACHINE, C + "\\Capabilities", "ApplicationDescription", "PembloBrowser Web Browser"},
      {HKEY_LOCAL_MACHINE, C + "\\Capabilities", "ApplicationName", "PembloBrowser Web Browser"},
      {HKEY_LOCAL_MACHINE, C + "\\Capabilities", "ApplicationIcon", exe + ",0"},
      {HKEY_LOCAL_MACHINE, C + "\\Capabilities\\FileAssociations", ".htm", P},
      {HKEY_LOCAL_MACHINE, C + "\\Capabilities\\FileAssociations", ".html", P},
      {HKEY_LOCAL_MACHINE, C + "\\Capabilities\\FileAssociations", ".mht", P},
      {HKEY_LOCAL_MACHINE, C + "\\Capabilities\\FileAssociations", ".mhtm", P},
      {HKEY_LOCAL_MACHINE, C + "\\Capabilities\\FileAssociations", ".mhtml", P},
      // One letter shorter than the description, as the entry has always read.
      {HKEY_LOCAL_MACHINE, C + "\\Capabilities\\Startmenu", "StartmenuInternet", "PembloBrowser Web Browse"},
      {HKEY_LOCAL_MACHINE, C + "\\Capabilities\\UrlAssociations", "http", P},
      {HKEY_LOCAL_MACHINE, C + "\\Capabilities\\UrlAssociations", "https", P},
      {HKEY_LOCAL_MACHINE, C + "\\DefaultIcon", "", exe + ",0"},
      {HKEY_LOCAL_MACHINE, C + "\\Shell\\open\\command", "", exe},
      {HKEY_LOCAL_MACHINE, "\\SOFTWARE\\RegisteredApplications", P,
       "Software\\Clients\\StartMenuInternet\\" + P + "\\Capabilities"},
      {HKEY_CURRENT_USER, fileExts + ".htm\\UserChoice", "Progid", P},
      {HKEY_CURRENT_USER, fileExts + ".html\\UserChoice", "Progid", P},
      {HKEY_CURRENT_USER, fileExts + ".mht\\UserChoice", "Progid", P},
      {HKEY_CURRENT_USER, fileExts + ".mhtm\\UserChoice", "Progid", P},
      {HKEY_CURRENT_USER, fileExts + ".mhtml\\UserChoice", "Progid", P},
  };
  for (const auto &e : entries)
    RegWriteString(e.root, e.sKey, e.sName, e.sValue);
}

// The desktop's side, as its own settings tool does it: an entry that opens addresses with
// this program, made the default for web addresses and HTML files.
void RegisterOnDesktop() {
  WriteDesktopEntry(BrowserDesktopId, Caption, DesktopExecArgument(QCoreApplication::applicationFilePath()) + " %u",
                    WebTypes);
  SetDefaultApplication(WebTypes, BrowserDesktopId);
}

}  // namespace

QString BrowserCommandLine() { return "\"" + ExePath() + "\" \"%1\""; }

bool IsDefaultInRegistry(TWinGeneration generation) {
  const QString value = generation == TWinGeneration::XPOrOlder
                            ? RegReadString(HKEY_CLASSES_ROOT, QStringLiteral("http\\shell\\"), QString())
                            : RegReadString(HKEY_CURRENT_USER, HttpChoice, QStringLiteral("Progid"));
  return value.trimmed().compare(BrowserProgID, Qt::CaseInsensitive) == 0;
}

bool IsDefaultBrowser(TWinGeneration generation) {
  const QString desktopChoice = DefaultApplication(WebTypes.front());
  if (!desktopChoice.isEmpty())
    return desktopChoice == BrowserDesktopId;
  return IsDefaultInRegistry(generation);
}

void RegisterDefaultBrowser(TWinGeneration generation) {
  const QString &P = BrowserProgID;
  const QString command = BrowserCommandLine();
  const QString icon = GetIEIcon();
  RegWriteString(HKEY_CURRENT_USER, "\\Software\\Classes\\" + P, QString(), QStringLiteral("PembloBrowser HTML"));
  RegWriteString(HKEY_LOCAL_MACHINE, "\\Software\\Classes\\" + P, QString(), QStringLiteral("PembloBrowser HTML"));
  if (!icon.isEmpty()) {
    RegWriteString(HKEY_CURRENT_USER, "\\SOFTWARE\\Classes\\" + P + "\\DefaultIcon", QString(), icon);
    RegWriteString(HKEY_LOCAL_MACHINE, "\\SOFTWARE\\Classes\\" + P + "\\DefaultIcon", QString(), icon);
  }
  RegWriteString(HKEY_CURRENT_USER, "\\Software\\Classes\\" + P + "\\Shell\\open\\command", QString(), command);
  RegWriteString(HKEY_CURRENT_USER, "\\SOFTWARE\\Classes\\" + P + "\\Shell", QString(), QStringLiteral("open"));
  RegWriteString(HKEY_LOCAL_MACHINE, "\\Software\\Classes\\" + P + "\\Shell\\open\\command", QString(), command);
  RegWriteString(HKEY_LOCAL_MACHINE, "\\SOFTWARE\\Classes\\" + P + "\\Shell", QString(), QStringLiteral("open"));
  if (generation == TWinGeneration::XPOrOlder)
    RegisterOnXP(P, command);
  else
    RegisterOnVista(P);
  // The desktop reads its lists when it next opens something; no notice is needed.
  RegisterOnDesktop();
}

void MakeDefaultBrowserOffer() {
  if (IsDefaultBrowser())
    return;
  const auto answer = QMessageBox::information(
      nullptr, Caption, QStringLiteral("Sunvale绿色浏览器不是您的默认浏览器,是否将它设置成为默认浏览器？"),
      QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
  if (answer == QMessageBox::Yes)
    RegisterDefaultBrowser();
}
