#include "guard/uFileDenial.h"
#include "platform/os/FileDescriptor.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <acl/libacl.h>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <set>
#include <sys/acl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

QString SystemError(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

// An ACL freed when it goes.
class TAcl {
public:
  explicit TAcl(acl_t acl) : FAcl(acl) {}
  ~TAcl() {
    if (FAcl)
      acl_free(FAcl);
  }
  TAcl(const TAcl &) = delete;
  TAcl &operator=(const TAcl &) = delete;
  acl_t Get() const { return FAcl; }

private:
  acl_t FAcl;
};

// The file at `path` itself, never a link there (the path is canonical: a link found now means
// the file was replaced), held without opening it, so a device is never opened.
struct TFound {
  int iError = 0;  // errno of the open or fstat, 0 when found
  struct stat rStat {};
};

TFound Find(const TFd &fd) {
  TFound found;
  if (fd.Get() < 0 || ::fstat(fd.Get(), &found.rStat) != 0)
    found.iError = errno;
  return found;
}

int OpenPath(const QString &path) {
  return ::open(QFile::encodeName(path).constData(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
}

// The same file opened for reading (ACL calls need a real descriptor), through the held one, so
// another file put at the path meanwhile is never the one changed.
int Reopen(const TFd &held) {
  return ::open(QByteArray("/proc/self/fd/" + QByteArray::number(held.Get())).constData(),
                O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
}

QString AclText(acl_t acl) {
  char *text = acl_to_any_text(acl, nullptr, ',', TEXT_NUMERIC_IDS);
  if (!text)
    return {};
  const QString result = QString::fromLatin1(text);
  acl_free(text);
  return result;
}

// The ACL `own` with every account of `users` allowed nothing. A mask missing is added with the
// owning group's rights, and one present is kept as it is, so everyone else keeps exactly the
// rights they had and the mode's group bits do not change.
acl_t Denying(const QString &own, const std::vector<uid_t> &users) {
  acl_t acl = acl_from_text(own.toLatin1().constData());
  if (!acl)
    return nullptr;
  std::set<uid_t> missing(users.begin(), users.end());
  acl_entry_t entry;
  // The owning group's rights, read before the ACL grows (an added entry may move the others).
  bool hasMask = false, groupRead = false, groupWrite = false, groupExecute = false;
  for (int which = ACL_FIRST_ENTRY; acl_get_entry(acl, which, &entry) == 1; which = ACL_NEXT_ENTRY) {
    acl_tag_t tag;
    acl_get_tag_type(entry, &tag);
    if (tag == ACL_GROUP_OBJ) {
      acl_permset_t perms;
      acl_get_permset(entry, &perms);
      groupRead = acl_get_perm(perms, ACL_READ) == 1;
      groupWrite = acl_get_perm(perms, ACL_WRITE) == 1;
      groupExecute = acl_get_perm(perms, ACL_EXECUTE) == 1;
    } else if (tag == ACL_MASK)
      hasMask = true;
    else if (tag == ACL_USER) {
      auto *uid = static_cast<uid_t *>(acl_get_qualifier(entry));
      if (missing.erase(*uid) == 1) {
        acl_permset_t perms;
        acl_get_permset(entry, &perms);
        acl_clear_perms(perms);
      }
      acl_free(uid);
    }
  }
  for (uid_t uid : missing) {
    acl_entry_t added;
    acl_permset_t perms;
    if (acl_create_entry(&acl, &added) != 0 || acl_set_tag_type(added, ACL_USER) != 0 ||
        acl_set_qualifier(added, &uid) != 0 || acl_get_permset(added, &perms) != 0 || acl_clear_perms(perms) != 0) {
      acl_free(acl);
      return nullptr;
    }
  }
  if (!hasMask) {
    acl_entry_t mask;
    acl_permset_t maskPerms;
    if (acl_create_entry(&acl, &mask) != 0 || acl_set_tag_type(mask, ACL_MASK) != 0 ||
        acl_get_permset(mask, &maskPerms) != 0 || acl_clear_perms(maskPerms) != 0) {
      acl_free(acl);
      return nullptr;
    }
    if (groupRead)
      acl_add_perm(maskPerms, ACL_READ);
    if (groupWrite)
      acl_add_perm(maskPerms, ACL_WRITE);
    if (groupExecute)
      acl_add_perm(maskPerms, ACL_EXECUTE);
  }
  if (acl_valid(acl) != 0) {
    acl_free(acl);
    return nullptr;
  }
  return acl;
}

QString NoAclSupport(const QString &path) {
  return QStringLiteral("%1 所在的文件系统不支持访问控制列表，无法禁止读取和运行它。").arg(path);
}

QString NotChanged(const QString &path, int error) {
  return QStringLiteral("无法改变 %1 的权限：%2").arg(path, SystemError(error));
}

bool NoSupport(int error) { return error == ENOTSUP || error == EOPNOTSUPP; }

}  // namespace

TFileDenial::TFileDenial(QString recordFile) : FRecordFile(std::move(recordFile)) {
  QFile record(FRecordFile);
  if (!record.exists())
    return;
  bool readable = record.open(QIODevice::ReadOnly);
  const QJsonDocument document = QJsonDocument::fromJson(readable ? record.readAll() : QByteArray());
  record.close();
  readable = readable && document.isObject() && document.object().value(QStringLiteral("files")).isArray();
  std::map<QString, TDenied> denied;
  for (const QJsonValue &value : document.object().value(QStringLiteral("files")).toArray()) {
    const QJsonObject file = value.toObject();
    bool deviceRead = false, inodeRead = false;
    TDenied entry;
    entry.iDevice = dev_t(file.value(QStringLiteral("device")).toString().toULongLong(&deviceRead));
    entry.iInode = ino_t(file.value(QStringLiteral("inode")).toString().toULongLong(&inodeRead));
    entry.sAcl = file.value(QStringLiteral("acl")).toString();
    const QString path = file.value(QStringLiteral("path")).toString();
    if (!deviceRead || !inodeRead || path.isEmpty() || entry.sAcl.isEmpty()) {
      readable = false;
      break;
    }
    denied[path] = entry;
  }
  if (readable) {
    FDenied = std::move(denied);
    return;
  }
  const QString aside = FRecordFile + QStringLiteral(".damaged");
  QFile::remove(aside);
  QFile::rename(FRecordFile, aside);
  FProblems << QStringLiteral("权限记录 %1 无法读取，已另存为 %2。").arg(FRecordFile, aside);
}

void TFileDenial::RestoreFromRecord() { Apply({}, {}); }

void TFileDenial::Apply(const QStringList &files, const std::vector<uid_t> &users) {
  std::vector<uid_t> accounts = users;
  std::sort(accounts.begin(), accounts.end());
  accounts.erase(std::unique(accounts.begin(), accounts.end()), accounts.end());

  const std::map<QString, QString> toldBefore = std::exchange(FNoted, {});
  std::set<QString> wanted;
  if (!accounts.empty()) {
    for (const QString &file : files) {
      const QString canonical = QFileInfo(file).canonicalFilePath();
      if (canonical.isEmpty())
        Note(file, QStringLiteral("%1 不存在，无法禁止读取和运行它。").arg(file));
      else
        wanted.insert(canonical);
    }
  }
  std::vector<QString> leaving;
  for (const auto &[path, denied] : FDenied) {
    if (!wanted.contains(path))
      leaving.push_back(path);
  }
  for (const QString &path : leaving)
    GiveBack(path);
  for (const QString &path : wanted) {
    const auto denied = FDenied.find(path);
    if (denied != FDenied.end()) {
      struct stat now {};
      const bool same = ::lstat(QFile::encodeName(path).constData(), &now) == 0 &&
                        now.st_dev == denied->second.iDevice && now.st_ino == denied->second.iInode;
      if (same && denied->second.aUsers == accounts)
        continue;
      if (!same) {
        // The file denied is gone from the path; the one there now is denied afresh.
        Note(path, QStringLiteral("%1 已被另一个文件替换，新文件同样被禁止读取和运行。").arg(path));
        FDenied.erase(denied);
        WriteRecord();
      }
    }
    Deny(path, accounts);
  }

  // A cause still there is not told again.
  for (const auto &[path, text] : FNoted) {
    const auto told = toldBefore.find(path);
    if (told == toldBefore.end() || told->second != text)
      FProblems << text;
  }
}

QStringList TFileDenial::Problems() { return std::exchange(FProblems, {}); }

void TFileDenial::Deny(const QString &path, const std::vector<uid_t> &users) {
  const TFd held(OpenPath(path));
  const TFound found = Find(held);
  if (found.iError != 0) {
    Note(path, found.iError == ENOENT ? QStringLiteral("%1 不存在，无法禁止读取和运行它。").arg(path)
                                      : NotChanged(path, found.iError));
    return;
  }
  if (!S_ISREG(found.rStat.st_mode)) {
    Note(path, QStringLiteral("%1 不是普通文件，没有改动它的权限。").arg(path));
    return;
  }
  // The owner's entry comes before the named ones: an account cannot be denied its own file.
  std::vector<uid_t> others;
  for (uid_t uid : users) {
    if (uid == found.rStat.st_uid)
      Note(path, QStringLiteral("%1 属于受管理的账户，无法禁止该账户读取和运行它。").arg(path));
    else
      others.push_back(uid);
  }
  if (others.empty()) {
    if (FDenied.contains(path))
      GiveBack(path);
    return;
  }
  const TFd file(Reopen(held));
  if (file.Get() < 0) {
    Note(path, NotChanged(path, errno));
    return;
  }

  auto denied = FDenied.find(path);
  const bool fresh = denied == FDenied.end();
  if (fresh) {
    const TAcl own(acl_get_fd(file.Get()));
    const QString ownText = own.Get() ? AclText(own.Get()) : QString();
    if (ownText.isEmpty()) {
      Note(path, NoSupport(errno) ? NoAclSupport(path) : NotChanged(path, errno));
      return;
    }
    denied = FDenied.emplace(path, TDenied{found.rStat.st_dev, found.rStat.st_ino, ownText, {}}).first;
    // Recorded before the change, so a crash right after it still gives the file back.
    if (!WriteRecord()) {
      FDenied.erase(denied);
      return;
    }
  }
  const TAcl denying(Denying(denied->second.sAcl, others));
  if (!denying.Get() || acl_set_fd(file.Get(), denying.Get()) != 0) {
    const int error = errno;
    // The file keeps what it had before this call: its own ACL, or a denial of before, which
    // stays in the record.
    if (fresh) {
      FDenied.erase(denied);
      WriteRecord();
    }
    Note(path, NoSupport(error) ? NoAclSupport(path) : NotChanged(path, error));
    return;
  }
  denied->second.aUsers = users;
}

void TFileDenial::GiveBack(const QString &path) {
  const auto denied = FDenied.find(path);
  const TFd held(OpenPath(path));
  const TFound found = Find(held);
  QString problem;
  if (found.iError == ENOENT)
    problem = QStringLiteral("%1 已不存在，没有恢复它的权限。").arg(path);
  else if (found.iError == ELOOP || (found.iError == 0 && (found.rStat.st_dev != denied->second.iDevice ||
                                                           found.rStat.st_ino != denied->second.iInode)))
    problem = QStringLiteral("%1 已被另一个文件替换，没有改动新文件的权限。").arg(path);
  if (!problem.isEmpty()) {
    Note(path, problem);
    FDenied.erase(denied);
    WriteRecord();
    return;
  }
  const TFd file(found.iError == 0 ? Reopen(held) : -1);
  const TAcl own(acl_from_text(denied->second.sAcl.toLatin1().constData()));
  if (file.Get() < 0 || !own.Get() || acl_set_fd(file.Get(), own.Get()) != 0) {
    // Kept in the record: tried again at the next call and at the next start.
    Note(path, NotChanged(path, found.iError != 0 ? found.iError : errno));
    return;
  }
  FDenied.erase(denied);
  WriteRecord();
}

bool TFileDenial::WriteRecord() {
  QJsonArray files;
  for (const auto &[path, denied] : FDenied) {
    files.append(QJsonObject{{QStringLiteral("path"), path},
                             {QStringLiteral("device"), QString::number(quint64(denied.iDevice))},
                             {QStringLiteral("inode"), QString::number(quint64(denied.iInode))},
                             {QStringLiteral("acl"), denied.sAcl}});
  }
  QSaveFile record(FRecordFile);
  if (record.open(QIODevice::WriteOnly) &&
      record.write(QJsonDocument(QJsonObject{{QStringLiteral("files"), files}}).toJson()) >= 0 && record.commit())
    return true;
  Note(FRecordFile, QStringLiteral("无法写入权限记录 %1：%2").arg(FRecordFile, record.errorString()));
  return false;
}

void TFileDenial::Note(const QString &path, const QString &text) { FNoted[path] = text; }
