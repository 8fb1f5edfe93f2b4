#include "common/uSchedule.h"
#include "platform/errors/Errors.h"

namespace {

// Reads one schedule text from left to right; every fault names the entry and the character.
class TScheduleReader {
public:
  explicit TScheduleReader(const QString &text) : FText(text) {}

  std::vector<TScheduleWindow> ReadAll() {
    std::vector<TScheduleWindow> windows;
    while (FPos < FText.size()) {
      ++FEntry;
      TScheduleWindow window;
      Expect(QStringLiteral("iweek:"));
      window.iWeek = Day();
      Expect(QStringLiteral(";tstart:"));
      window.tStart = Time();
      Expect(QStringLiteral(";tend:"));
      window.tEnd = Time();
      Expect(QStringLiteral(","));
      if (window.tEnd < window.tStart)
        Fail(QStringLiteral("tend %1 lies before tstart %2")
                 .arg(window.tEnd.toString(u"HH:mm"), window.tStart.toString(u"HH:mm")));
      windows.push_back(window);
    }
    return windows;
  }

private:
  [[noreturn]] void Fail(const QString &what) const {
    Raise(QStringLiteral("schedule text, entry %1 at character %2: %3").arg(FEntry).arg(FPos + 1).arg(what));
  }

  void Expect(const QString &word) {
    if (!QStringView(FText).mid(FPos).startsWith(word))
      Fail(QStringLiteral("\"%1\" expected, found \"%2\"").arg(word, Rest()));
    FPos += word.size();
  }

  QString Rest() const {
    const QString rest = FText.mid(FPos, 12);
    return rest.isEmpty() ? QStringLiteral("end of text") : rest;
  }

  int Digit() {
    if (FPos >= FText.size() || !FText[FPos].isDigit() || FText[FPos].unicode() > '9')
      Fail(QStringLiteral("digit expected, found \"%1\"").arg(Rest()));
    return FText[FPos++].unicode() - '0';
  }

  int Day() {
    const int day = Digit();
    if (day > 6 || (FPos < FText.size() && FText[FPos].isDigit()))
      Fail(QStringLiteral("day must be 0 (Monday) to 6 (Sunday)"));
    return day;
  }

  // "HH:mm", two digits each.
  QTime Time() {
    const int start = FPos;
    const int hour = Digit() * 10 + Digit();
    Expect(QStringLiteral(":"));
    const int minute = Digit() * 10 + Digit();
    if (hour > 23 || minute > 59) {
      FPos = start;
      Fail(QStringLiteral("time %1 is not a time of day (00:00 to 23:59)").arg(FText.mid(start, 5)));
    }
    return QTime(hour, minute);
  }

  const QString &FText;
  qsizetype FPos = 0;
  int FEntry = 0;
};

int MinuteOfDay(const QTime &time) { return time.hour() * 60 + time.minute(); }

const TScheduleWindow *WindowAt(const std::vector<TScheduleWindow> &windows, const QDateTime &moment) {
  const QDateTime local = moment.toLocalTime();
  const int day = local.date().dayOfWeek() - 1;
  const int minute = MinuteOfDay(local.time());
  for (const auto &window : windows)
    if (window.iWeek == day && MinuteOfDay(window.tStart) <= minute && minute <= MinuteOfDay(window.tEnd))
      return &window;
  return nullptr;
}

}  // namespace

std::vector<TScheduleWindow> ParseSchedule(const QString &text) { return TScheduleReader(text).ReadAll(); }

std::vector<TScheduleWindow> ScheduleOrAlways(const QString &text) {
  try {
    std::vector<TScheduleWindow> windows = ParseSchedule(text);
    if (!windows.empty())
      return windows;
  } catch (const EPembloError &) {
  }
  return AlwaysSchedule();
}

std::vector<TScheduleWindow> AlwaysSchedule() {
  std::vector<TScheduleWindow> always;
  for (int day = 0; day < 7; ++day)
    always.push_back({day, QTime(0, 0), QTime(23, 59)});
  return always;
}

bool Contains(const std::vector<TScheduleWindow> &windows, const QDateTime &moment) {
  return WindowAt(windows, moment) != nullptr;
}

std::optional<QDateTime> WindowEnd(const std::vector<TScheduleWindow> &windows, const QDateTime &moment) {
  const TScheduleWindow *window = WindowAt(windows, moment);
  if (!window)
    return std::nullopt;
  QDateTime end = QDateTime(moment.toLocalTime().date(), window->tEnd).addSecs(60);
  // A period over midnight is written as two windows, one on each day: the end is where the
  // last window that follows on without a gap ends. Windows that follow on round the whole
  // week never end.
  for (int day = 0; day < 7; ++day) {
    window = WindowAt(windows, end);
    if (!window)
      return end;
    end = QDateTime(end.date(), window->tEnd).addSecs(60);
  }
  return std::nullopt;
}

std::optional<QDateTime> NextWindowStart(const std::vector<TScheduleWindow> &windows, const QDateTime &moment) {
  const QDateTime local = moment.toLocalTime();
  std::optional<QDateTime> next;
  // Every window begins once a week: today's later starts and those of the next seven days.
  for (int day = 0; day <= 7; ++day) {
    const QDate date = local.date().addDays(day);
    for (const auto &window : windows) {
      const QDateTime start(date, window.tStart);
      if (window.iWeek == date.dayOfWeek() - 1 && start > local && (!next || start < *next))
        next = start;
    }
  }
  return next;
}
