#pragma once
// The history items of violations, one text for the host and the guard: without commas or colons
// (the history's text is split at them), "违约使用了" + a program's name, "违约访问了" + a web
// site's host name. Pure text; touches nothing.
#include <QString>

QString ProgramViolationItem(const QString &programName);
QString WebViolationItem(const QString &address);
