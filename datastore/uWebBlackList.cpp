#include "datastore/uWebBlackList.h"
#include "datastore/uMiniCarddataDaobase.h"

namespace {

// Reads the rows of `webs`; the management window writes them.
class TWebsReader : public TMiniCarddataDaobase {
public:
  std::vector<TBlackListRow> Rows() {
    std::vector<TBlackListRow> rows;
    for (const auto &row : ReadAll<TBlackListRow>(QStringLiteral("webs"), [](TAdoQuery &query, TBlackListRow &model) {
           model.iWid = query.FieldByName(QStringLiteral("wid")).AsInteger();
           model.sUrl = query.FieldByName(QStringLiteral("url")).AsString();
           model.sDt = query.FieldByName(QStringLiteral("dt")).AsString();
         }))
      rows.push_back(*row);
    return rows;
  }
};

// The typed address as a URL: without a scheme it is taken as a web address.
QUrl TypedAddress(const QString &typed) {
  const QString text = typed.trimmed();
  QUrl url(text.contains(QStringLiteral("://")) ? text : QStringLiteral("http://") + text, QUrl::StrictMode);
  return url;
}

QString WithoutTrailingSlash(QString path) {
  while (path.endsWith(u'/'))
    path.chop(1);
  return path;
}

bool UnderPath(const QString &path, const QString &rowPath) {
  if (rowPath.isEmpty())
    return true;
  return path.startsWith(rowPath) && (path.size() == rowPath.size() || path[rowPath.size()] == u'/');
}

}  // namespace

void TWebBlackList::Load() { SetRows(TWebsReader().Rows()); }

void TWebBlackList::SetRows(const std::vector<TBlackListRow> &rows) {
  FEntries.clear();
  FByHost.clear();
  for (const TBlackListRow &row : rows) {
    const QUrl url = TypedAddress(row.sUrl);
    const QString host = url.host().toLower();
    if (!url.isValid() || host.isEmpty())
      continue;
    // A schedule that cannot be read blocks the address at every moment.
    TEntry entry{row, WithoutTrailingSlash(url.path()), ScheduleOrAlways(row.sDt)};
    FByHost[host].push_back(FEntries.size());
    FEntries.push_back(std::move(entry));
  }
}

std::optional<TBlackListMatch> TWebBlackList::Check(const QUrl &address, const QDateTime &now) const {
  if (FEntries.empty())
    return std::nullopt;
  QString host = address.host().toLower();
  while (host.endsWith(u'.'))
    host.chop(1);
  const QString path = address.path().isEmpty() ? QStringLiteral("/") : address.path();
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
