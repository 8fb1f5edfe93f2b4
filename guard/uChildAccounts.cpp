#include "guard/uChildAccounts.h"
#include "platform/errors/Errors.h"
#include <vector>

#include <QProcess>
#include <QStringList>
#include <algorithm>
#include <grp.h>
#include <pwd.h>

namespace {

// Runs a tool of the system and raises with its words when it fails.
void RunTool(const QString &tool, const QStringList &args) {
  QProcess process;
  process.setProcessChannelMode(QProcess::MergedChannels);
  process.start(tool, args);
  if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
    const QString words = QString::fromLocal8Bit(process.readAll()).trimmed();
    Raise(QStringLiteral("%1 %2：%3")
              .arg(tool, args.join(QLatin1Char(' ')), words.isEmpty() ? process.errorString() : words));
  }
}

}  // namespace

std::vector<uid_t> ChildAccounts(const QString &group) {
  std::vector<uid_t> users;
  const struct group *entry = ::getgrnam(group.toLocal8Bit().constData());
  if (!entry)
    return users;
  const gid_t gid = entry->gr_gid;
  for (char **member = entry->gr_mem; *member; ++member)
    if (const struct passwd *user = ::getpwnam(*member))
      users.push_back(user->pw_uid);
  // Accounts whose primary group it is are not in its member list.
  ::setpwent();
  while (const struct passwd *user = ::getpwent())
    if (user->pw_gid == gid)
      users.push_back(user->pw_uid);
  ::endpwent();
  std::sort(users.begin(), users.end());
  users.erase(std::unique(users.begin(), users.end()), users.end());
  return users;
}

void AddChild(const QString &user, const QString &group) {
  if (!::getpwnam(user.toLocal8Bit().constData()))
    Raise(QStringLiteral("没有这个账户：") + user);
  if (!::getgrnam(group.toLocal8Bit().constData()))
    RunTool(QStringLiteral("groupadd"), {QStringLiteral("--system"), group});
  RunTool(QStringLiteral("usermod"), {QStringLiteral("-aG"), group, user});
}

bool AccountInGroup(uint uid, const QString &group) {
  const passwd *user = ::getpwuid(uid);
  const ::group *wanted = ::getgrnam(group.toLocal8Bit().constData());
  if (!user || !wanted)
    return false;
  int count = 64;
  std::vector<gid_t> groups(static_cast<size_t>(count));
  if (::getgrouplist(user->pw_name, user->pw_gid, groups.data(), &count) < 0) {
    groups.resize(size_t(count));
    ::getgrouplist(user->pw_name, user->pw_gid, groups.data(), &count);
  }
  groups.resize(size_t(count));
  return std::find(groups.begin(), groups.end(), wanted->gr_gid) != groups.end();
}
