#pragma once
// The reading side of the schedule text stored in the `dt` columns of `apps` and `webs`:
// "iweek:%d;tstart:%s;tend:%s," once per time window, the day 0 (Monday) to 6 (Sunday), the
// times "HH:mm" on the 24-hour clock, `tend` the last minute the window covers. Whoever
// enforces the rules reads the text back with these functions. Moments are local time; a
// period that runs over midnight is written as two windows, one on each day.
#include <QDateTime>
#include <QString>
#include <QTime>

#include <optional>
#include <vector>

struct TScheduleWindow {
  int iWeek = 0;  // 0 = Monday ... 6 = Sunday
  QTime tStart;   // first minute covered
  QTime tEnd;     // last minute covered
  bool operator==(const TScheduleWindow &) const = default;
};

// The windows of a schedule text, in text order; an empty text gives none. Anything but the
// exact written form (final comma included) raises EPembloError naming the place and the fault.
std::vector<TScheduleWindow> ParseSchedule(const QString &text);

// The windows a rule is enforced by: those of the text, or, when the text cannot be read or
// names no window (it was changed by hand or damaged; the grid never writes either), a window
// over every whole day, so the rule stays in force.
std::vector<TScheduleWindow> ScheduleOrAlways(const QString &text);
// A window over every whole day.
std::vector<TScheduleWindow> AlwaysSchedule();

// Whether the moment (local time) lies inside one of the windows.
bool Contains(const std::vector<TScheduleWindow> &windows, const QDateTime &moment);

// The first moment after the window that holds `moment` (the minute after its `tend`), followed
// through the windows that go on from there without a gap (a period over midnight); nothing
// when no window holds it, or when they go on round the whole week.
std::optional<QDateTime> WindowEnd(const std::vector<TScheduleWindow> &windows, const QDateTime &moment);

// The first moment after `moment` at which one of the windows begins (the start of its tstart
// minute, local time); nothing when there are no windows.
std::optional<QDateTime> NextWindowStart(const std::vector<TScheduleWindow> &windows, const QDateTime &moment);
