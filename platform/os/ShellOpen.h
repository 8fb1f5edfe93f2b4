#pragma once
// The shell's "open": an executable file is started detached with its parameters; anything
// else (an address, a document, a folder) goes to the desktop's default handler, xdg-open.
// The result keeps the Windows convention: above 32 is success.
#include <QString>
#include <QStringList>
#include <cstdint>

inline constexpr intptr_t SE_ERR_FNF = 2;  // no such file
inline constexpr intptr_t SE_ERR_ACCESSDENIED = 5;
inline constexpr intptr_t SE_ERR_NOASSOC = 31;  // nothing could open it
inline constexpr intptr_t SHELL_OPEN_OK = 42;   // started

intptr_t ShellOpen(const QString &file, const QString &parameters);

// Splits a parameter text into arguments as the programs of the suite read their command line:
// blanks separate, a pair of double quotes groups blanks into one argument and is dropped.
QStringList SplitParameters(const QString &parameters);
