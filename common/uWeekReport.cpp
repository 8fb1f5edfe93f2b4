#include "common/uWeekReport.h"

#include "common/uGuardLink.h"
#include "common/uPathFunc.h"
#include "common/uPenalta.h"
#include "platform/cp936/CodePage936Qt.h"
#include "platform/os/FileDescriptor.h"

#include <QByteArrayView>
#include <QDataStream>
#include <QFile>
#include <QHash>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>

namespace {

const QString DayFileFormat = QStringLiteral("yyyy-MM-dd");

using TDecode = QString (*)(const QByteArray &);
QString FromUtf8(const QByteArray &bytes) { return QString::fromUtf8(bytes); }

// The most different names a tally counts.
constexpr qsizetype MostTallyNames = 100000;

// The longest host name there is.
constexpr qsizetype MostHostBytes = 253;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool AllDigits(QByteArrayView text) {
  return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](char c) { return IsDigit(c); });
}

// The text of a log line behind its "[hh:mm]  "; empty when the line has no such start.
QByteArrayView LoggedText(QByteArrayView line) {
  while (!line.isEmpty() && (line.back() == '\n' || line.back() == '\r'))
    line.chop(1);
  if (line.size() < 10 || line[0] != '[' || !IsDigit(line[1]) || !IsDigit(line[2]) || line[3] != ':' ||
      !IsDigit(line[4]) || !IsDigit(line[5]) || line[6] != ']' || line[7] != ' ' || line[8] != ' ')
    return {};
  return line.sliced(9);
}

QByteArrayView HostBytes(QByteArrayView address) {
  const qsizetype scheme = address.indexOf("://");
  if (scheme >= 0)
    address = address.sliced(scheme + 3);
  qsizetype end = 0;
  while (end < address.size() && address[end] != '/' && address[end] != '?' && address[end] != '#' &&
         address[end] != '\\' && address[end] != ' ')
    ++end;
  QByteArrayView host = address.first(end);
  if (const qsizetype at = host.lastIndexOf('@'); at >= 0)
    host = host.sliced(at + 1);
  if (host.startsWith('[')) {  // an IPv6 address keeps its brackets
    const qsizetype close = host.indexOf(']');
    return close < 0 || close >= MostHostBytes ? QByteArrayView() : host.first(close + 1);
  }
  if (const qsizetype colon = host.indexOf(':'); colon >= 0)
    host = host.first(colon);
  return host.size() > MostHostBytes ? QByteArrayView() : host;
}

// Calls `line` with each line of a day's log, read as a stream up to MostLogBytes; a line longer
// than MostLineBytes is passed on empty, never held whole. False when the log is there but could
// not be read whole: not a regular file (a folder; a FIFO, which would wait for a writer), no
// read rights, or longer than the bound. A missing log has no lines.
bool ForEachLine(const QString &path, const std::function<void(QByteArrayView)> &line) {
  const TFd fd(::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (fd.Get() < 0)
    return errno == ENOENT;
  struct stat info {};
  if (::fstat(fd.Get(), &info) != 0 || !S_ISREG(info.st_mode))
    return false;
  // Read in blocks, each whole line in the buffer passed on as it stands; a line that outgrows
  // the buffer is passed on empty once and the rest of it dropped up to its newline.
  QByteArray buffer(2 * MostLineBytes, Qt::Uninitialized);
  qsizetype held = 0;
  qint64 left = MostLogBytes;
  bool inLongLine = false;
  auto pass = [&](QByteArrayView text) {
    if (inLongLine)
      inLongLine = false;
    else
      line(text.size() > MostLineBytes ? QByteArrayView() : text);
  };
  while (true) {
    const qint64 room = std::min(qint64(buffer.size() - held), left);
    const ssize_t got = room > 0 ? ::read(fd.Get(), buffer.data() + held, size_t(room)) : 0;
    if (got < 0 && errno == EINTR)
      continue;
    if (got < 0)
      return false;
    held += got;
    left -= got;
    qsizetype start = 0;
    while (const char *end = static_cast<const char *>(std::memchr(buffer.constData() + start, '\n', held - start))) {
      const qsizetype next = end - buffer.constData() + 1;
      pass(QByteArrayView(buffer.constData() + start, next - start));
      start = next;
    }
    held -= start;
    std::memmove(buffer.data(), buffer.constData() + start, size_t(held));
    if (got > 0)
      continue;
    if (held == buffer.size()) {  // a line longer than the buffer
      if (!inLongLine)
        line({});
      inLongLine = true;
      held = 0;
      continue;
    }
    char more = 0;
    if (left <= 0 && ::read(fd.Get(), &more, 1) != 0)
      return false;  // past the bound (or unreadable): the rest is not read
    if (held > 0)
      pass(QByteArrayView(buffer.constData(), held));  // the last line, without its newline
    return true;
  }
}

// A name as the page shows it: a control character, or one that reorders or hides the text
// around it (a right-to-left override, a zero-width joiner), is shown as U+FFFD.
QString Shown(QString name) {
  for (QChar &c : name)
    if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format)
      c = QChar::ReplacementCharacter;
  return name;
}

