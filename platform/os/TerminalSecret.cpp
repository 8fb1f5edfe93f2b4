#include "platform/os/TerminalSecret.h"

#include <cstdio>
#include <iostream>
#include <string>
#include <termios.h>
#include <unistd.h>

bool InputIsTerminal() { return ::isatty(STDIN_FILENO) == 1; }

QString ReadSecretLine(const QString &prompt) {
  const bool terminal = InputIsTerminal();
  termios saved{};
  if (terminal) {
    std::fputs(prompt.toUtf8().constData(), stderr);
    ::tcgetattr(STDIN_FILENO, &saved);
    termios quiet = saved;
    quiet.c_lflag &= tcflag_t(~ECHO);
    ::tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
  }
  std::string line;
  std::getline(std::cin, line);
  if (terminal) {
    ::tcsetattr(STDIN_FILENO, TCSANOW, &saved);
    std::fputs("\n", stderr);
  }
  return QString::fromStdString(line);
}
