#pragma once
// Reading a secret (a password) from the standard input: on a terminal the prompt goes to the
// error output and the typed characters are not echoed; from a pipe one line is read as it is.
#include <QString>

// The line without its line end; empty at the end of the input.
QString ReadSecretLine(const QString &prompt);
// True when the standard input is a terminal (a person types there).
bool InputIsTerminal();
