#pragma once
// The kernel's help for the program limits: while a limit's window is open, the files it names
// are made unreadable and unrunnable for the watched accounts with a named-user entry
// `user:<uid>:---` in each file's access ACL (POSIX ACL). Named-user entries are checked before
// the group entries, so no group of the account gives the rights back, and a file that cannot be
// read cannot be started, read by an interpreter from a pipe, mapped by the dynamic loader or
// copied. When a file leaves the set its access ACL is set back to exactly what it was (the
// mode's permission bits with it).
//
// What it changed is kept in a record file (the guard's state folder), written atomically
// before a file is changed and after it is given back, so that a guard that crashed or was
// killed gives every file back at its next start. It touches only the files it is given, the
// record file and the record's copy set aside when it cannot be read. It runs as root.
#include <QString>
#include <QStringList>
#include <map>
#include <sys/types.h>
#include <vector>

class TFileDenial {
public:
  // Reads the record left by an earlier run, so nothing it lists is ever taken for a file's own
  // permissions. A record that cannot be read is set aside beside it (".damaged") and noted.
  explicit TFileDenial(QString recordFile);

  // Gives back every file of the record. The guard calls it first at its start.
  void RestoreFromRecord();
  // Makes the denied set `files` for the accounts `users`: denies what is new, gives back what
  // left, follows a change of the accounts. Paths name the files as the limits do: a symbolic
  // link stands for the file it points to. Called at every scan; nothing changes when nothing
  // did.
  void Apply(const QStringList &files, const std::vector<uid_t> &users);
  // What could not be done since the last call, one text per file, each told once while its
  // cause lasts: a file missing, replaced by another (then not given back, being another file),
  // on a file system without ACLs, owned by a watched account, or the record not written (then
  // the file is not changed).
  QStringList Problems();

private:
  struct TDenied {
    dev_t iDevice = 0;
    ino_t iInode = 0;
    QString sAcl;               // the file's own access ACL, numeric ids, comma-separated
    std::vector<uid_t> aUsers;  // the accounts denied now; empty for a file of the record
  };

  void Deny(const QString &path, const std::vector<uid_t> &users);
  void GiveBack(const QString &path);
  bool WriteRecord();
  void Note(const QString &path, const QString &text);

  QString FRecordFile;
  std::map<QString, TDenied> FDenied;  // by the file's canonical path
  std::map<QString, QString> FNoted;   // the last text told for a path
  QStringList FProblems;
};
