#pragma once
// What a program limit will really end. The parent picks a name, a path or a desktop launcher;
// what runs is a program file, which may be started by a launcher script that `exec`s another
// program. This module turns the pick into the canonical path the row stores and the programs a
// running process is compared with, and says in the user's language why a pick is no program.
// The management window and whoever enforces the rows use it alike, so what the parent is shown
// is what is enforced. Reads the files it is given and PATH; touches nothing else.
#include <QString>
#include <QStringList>

struct TLimitTarget {
  QString sPath;         // what the row stores: the canonical path of the pick
  QStringList Programs;  // canonical programs a process is compared with; empty for no program
  QString sError;        // why the pick is no program; empty when it is one
};

// A pick without a folder is looked up on PATH; a relative path is refused, since whoever
// enforces the row runs in another folder. A ".desktop" launcher stands for the program of its
// Exec line. A shell script that `exec`s a program (a launcher, as many programs are installed)
// names that program too, followed through further launchers. A script interpreter, the dynamic
// loader and a multi-call program (busybox and the like) are refused, saying which it is: each runs
// many programs, which a row on it would all end.
TLimitTarget ResolveLimitTarget(const QString &pick);

// What the parent is shown for a target: its path, and the programs a launcher starts.
QString DescribeLimitTarget(const TLimitTarget &target);

// The problem of a stored row that whoever enforces it cannot read; empty when there is none.
// Both the host's notice and the management window's list show it.
// `target` is what ResolveLimitTarget made of `app`, so a row's files are read once.
QString LimitRowProblem(const QString &app, const TLimitTarget &target, const QString &dt);
