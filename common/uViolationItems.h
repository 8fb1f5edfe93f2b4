#pragma once
// The history items of violations, the text the history window shows and splits: "违约使用了" + a
// program's name, "违约访问了" + a web site's host name, without commas or colons (the history's
// text is split at them). Shared by the host and the guard, which both write violation rows.
// Touches nothing.
#include <QDateTime>
#include <QString>

// The time of a violation as the history keeps it: "yyyy年MM月dd日 hh时mm分".
QString ViolationTime(const QDateTime &time);
QString ProgramViolationItem(const QString &programName);
QString WebViolationItem(const QString &address);
