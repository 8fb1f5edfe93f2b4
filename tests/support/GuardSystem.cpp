#include "tests/support/GuardSystem.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QTimer>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <cerrno>
#include <csignal>
#include <filesystem>
#include <grp.h>
#include <map>
#include <pwd.h>
#include <stdexcept>
#include <sys/prctl.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const QString SystemPolicy = QStringLiteral("/usr/share/dbus-1/system.conf");
// Accounts are named "pemblotest<pid>_<n>", after the test process that made them.
const QString AccountPrefix = QStringLiteral("pemblotest");

// The full path of a system tool; the administration tools sit in sbin, which a test's PATH may
// leave out.
QString Tool(const QString &name) {
  const QString found = QStandardPaths::findExecutable(name);
  if (!found.isEmpty())
    return found;
  return QStandardPaths::findExecutable(
      name, {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/bin"), QStringLiteral("/sbin"), QStringLiteral("/bin")});
}

// Runs an administration tool to its end, without the event loop.
TRunResult RunTool(const QString &name, const QStringList &args) {
  QProcess process;
  process.start(Tool(name), args);
  TRunResult result;
  if (process.waitForStarted() && process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit)
    result.iExitCode = process.exitCode();
  result.sOut = QString::fromUtf8(process.readAllStandardOutput());
  result.sErr = QString::fromUtf8(process.readAllStandardError());
  return result;
}

std::runtime_error Failure(const QString &what, const TRunResult &result) {
  return std::runtime_error((what + QStringLiteral(": ") + result.sErr.trimmed()).toStdString());
}

// Debian's system policy without what ties it to the machine: its user switch, pidfile, syslog and
// socket, its service folders and activation helper, its included files and folders. Our socket
// and the given policy files take their place, the files last, where the machine's system.d is
// read.
QByteArray PrivateConfig(const QString &socket, const QStringList &policyFiles) {
  static const QSet<QString> machineOnly{QStringLiteral("user"),       QStringLiteral("fork"),
                                         QStringLiteral("pidfile"),    QStringLiteral("syslog"),
                                         QStringLiteral("listen"),     QStringLiteral("standard_system_servicedirs"),
                                         QStringLiteral("servicedir"), QStringLiteral("servicehelper"),
                                         QStringLiteral("includedir"), QStringLiteral("include")};
  QFile in(SystemPolicy);
  if (!in.open(QIODevice::ReadOnly))
    throw std::runtime_error("cannot read " + SystemPolicy.toStdString());
  QXmlStreamReader reader(&in);
  QByteArray config;
  QXmlStreamWriter writer(&config);
  writer.setAutoFormatting(true);
  writer.writeStartDocument();
  int skipped = 0;  // depth inside an element left out
  while (!reader.atEnd()) {
    switch (reader.readNext()) {
    case QXmlStreamReader::DTD:
      writer.writeDTD(reader.text().toString());
      break;
    case QXmlStreamReader::StartElement:
      if (skipped > 0 || machineOnly.contains(reader.name().toString())) {
        ++skipped;
        break;
      }
      writer.writeStartElement(reader.name().toString());
      writer.writeAttributes(reader.attributes());
      break;
    case QXmlStreamReader::EndElement:
      if (skipped > 0) {
        --skipped;
        break;
      }
      if (reader.name() == QStringLiteral("busconfig")) {
        writer.writeTextElement(QStringLiteral("listen"), QStringLiteral("unix:path=") + socket);
        for (const QString &file : policyFiles)
          writer.writeTextElement(QStringLiteral("include"), file);
      }
      writer.writeEndElement();
      break;
    case QXmlStreamReader::Characters:
      if (skipped == 0 && !reader.isWhitespace())
        writer.writeCharacters(reader.text().toString());
      break;
    default:
      break;
    }
  }
  if (reader.hasError())
    throw std::runtime_error(("cannot read " + SystemPolicy + ": " + reader.errorString()).toStdString());
  writer.writeEndDocument();
  return config;
}

// A program of the test ends with the test's process, even when that one crashes.
void EndWithThisProcess(QProcess &process) {
  process.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
}

// Removes the accounts of test processes that ended without removing them (they crashed).
void RemoveLeftAccounts() {
  static const QRegularExpression ours(QStringLiteral("^%1(\\d+)_\\d+$").arg(AccountPrefix));
  QStringList left;
  setpwent();
  while (const passwd *entry = getpwent()) {
    const QRegularExpressionMatch match = ours.match(QString::fromLocal8Bit(entry->pw_name));
    if (match.hasMatch() && kill(match.captured(1).toInt(), 0) != 0 && errno == ESRCH)
      left << match.captured(0);
  }
  endpwent();
  for (const QString &name : left)
    RunTool(QStringLiteral("userdel"), {QStringLiteral("-r"), QStringLiteral("-f"), name});
}

// A temporary folder every account may enter.
void OpenToEveryone(QTemporaryDir &folder, const char *what) {
  if (!folder.isValid())
    throw std::runtime_error(std::string("cannot create a temporary folder for ") + what);
  fs::permissions(folder.path().toStdString(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                                   fs::perms::others_read | fs::perms::others_exec);
}

struct TUser {
  QString sName;
  uid_t iUid = 0;
  gid_t iGid = 0;
  QString sHome;
};

TUser UserOf(const TTestAccount *account) {
  if (account)
    return {account->Name(), account->Uid(), account->Gid(), account->Home()};
  const passwd *self = getpwuid(geteuid());
  if (!self)
    throw std::runtime_error("this process's user has no account entry");
  return {QString::fromLocal8Bit(self->pw_name), self->pw_uid, self->pw_gid, QString::fromLocal8Bit(self->pw_dir)};
}

bool Exists(const QString &name, bool group) {
  const QByteArray local = name.toLocal8Bit();
  return group ? getgrnam(local.constData()) != nullptr : getpwnam(local.constData()) != nullptr;
}

// The groups this process uses for its accounts: how many accounts are in each, and whether this
// process made it (then it goes with the last of them).
struct TGroupUse {
  int iAccounts = 0;
  bool bMade = false;
};

std::map<QString, TGroupUse> &GroupUses() {
  static std::map<QString, TGroupUse> uses;
  return uses;
}

void UseGroup(const QString &group) {
  TGroupUse &use = GroupUses()[group];
  if (!use.bMade && !Exists(group, true)) {
    const TRunResult made = RunTool(QStringLiteral("groupadd"), {group});
    // Another process may have made it meanwhile; then it is that process's to remove.
    if (made.iExitCode != 0 && !Exists(group, true))
      throw Failure(QStringLiteral("groupadd ") + group, made);
    use.bMade = made.iExitCode == 0;
  }
  ++use.iAccounts;
}

void ReleaseGroups(const QStringList &groups) {
  for (const QString &name : groups) {
    auto use = GroupUses().find(name);
    if (use == GroupUses().end() || --use->second.iAccounts > 0)
      continue;
    // A member left means another process's account still needs it.
    const group *entry = getgrnam(name.toLocal8Bit().constData());
    if (use->second.bMade && entry && !entry->gr_mem[0])
      RunTool(QStringLiteral("groupdel"), {name});
    GroupUses().erase(use);
  }
}

QProcessEnvironment CleanEnvironment(const QProcessEnvironment &env, const TUser &user) {
  QProcessEnvironment clean = env;
  clean.insert(QStringLiteral("HOME"), user.sHome);
  clean.insert(QStringLiteral("USER"), user.sName);
  clean.insert(QStringLiteral("LOGNAME"), user.sName);
  // The paths a login gives (login.defs' ENV_SUPATH and ENV_PATH).
  clean.insert(QStringLiteral("PATH"), user.iUid == 0 ? QStringLiteral("/usr/local/sbin:/usr/local/bin:/usr/sbin:"
                                                                       "/usr/bin:/sbin:/bin")
                                                      : QStringLiteral("/usr/local/bin:/usr/bin:/bin"));
  return clean;
}

// Waits for the end of the process with the event loop running; false when it runs on.
bool WaitFinished(QProcess &process, int timeoutMs) {
  if (process.state() == QProcess::NotRunning)
    return true;
  QEventLoop loop;
  QTimer deadline;
  deadline.setSingleShot(true);
  QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
  QObject::connect(&process, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
  QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
  deadline.start(timeoutMs);
  while (process.state() != QProcess::NotRunning && deadline.isActive())
    loop.exec();
  return process.state() == QProcess::NotRunning;
}

bool Has(fs::perms perms, fs::perms wanted) { return (perms & wanted) == wanted; }

// Whether an account that is neither the owner nor in the group may reach everything in the folder.
bool OpenToOthers(const fs::path &folder) {
  for (fs::path above = folder;; above = above.parent_path()) {
    if (!Has(fs::status(above).permissions(), fs::perms::others_exec))
      return false;
    if (above == above.root_path())
      break;
  }
  if (!Has(fs::status(folder).permissions(), fs::perms::others_read))
    return false;
  for (const fs::directory_entry &entry : fs::recursive_directory_iterator(folder)) {
    const fs::file_status status = entry.symlink_status();
    const fs::perms perms = status.permissions();
    if (fs::is_symlink(status))
      continue;
    if (fs::is_directory(status) && !Has(perms, fs::perms::others_read | fs::perms::others_exec))
      return false;
    if (!Has(perms, fs::perms::others_read))
      return false;
    if (Has(perms, fs::perms::owner_exec) && !Has(perms, fs::perms::others_exec))
      return false;
  }
  return true;
}

// Gives group and others what the owner may read and run.
void OpenCopy(const fs::path &copy) {
  const auto open = [](const fs::path &path, fs::perms perms) {
    fs::perms added = fs::perms::group_read | fs::perms::others_read;
    if (fs::is_directory(path) || Has(perms, fs::perms::owner_exec))
      added |= fs::perms::group_exec | fs::perms::others_exec;
    fs::permissions(path, added, fs::perm_options::add);
  };
  open(copy, fs::status(copy).permissions());
  for (const fs::directory_entry &entry : fs::recursive_directory_iterator(copy)) {
    if (!entry.is_symlink())
      open(entry.path(), entry.symlink_status().permissions());
  }
}

}  // namespace

bool CanRunAccounts(QString *why) {
  if (geteuid() != 0) {
    *why = QStringLiteral("making test accounts needs root");
    return false;
  }
  for (const char *tool : {"useradd", "userdel", "groupadd", "groupdel", "setpriv", "dbus-daemon"}) {
    if (Tool(QString::fromLatin1(tool)).isEmpty()) {
      *why = QStringLiteral("%1 is not installed").arg(QString::fromLatin1(tool));
      return false;
    }
  }
  if (!QFile::exists(SystemPolicy)) {
    *why = SystemPolicy + QStringLiteral(" is missing");
    return false;
  }
  return true;
}

TPrivateSystemBus::TPrivateSystemBus(const QStringList &policyFiles)
    : FFolder(QDir::tempPath() + QStringLiteral("/pemblo-bus-XXXXXX")) {
  OpenToEveryone(FFolder, "a system bus");
  const QString configFile = FFolder.filePath(QStringLiteral("system.conf"));
  QFile config(configFile);
  if (!config.open(QIODevice::WriteOnly) ||
      config.write(PrivateConfig(FFolder.filePath(QStringLiteral("system_bus_socket")), policyFiles)) < 0)
    throw std::runtime_error("cannot write " + configFile.toStdString());
  config.close();
  EndWithThisProcess(FDaemon);
  FDaemon.start(Tool(QStringLiteral("dbus-daemon")), {QStringLiteral("--config-file=") + configFile,
                                                      QStringLiteral("--print-address=1"), QStringLiteral("--nofork")});
  // The daemon writes its address once it listens, or ends.
  while (FDaemon.waitForStarted() && !FDaemon.canReadLine() && FDaemon.waitForReadyRead(10000)) {
  }
  if (!FDaemon.canReadLine()) {
    FDaemon.kill();
    FDaemon.waitForFinished();
    throw std::runtime_error("dbus-daemon did not start: " +
                             QString::fromUtf8(FDaemon.readAllStandardError()).trimmed().toStdString());
  }
  FAddress = QString::fromUtf8(FDaemon.readLine()).trimmed();
}

TPrivateSystemBus::~TPrivateSystemBus() {
  FDaemon.terminate();
  if (!FDaemon.waitForFinished(5000))
    FDaemon.kill();
  FDaemon.waitForFinished();
}

TTestAccount::TTestAccount(const QStringList &groups) {
  static const bool swept = (RemoveLeftAccounts(), true);
  Q_UNUSED(swept);
  static int made = 0;
  do
    FName = AccountPrefix + QStringLiteral("%1_%2").arg(getpid()).arg(made++);
  while (Exists(FName, false) || Exists(FName, true));
  try {
    for (const QString &group : groups) {
      UseGroup(group);
      FGroups << group;
    }
    QStringList args{QStringLiteral("-m"), QStringLiteral("-U"), QStringLiteral("-s"), QStringLiteral("/bin/bash")};
    if (!groups.isEmpty())
      args << QStringLiteral("-G") << groups.join(QLatin1Char(','));
    const TRunResult added = RunTool(QStringLiteral("useradd"), args << FName);
    if (added.iExitCode != 0)
      throw Failure(QStringLiteral("useradd ") + FName, added);
  } catch (...) {
    ReleaseGroups(FGroups);
    throw;
  }
  const passwd *entry = getpwnam(FName.toLocal8Bit().constData());
  FUid = entry->pw_uid;
  FGid = entry->pw_gid;
  FHome = QString::fromLocal8Bit(entry->pw_dir);
}

TTestAccount::~TTestAccount() {
  // -f: a program of the account still running does not keep the account.
  RunTool(QStringLiteral("userdel"), {QStringLiteral("-r"), QStringLiteral("-f"), FName});
  ReleaseGroups(FGroups);
}

std::unique_ptr<QProcess> StartAs(const TTestAccount *account, const QString &program, const QStringList &args,
                                  const QProcessEnvironment &env) {
  const TUser user = UserOf(account);
  auto process = std::make_unique<QProcess>();
  process->setProcessEnvironment(CleanEnvironment(env, user));
  // The test's own folder may be closed to the account.
  process->setWorkingDirectory(user.sHome);
  EndWithThisProcess(*process);
  if (account) {
    // --init-groups gives the account its supplementary groups, as a login does; the saved uid
    // follows the new one, so the program cannot become root again. Changing the uid clears the
    // parent-death signal; setpriv sets it again.
    process->start(Tool(QStringLiteral("setpriv")),
                   QStringList{QStringLiteral("--reuid=%1").arg(user.iUid), QStringLiteral("--regid=%1").arg(user.iGid),
                               QStringLiteral("--init-groups"), QStringLiteral("--pdeathsig=KILL"),
                               QStringLiteral("--"), program} +
                       args);
  } else {
    process->start(program, args);
  }
  return process;
}

TRunResult RunAs(const TTestAccount *account, const QString &program, const QStringList &args,
                 const QProcessEnvironment &env, const QByteArray &input, int timeoutMs) {
  const std::unique_ptr<QProcess> process = StartAs(account, program, args, env);
  TRunResult result;
  if (!process->waitForStarted())
    return result;
  process->write(input);
  process->closeWriteChannel();
  if (!WaitFinished(*process, timeoutMs)) {
    process->kill();
    process->waitForFinished();
  } else if (process->exitStatus() == QProcess::NormalExit) {
    result.iExitCode = process->exitCode();
  }
  result.sOut = QString::fromUtf8(process->readAllStandardOutput());
  result.sErr = QString::fromUtf8(process->readAllStandardError());
  return result;
}

QString ReachableCopy(const QString &folder) {
  const QString absolute = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
  const fs::path original = absolute.toStdString();
  if (!fs::is_directory(original))
    throw std::runtime_error("no folder " + original.string());
  if (OpenToOthers(original))
    return absolute;
  static std::map<QString, std::unique_ptr<QTemporaryDir>> copies;
  std::unique_ptr<QTemporaryDir> &copy = copies[absolute];
  if (!copy) {
    auto made = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/pemblo-reach-XXXXXX"));
    OpenToEveryone(*made, "a reachable copy");
    const fs::path into = fs::path(made->path().toStdString()) / original.filename();
    fs::copy(original, into, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    OpenCopy(into);
    copy = std::move(made);
  }
  return QDir(copy->path()).filePath(QString::fromStdString(original.filename().string()));
}

QString GuardPolicyFile() { return QStringLiteral(PEMBLO_SOURCE_DIR "/guard/org.pemblo.Guard.conf"); }