// Counts by name, the names as read from a file; past MostTallyNames different names a new name
// is not counted (a week of that many hosts is made to flood the report, not browsed).
class TTally {
public:
  void Add(QByteArrayView name, int32_t count = 1) {
    if (name.isEmpty())
      return;
    // The name lowered into a key kept between calls: a line of a known name allocates nothing.
    FKey.resize(name.size());
    std::transform(name.begin(), name.end(), FKey.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; });
    if (const auto known = FCounts.find(FKey); known != FCounts.end())
      *known += count;
    else if (FCounts.size() < MostTallyNames)
      FCounts.insert(FKey, count);
  }
  // The largest counts; only those names are decoded.
  std::vector<TReportCount> Top(TDecode decode) const {
    using TEntry = std::pair<int32_t, const QByteArray *>;
    std::vector<TEntry> all;
    all.reserve(size_t(FCounts.size()));
    for (auto it = FCounts.cbegin(); it != FCounts.cend(); ++it)
      all.emplace_back(it.value(), &it.key());
    const auto top = all.begin() + std::ptrdiff_t(std::min(all.size(), ReportTopLength));
    std::partial_sort(all.begin(), top, all.end(), [](const TEntry &a, const TEntry &b) {
      return a.first != b.first ? a.first > b.first : *a.second < *b.second;
    });
    std::vector<TReportCount> counts;
    for (auto it = all.begin(); it != top; ++it)
      counts.push_back({Shown(decode(*it->second)), it->first});
    std::sort(counts.begin(), counts.end(), [](const TReportCount &a, const TReportCount &b) {
      return a.iCount != b.iCount ? a.iCount > b.iCount : a.sName < b.sName;
    });
    return counts;
  }

private:
  QHash<QByteArray, int32_t> FCounts;
  QByteArray FKey;
};

// "<hits> hits" and, behind two blanks, "<word> <count>, <word> <count>": the words are added to
// `words`; false when the findings are not in that form.
bool ReadFindings(QByteArrayView findings, TTally &words) {
  const qsizetype listStart = findings.indexOf("  ");
  const QByteArrayView hits = listStart < 0 ? findings : findings.first(listStart);
  if (!hits.endsWith(" hits") || !AllDigits(hits.chopped(5)))
    return false;
  if (listStart < 0)
    return true;
  std::vector<QByteArrayView> found;
  QByteArrayView rest = findings.sliced(listStart + 2);
  while (true) {
    const qsizetype comma = rest.indexOf(", ");
    const QByteArrayView item = comma < 0 ? rest : rest.first(comma);
    const qsizetype blank = item.lastIndexOf(' ');
    if (blank <= 0 || !AllDigits(item.sliced(blank + 1)))
      return false;
    found.push_back(item.first(blank));
    if (comma < 0)
      break;
    rest = rest.sliced(comma + 2);
  }
  for (QByteArrayView word : found)
    words.Add(word);
  return true;
}

QDate DayOfRecord(const QString &text) { return QDate::fromString(text.left(11), QStringLiteral("yyyy年MM月dd日")); }

}  // namespace

QString AddressHost(const QString &address) {
  return QString::fromUtf8(HostBytes(address.toUtf8()).toByteArray()).toLower();
}

