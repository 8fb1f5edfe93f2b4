#pragma once
// Launching: start a file through the shell, open an address in the suite's filtered browser.
// Failures raise std::runtime_error with the text shown to the user.
#include <QString>
#include <cstdint>

// GetExePath() combined with "../PembloBrowser/PembloBrowser"; raises
// "文件：" + path + "不存在！" (full-width colon) when there is no such file.
QString GetBrowserPath();

// Opens fileName with its parameters through the shell and returns the shell's result
// (above 32: success) unchecked; raises "文件:" + fileName + "不存在！" (plain colon) when no
// such file exists.
intptr_t RunFile(const QString &fileName, const QString &parameters);

// Opens url in the filtered browser, the address in double quotes as its whole parameter text.
// Without the browser the address goes to the default handler, with no message. Raises
// "Url地址长度不对！" for an address of 7 characters or fewer.
intptr_t OpenUrl(const QString &url);
