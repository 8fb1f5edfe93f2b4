// A second process that holds the write lock of a database file: it opens the file with the
// given connection string, begins a transaction (which takes the write lock), reports
// "locked" and keeps the lock until a line arrives on its standard input.
#include "platform/ado/AdoConnection.h"

#include <QString>
#include <cstdio>
#include <exception>
#include <iostream>
#include <string>

int main(int argc, char **argv) {
  if (argc < 2)
    return 2;
  try {
    TAdoConnection conn;
    conn.SetConnectionString(QString::fromUtf8(argv[1]));
    conn.Open();
    conn.BeginTrans();
    std::puts("locked");
    std::fflush(stdout);
    std::string line;
    std::getline(std::cin, line);
    conn.RollbackTrans();
    std::puts("released");
    std::fflush(stdout);
    return 0;
  } catch (const std::exception &e) {
    std::printf("error %s\n", e.what());
    return 1;
  }
}
