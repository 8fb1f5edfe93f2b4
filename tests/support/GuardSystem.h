#pragma once
// A machine as the guard meets it, made for one test: a private system bus (a dbus-daemon of type
// system with Debian's system policy, listening in a fresh temporary folder instead of the machine's
// socket, with the given policy files and none of the machine's), throwaway Unix accounts (useradd,
// removed with their home after), programs run as one of them with a clean environment, and a copy
// of a build folder those accounts can reach. It changes the machine's account files
// (/etc/passwd, /etc/group) and needs root: a test asks CanRunAccounts() first and skips with its
// answer. Everything it makes goes again when its object goes (the copies at the end of the process);
// the daemon and the programs it starts end with the test's process even when that crashes (a
// parent-death signal: start them from the thread that lives as long as they do), and accounts a
// crashed test process left are removed when the next account is made.
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <sys/types.h>

// Whether this process may make accounts and run programs as them (root, with useradd, userdel,
// groupadd, groupdel, setpriv, dbus-daemon and Debian's system bus policy present); if not, why.
bool CanRunAccounts(QString *why);

// The guard's bus policy of the source tree, the file a private system bus loads to host the guard.
QString GuardPolicyFile();

class TPrivateSystemBus {
public:
  // policyFiles: absolute paths of bus policy files (such as a service's file of system.d), read
  // after Debian's system policy, so they open holes in it as on a real machine. Raises
  // std::runtime_error with dbus-daemon's own words when it does not start.
  explicit TPrivateSystemBus(const QStringList &policyFiles);
  ~TPrivateSystemBus();
  TPrivateSystemBus(const TPrivateSystemBus &) = delete;
  TPrivateSystemBus &operator=(const TPrivateSystemBus &) = delete;

  // "unix:path=...,guid=...", for DBUS_SYSTEM_BUS_ADDRESS or QDBusConnection::connectToBus; every
  // account may connect.
  QString Address() const { return FAddress; }

private:
  QTemporaryDir FFolder;
  QProcess FDaemon;
  QString FAddress;
};

class TTestAccount {
public:
  // A new account ("pemblotest<pid>_<n>", own group, home under /home, /bin/bash) in the given
  // supplementary groups; a group missing on the machine is made, and removed with the last
  // account of this process that needed it. Raises std::runtime_error when useradd refuses.
  explicit TTestAccount(const QStringList &groups = {});
  ~TTestAccount();
  TTestAccount(const TTestAccount &) = delete;
  TTestAccount &operator=(const TTestAccount &) = delete;

  QString Name() const { return FName; }
  uid_t Uid() const { return FUid; }
  gid_t Gid() const { return FGid; }
  QString Home() const { return FHome; }

private:
  QString FName;
  uid_t FUid = 0;
  gid_t FGid = 0;
  QString FHome;
  QStringList FGroups;
};

struct TRunResult {
  int iExitCode = -1;  // -1: did not start, crashed or was ended at the time limit
  QString sOut;
  QString sErr;
};

// Runs a program as the account (null: as this process's own user, root) in the account's home,
// with only `env` and the account's HOME, USER, LOGNAME and PATH in its environment, `input` on
// its standard input. Waits with the event loop running, so objects this process serves on a bus
// answer the program's calls meanwhile; a program still running after timeoutMs is killed.
TRunResult RunAs(const TTestAccount *account, const QString &program, const QStringList &args,
                 const QProcessEnvironment &env, const QByteArray &input = {}, int timeoutMs = 30000);
// The same for a program that keeps running: started (check waitForStarted), owned by the caller.
std::unique_ptr<QProcess> StartAs(const TTestAccount *account, const QString &program, const QStringList &args,
                                  const QProcessEnvironment &env);

// `folder` itself when every account may reach it (each folder above it open to others, every
// file in it readable and, where its owner may run it, runnable by others); otherwise a copy
// that every account may read and run, made once per process in a temporary folder and removed at
// the end of the process. The copy keeps the folder's name, its symbolic links as they are and
// its modes, opened to others: copy build/out as a whole, as its programs find one another by
// relative paths (a link pointing outside the folder still points at the original).
QString ReachableCopy(const QString &folder);
