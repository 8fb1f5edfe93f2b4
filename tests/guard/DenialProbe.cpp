// A guard's file denial alone, in a process of its own that a test may kill at any moment:
//   pemblo_denial_probe RECORD restore              gives back every file of the record
//   pemblo_denial_probe RECORD UID[,UID...] FILE...  denies the files to the accounts, says
//                                                    "applied" and waits for the end of its input
// Each problem noted is written as a line before "applied" (or the end).
#include "guard/uFileDenial.h"

#include <QStringList>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

int main(int argc, char **argv) {
  if (argc < 3) {
    std::fputs("usage: pemblo_denial_probe RECORD restore | RECORD UID[,UID...] FILE...\n", stderr);
    return 2;
  }
  TFileDenial denial(QString::fromLocal8Bit(argv[1]));
  const QString step = QString::fromLocal8Bit(argv[2]);
  if (step == QStringLiteral("restore")) {
    denial.RestoreFromRecord();
  } else {
    std::vector<uid_t> users;
    for (const QString &uid : step.split(QLatin1Char(',')))
      users.push_back(uid.toUInt());
    QStringList files;
    for (int i = 3; i < argc; ++i)
      files << QString::fromLocal8Bit(argv[i]);
    denial.Apply(files, users);
  }
  for (const QString &problem : denial.Problems())
    std::cout << problem.toStdString() << "\n";
  if (step != QStringLiteral("restore")) {
    std::cout << "applied" << std::endl;
    for (std::string line; std::getline(std::cin, line);) {
    }
  }
  return 0;
}
