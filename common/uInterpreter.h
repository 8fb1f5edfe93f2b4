#pragma once
// What a process really runs when its executable runs other files: a script interpreter (a shell,
// python, perl, awk...), the dynamic loader (which starts a program named on its command line) or a
// multi-call program (one file that is many programs, told apart by the name it is started under).
// An executable is recognised by what it is, not by the name it has: by the file identity (device
// and inode) of the interpreters, loaders and programs found on PATH and in the system's library
// folders, and a copy of an interpreter under another name by its size and content. The options
// each interpreter takes before its script are one table. Reads PATH, the folders it names, the
// library folders and the files it is asked about; touches nothing else. What it read of the
// machine is kept for the process (and read again when a folder changes): call it from one thread.
#include <QString>
#include <QStringList>
#include <functional>

// A file's identity: the same file under any path, renamed, or reached through a hard link.
struct TFileId {
  quint64 iDev = 0;
  quint64 iIno = 0;
  bool IsValid() const { return iIno != 0; }
  friend bool operator==(const TFileId &, const TFileId &) = default;
};
size_t qHash(const TFileId &id, size_t seed = 0) noexcept;

// The identity of the file a path names, through links (for /proc/<pid>/exe the running file, even
// renamed or deleted); an invalid one when it cannot be read.
TFileId FileIdOf(const QString &path);

enum class TExecutableKind { ekProgram, ekInterpreter, ekLoader, ekMultiCall };

struct TExecutable {
  TExecutableKind Kind = TExecutableKind::ekProgram;
  QString sName;  // the interpreter's or the loader's name; for a multi-call program its names
};

// What the executable file at `path` is.
TExecutable WhatExecutable(const QString &path);

enum class TRunFrom {
  rfFile,     // a file: the executable itself, or the script or program named on the command line
  rfStdin,    // a script read from standard input
  rfCommand,  // a program given as text on the command line (-c, -e, awk's program), or a module
};

struct TRunTarget {
  TRunFrom From = TRunFrom::rfFile;
  QString sFile;         // rfFile: the file, as `resolve` made it of its word
  int iWord = -1;        // the word of the command line that named it; -1 for the executable
  QString sInterpreter;  // the interpreter or loader that runs it; empty for the executable itself
};

// Turns a word of a command line into a path to read: relative words against the process's folder,
// standard input's names to where it is open. Empty when the word cannot be followed.
using TResolveWord = std::function<QString(const QString &word)>;

// What a process of `executable` started with `argv` (its name first) runs. Through the loader the
// program it starts is looked at in turn, so the loader running an interpreter yields the script.
TRunTarget RunTargetOf(const QString &executable, const QStringList &argv, const TResolveWord &resolve);