TWeekReport ReadWeekReport(const TWeekSources &sources, const QDate &today) {
  TWeekReport report;
  const QDate first = today.addDays(1 - ReportDays);
  for (int i = 0; i < ReportDays; ++i)
    report.days[size_t(i)].dDay = first.addDays(i);
  auto dayIndex = [&](const QDate &day) { return day.isValid() ? first.daysTo(day) : -1; };

  TTally visited, blocked, words;
  for (TReportDay &day : report.days) {
    const QString name = day.dDay.toString(DayFileFormat) + QStringLiteral(".txt");
    const bool browseRead = ForEachLine(sources.sBrowseFolder + name, [&](QByteArrayView line) {
      const QByteArrayView address = LoggedText(line);
      if (address.isEmpty()) {
        ++report.iSkipped;
        return;
      }
      ++day.iVisits;
      visited.Add(HostBytes(address));
    });
    const bool blockRead = ForEachLine(sources.sBlockFolder + name, [&](QByteArrayView line) {
      const QByteArrayView text = LoggedText(line);
      const qsizetype split = text.indexOf("  ");
      if (split <= 0) {
        ++report.iSkipped;
        return;
      }
      const QByteArrayView findings = text.sliced(split + 2);
      static constexpr QByteArrayView BlackList("black list ");
      if (findings.startsWith(BlackList) && AllDigits(findings.sliced(BlackList.size())))
        ++day.iListBlocks;
      else if (ReadFindings(findings, words))
        ++day.iWordBlocks;
      else {
        ++report.iSkipped;
        return;
      }
      blocked.Add(HostBytes(text.first(split)));
    });
    report.iUnreadLogs += int32_t(!browseRead) + int32_t(!blockRead);
  }
  report.topVisited = visited.Top(&FromCp936);
  report.topBlocked = blocked.Top(&FromUtf8);
  report.topWords = words.Top(&FromUtf8);

  for (const THistoryRecords &row : sources.violations) {
    const QDate day = DayOfRecord(row.datetime);
    if (!day.isValid()) {
      ++report.iSkipped;
      continue;
    }
    const qint64 index = dayIndex(day);
    if (index < 0 || index >= ReportDays)
      continue;
    ++report.days[size_t(index)].iViolations;
    report.violations.push_back(row);
  }
  if (report.violations.size() > MostReportViolations)
    report.violations.erase(report.violations.begin(), report.violations.end() - std::ptrdiff_t(MostReportViolations));

  // The count at each day's end, told back from today's: a day's violations each added a card
  // (none past the full count); a cancelling took back a number of cards that is not recorded.
  std::array<bool, ReportDays> cancelled{};
  bool cancelUnread = false;
  for (const TCancelRecordModel &row : sources.cancels) {
    const QDate day = DayOfRecord(row.time);
    if (!day.isValid()) {
      cancelUnread = true;
      ++report.iSkipped;
      continue;
    }
    const qint64 index = dayIndex(day);
    if (index >= 0 && index < ReportDays)
      cancelled[size_t(index)] = true;
  }
  report.days.back().iCards = std::clamp(sources.iCardsNow, 0, TPenalta::MaxCards);
  for (int i = ReportDays - 1; i > 0 && !cancelUnread; --i) {
    const TReportDay &day = report.days[size_t(i)];
    const int32_t before = day.iCards - day.iViolations;
    if (day.iCards < 0 || cancelled[size_t(i)] || (day.iCards == TPenalta::MaxCards && day.iViolations > 0) ||
        before < 0)
      break;
    report.days[size_t(i - 1)].iCards = before;
  }
  return report;
}

TWeekReport LoadWeekReport(const QDate &today) {
  if (const TGuardLink *guard = TGuardLink::Active())
    return ReadWeekReportStream(
        guard->Call(QStringLiteral("GetWeekReport"), {today.toString(Qt::ISODate)}).value(0).toByteArray());
  TWeekSources sources;
  sources.sBrowseFolder = GetBrowseLogPath();
  sources.sBlockFolder = GetBlockLogPath();
  for (const auto &row : THistoryRecordsDao().QueryAll())
    sources.violations.push_back(*row);
  for (const auto &row : TCancelRecordsDao().QueryAll())
    sources.cancels.push_back(*row);
  sources.iCardsNow = TPenalta().YCount();
  return ReadWeekReport(sources, today);
}

namespace {

constexpr QDataStream::Version StreamVersion = QDataStream::Qt_6_4;

}  // namespace

QByteArray WriteWeekReportStream(const TWeekReport &report) {
  QByteArray bytes;
  QDataStream out(&bytes, QIODevice::WriteOnly);
  out.setVersion(StreamVersion);
  for (const TReportDay &day : report.days)
    out << day.dDay << day.iVisits << day.iWordBlocks << day.iListBlocks << day.iViolations << day.iCards;
  for (const auto *list : {&report.topVisited, &report.topBlocked, &report.topWords}) {
    out << quint32(list->size());
    for (const TReportCount &count : *list)
      out << count.sName << count.iCount;
  }
  out << quint32(report.violations.size());
  for (const THistoryRecords &row : report.violations)
    out << row.hid << row.datetime << row.item;
  out << report.iSkipped << report.iUnreadLogs;
  return bytes;
}

TWeekReport ReadWeekReportStream(const QByteArray &stream) {
  TWeekReport report;
  QDataStream in(stream);
  in.setVersion(StreamVersion);
  for (TReportDay &day : report.days)
    in >> day.dDay >> day.iVisits >> day.iWordBlocks >> day.iListBlocks >> day.iViolations >> day.iCards;
  auto size = [&](quint32 most) {
    quint32 count = 0;
    in >> count;
    if (in.status() != QDataStream::Ok || count > most)
      GuardBus::RaiseUnreadableAnswer();
    return count;
  };
  for (auto *list : {&report.topVisited, &report.topBlocked, &report.topWords})
    for (quint32 i = size(ReportTopLength); i > 0; --i) {
      TReportCount count;
      in >> count.sName >> count.iCount;
      list->push_back(count);
    }
  for (quint32 i = size(MostReportViolations); i > 0; --i) {
    THistoryRecords row;
    in >> row.hid >> row.datetime >> row.item;
    report.violations.push_back(row);
  }
  in >> report.iSkipped >> report.iUnreadLogs;
  if (in.status() != QDataStream::Ok || !in.atEnd())
    GuardBus::RaiseUnreadableAnswer();
  return report;
}
