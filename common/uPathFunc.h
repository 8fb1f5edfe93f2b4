#pragma once
// Where the product's files live. Folders returned here end with "/".
// GetDataPath is the only function that fails: std::runtime_error "无法创建目录:" + path.
#include <QString>

// The path of a shell special folder (CSIDL_* of SpecialFolders.h), without a trailing "/".
QString GetSpecialFolder(int csidl);
// The folder of the running executable; in a library, the folder of the program that loaded it.
QString GetExePath();
// text unchanged when empty or ending in "/" or "\"; otherwise text + "/".
QString IncludeBackslash(const QString &text);
// The common data folder + "Pemblo/", created with its parents when missing.
QString GetDataPath();
// Joins two path parts, resolving "." and ".." steps; a second part that starts at the root
// replaces the first. Empty when both parts are empty.
QString CombinePath(const QString &first, const QString &second);
// GetDataPath() + "Log/", created when missing (a failure to create it is not reported).
QString GetLogPath();
// GetLogPath() + "浏览日志/", created the same way.
QString GetBrowseLogPath();
// GetLogPath() + "拦截日志/", created the same way.
QString GetBlockLogPath();
