#pragma once
// Internet shortcut files (".url"), the favorites' file format shared with other browsers: an
// INI-style text whose section "[InternetShortcut]" holds the address in "URL=". Written by the
// page's add-favorite dialog, read by the favorites panel. Touches only the files it is given.
#include <QString>

// aName made fit for a file name: trimmed, and characters that a file name cannot hold on any
// of the systems that share favorites replaced by "_".
QString ShortcutFileName(const QString &aName);

// Writes "[InternetShortcut]" / "URL=" + aUrl into aFolder (created when missing) under aName
// made fit for a file name, never over an existing shortcut: a taken name gets " (2)", " (3)"..
// Returns the file's path. Raises "无法创建目录:" + folder or "无法创建文件:" + path.
QString WriteInternetShortcut(const QString &aFolder, const QString &aName, const QString &aUrl);

// The address in the shortcut file at aPath. Lines may end in CR LF or LF; a UTF-8 or UTF-16
// byte-order mark is honoured; text without one is UTF-8, or code page 936 when it is not valid
// UTF-8 (shortcuts saved by the system in its ANSI code page). Other sections and keys are
// skipped; section and key names compare without regard to letter case.
// Raises "文件:" + path + "不存在!" for a missing file and "无效的Internet快捷方式:" + path
// for a file without an address.
QString ReadInternetShortcut(const QString &aPath);
