#include "datastore/uWebBlackList.h"
#include "datastore/uWebsDao.h"

#include <QStringList>

namespace {

// The typed address as a URL: without a scheme it is taken as a web address.
QUrl TypedAddress(const QString &typed) {
  const QString text = typed.trimmed();
  QUrl url(text.contains(QStringLiteral("://")) ? text : QStringLiteral("http://") + text, QUrl::StrictMode);
  return url;
}

// The host as it is compared: lower case, in its ASCII form (an international name as
// "xn--..."), without the final dots of a fully qualified name, an IPv4 address in dotted
// decimal (QUrl reads the decimal, octal and hexadecimal spellings the engine reads) also where
// it is written as an IPv6 address mapped from it.
QString CanonicalHost(const QUrl &url) {
  QString host = url.host(QUrl::EncodeUnicode).toLower();
  while (host.endsWith(u'.'))
    host.chop(1);
  static const QString mapped = QStringLiteral("::ffff:");
  if (host.startsWith(mapped) && host.indexOf(u':', mapped.size()) < 0)
    host.remove(0, mapped.size());
  return host;
}

// The path as it is compared: percent-encoded, with the characters that need no encoding
// decoded (QUrl does so) and a slash written as %2F read as one, without path parameters
// (";x=1"), empty segments (repeated slashes) and dot segments, in lower case, without a final
// "/"; the root is empty. Servers read these spellings as one path.
QString CanonicalPath(const QUrl &url) {
  QString encoded = url.path(QUrl::FullyEncoded);
  encoded.replace(QStringLiteral("%2F"), QStringLiteral("/"), Qt::CaseInsensitive);
  QStringList segments;
  for (QString segment : encoded.split(u'/')) {
    const qsizetype parameters = segment.indexOf(u';');
    if (parameters >= 0)
      segment.truncate(parameters);
    if (segment == QLatin1String("..")) {
      if (!segments.isEmpty())
        segments.removeLast();
    } else if (!segment.isEmpty() && segment != QLatin1String(".")) {
      segments.append(segment.toLower());
    }
  }
  return segments.isEmpty() ? QString() : QLatin1Char('/') + segments.join(u'/');
}

bool UnderPath(const QString &path, const QString &rowPath) {
  if (rowPath.isEmpty())
    return true;
  return path.startsWith(rowPath) && (path.size() == rowPath.size() || path[rowPath.size()] == u'/');
}

}  // namespace

void TWebBlackList::Load() {
  std::vector<TBlackListRow> rows;
  for (const auto &row : TWebsDao().QueryAll())
    rows.push_back({row->iWid, row->sUrl, row->sDt});
  SetRows(rows);
}

void TWebBlackList::SetRows(const std::vector<TBlackListRow> &rows) {
  FEntries.clear();
  FByHost.clear();
  for (const TBlackListRow &row : rows) {
    const QUrl url = TypedAddress(row.sUrl);
    const QString host = CanonicalHost(url);
    if (!url.isValid() || host.isEmpty())
      continue;
    // A schedule that cannot be read blocks the address at every moment.
    TEntry entry{row, CanonicalPath(url), ScheduleOrAlways(row.sDt)};
    FByHost[host].push_back(FEntries.size());
    FEntries.push_back(std::move(entry));
  }
}

std::optional<TBlackListMatch> TWebBlackList::Check(const QUrl &address, const QDateTime &now) const {
  if (FEntries.empty())
    return std::nullopt;
  const QString host = CanonicalHost(address);
  const QString path = CanonicalPath(address);
  // The host itself, then each domain above it: www.game.example, game.example, example.
  for (qsizetype from = 0; from >= 0 && from < host.size();) {
    const auto found = FByHost.constFind(host.mid(from));
    if (found != FByHost.constEnd())
      for (size_t index : found.value()) {
        const TEntry &entry = FEntries[index];
        if (UnderPath(path, entry.sPath) && Contains(entry.Windows, now))
          return TBlackListMatch{entry.Row.iWid, entry.Row.sUrl, WindowEnd(entry.Windows, now).value_or(QDateTime())};
      }
    const qsizetype dot = host.indexOf(u'.', from);
    from = dot < 0 ? -1 : dot + 1;
  }
  return std::nullopt;
}

std::optional<QDateTime> TWebBlackList::NextWindowStart(const QDateTime &now) const {
  std::optional<QDateTime> next;
  for (const TEntry &entry : FEntries)
    if (const auto start = ::NextWindowStart(entry.Windows, now); start && (!next || *start < *next))
      next = start;
  return next;
}
