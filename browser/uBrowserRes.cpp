#include "browser/uBrowserRes.h"

#include <QtGlobal>
#include <array>

namespace {

const std::array<const char *, BrowserStringCount> BrowserStrings = {
    "Sunvale网址大全",
    "Sunvale爱问",
    "Sunvale爱说",  // link texts
    "SVDD",
    "SVAW",
    "SVAS",  // link codes
};

const char *const SiteHost = "www.sunvale.cn";

}  // namespace

QString LoadBrowserString(int id) {
  if (id < 0 || id >= BrowserStringCount)
    return QString();
  return QString::fromUtf8(BrowserStrings[size_t(id)]);
}

QString HomePageAddress() {
  const QString local = qEnvironmentVariable("PEMBLO_HOME_PAGE");
  if (!local.isEmpty())
    return local;
  return QStringLiteral("http://%1/").arg(QLatin1String(SiteHost));
}

QString AskPageAddress() { return QStringLiteral("http://%1:8080/ask").arg(QLatin1String(SiteHost)); }

QString CommunityPageAddress() { return QStringLiteral("http://%1:8080/sns/").arg(QLatin1String(SiteHost)); }
