#include "common/uInterpreter.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>
#include <vector>

namespace {

// The options an interpreter takes before its script, each list words between blanks. A short
// option's value is joined to it ("-Wignore") or the next word ("-W ignore"); short options without
// a value may be run together ("-ec").
struct TOptionRow {
  const char *sNames;     // a regular expression of its file names
  const char *sValues;    // options followed by a value
  const char *sJoined;    // short options whose value, if any, is joined to them only ("-i.bak")
  const char *sCommands;  // options after which it runs a program given on the line, a module, or nothing
  const char *sStdin;     // options after which it reads its script from standard input
  const char *sFiles;     // options followed by the script's file
  bool bTextFirst;        // the first word that is no option is the program's text, not a file (awk)
  bool bLoader;           // the dynamic loader: the first word that is no option is the program it starts
};

const TOptionRow OptionRows[] = {
    {"sh|bash|rbash|dash|zsh|ksh|ksh93|mksh|posh|yash", "-o +o -O +O --rcfile --init-file", "", "-c", "-s", "", false,
     false},
    {"python[0-9.]*|pypy[0-9.]*", "-W -X --check-hash-based-pycs", "", "-c -m", "-", "", false, false},
    {"perl[0-9.]*", "-I", "-M -m -0 -l -i -C -d -D -x -V", "-e -E", "-", "", false, false},
    {"ruby[0-9.]*", "-I -r -C -E --encoding --external-encoding --internal-encoding", "-0 -F -i -K -T -W -x", "-e", "-",
     "", false, false},
    {"node|nodejs", "-r --require --import --loader --experimental-loader --input-type --title --conditions -C", "",
     "-e --eval -p --print", "-", "", false, false},
    {"php[0-9.]*|php-cli", "-c -d -z", "", "-r -R -B -E -a", "", "-f -F", false, false},
    {"lua[0-9.]*|luajit", "-l", "", "-e", "-", "", false, false},
    {"tclsh[0-9.]*|wish[0-9.]*", "-encoding -display -geometry -name -use -visual -colormap", "", "", "", "", false,
     false},
    {"awk|gawk|mawk|nawk|original-awk", "-v -F -W -i -l --assign --field-separator --include --load", "", "-e --source",
     "", "-f --file", true, false},
    {"ld-linux.*\\.so.*|ld\\.so|ld-musl-.*\\.so.*|ld64\\.so.*",
     "--library-path --argv0 --preload --audit --inhibit-rpath --glibc-hwcaps-prepend --glibc-hwcaps-mask", "",
     "--list --verify --help --version --list-tunables --list-diagnostics", "", "", false, true},
};

struct TOptions {
  QRegularExpression Names;
  QStringList Values, Joined, Commands, Stdin, Files;
  bool bTextFirst = false;
  bool bLoader = false;
};

const std::vector<TOptions> &Options() {
  static const std::vector<TOptions> options = [] {
    std::vector<TOptions> made;
    const auto words = [](const char *list) { return QString::fromLatin1(list).split(u' ', Qt::SkipEmptyParts); };
    for (const TOptionRow &row : OptionRows)
      made.push_back({QRegularExpression(QStringLiteral("^(%1)$").arg(QLatin1String(row.sNames))), words(row.sValues),
                      words(row.sJoined), words(row.sCommands), words(row.sStdin), words(row.sFiles), row.bTextFirst,
                      row.bLoader});
    return made;
  }();
  return options;
}

const TOptions *OptionsNamed(const QString &name) {
  for (const TOptions &options : Options())
    if (options.Names.match(name).hasMatch())
      return &options;
  return nullptr;
}

// The programs a multi-call program is, by the names it is started under.
constexpr int MultiCallNames = 4;
bool IsMultiCallName(const QString &name) {
  return name == QStringLiteral("busybox") || name == QStringLiteral("toybox");
}

// The program folders (PATH and the usual ones) and the library folders the loader is in.
QStringList ProgramFolders() {
  QStringList folders = QString::fromLocal8Bit(qgetenv("PATH")).split(u':', Qt::SkipEmptyParts);
  folders << QStringLiteral("/usr/local/bin") << QStringLiteral("/usr/bin") << QStringLiteral("/bin")
          << QStringLiteral("/usr/local/sbin") << QStringLiteral("/usr/sbin") << QStringLiteral("/sbin");
  folders.removeIf([](const QString &folder) { return !QDir::isAbsolutePath(folder); });
  folders.removeDuplicates();
  return folders;
}

QStringList LibraryFolders() {
  QStringList folders;
  for (const QString &top :
       {QStringLiteral("/lib64"), QStringLiteral("/lib"), QStringLiteral("/usr/lib64"), QStringLiteral("/usr/lib")}) {
    folders << top;
    // The multiarch folders: /lib/x86_64-linux-gnu and the like.
    for (const QString &sub : QDir(top).entryList({QStringLiteral("*-linux-*")}, QDir::Dirs | QDir::NoDotAndDotDot))
      folders << top + u'/' + sub;
  }
  return folders;
}

struct TKnown {
  const TOptions *Options = nullptr;
  QString sName;
  QString sPath;
};

// What is known of the machine's files, read again when PATH or a folder changes, or a minute on.
struct TCatalogue {
  QByteArray sPath;  // the PATH it was read for
  QString sKey;      // and the folders' times of change
  QElapsedTimer Checked, Built;
  QHash<TFileId, TKnown> Known;              // the interpreters' and the loaders' files
  QHash<TFileId, QSet<QString>> Names;       // every program file of the program folders: its names
  QHash<qint64, QList<TFileId>> KnownSizes;  // the known files by size, to tell a copy
};

QString FolderKey(const QStringList &folders) {
  QString key;
  for (const QString &folder : folders) {
    struct stat info;
    key += folder + u'=';
    if (::stat(QFile::encodeName(folder).constData(), &info) == 0)
      key += QString::number(info.st_mtim.tv_sec) + u'.' + QString::number(info.st_mtim.tv_nsec);
    key += u';';
  }
  return key;
}

// Calls `found` with the name, the path and the stat of every file of `folder` whose name passes `wanted`.
template <typename TWanted, typename TFound> void EachFile(const QString &folder, TWanted wanted, TFound found) {
  DIR *dir = ::opendir(QFile::encodeName(folder).constData());
  if (!dir)
    return;
  while (const dirent *entry = ::readdir(dir)) {
    const QString name = QFile::decodeName(entry->d_name);
    if (name.startsWith(u'.') || !wanted(name))
      continue;
    const QString path = folder + u'/' + name;
    struct stat info;
    if (::stat(QFile::encodeName(path).constData(), &info) == 0 && S_ISREG(info.st_mode))
      found(name, path, info);
  }
  ::closedir(dir);
}

TFileId IdOf(const struct stat &info) { return {quint64(info.st_dev), quint64(info.st_ino)}; }

void Build(TCatalogue &catalogue, const QStringList &programFolders, const QStringList &libraryFolders) {
  catalogue.Known.clear();
  catalogue.Names.clear();
  catalogue.KnownSizes.clear();
  QHash<TFileId, qint64> sizes;
  for (const QString &folder : programFolders)
    EachFile(
        folder, [](const QString &) { return true; },
        [&](const QString &name, const QString &path, const struct stat &info) {
          catalogue.Names[IdOf(info)].insert(name);
          const TOptions *options = OptionsNamed(name);
          if (!options || options->bLoader)
            return;
          // Named as the file itself is ("bash", not "rbash" that links to it).
          const auto known = catalogue.Known.constFind(IdOf(info));
          if (known == catalogue.Known.constEnd() ||
              (QFileInfo(QFileInfo(known->sPath).canonicalFilePath()).fileName() != known->sName &&
               QFileInfo(QFileInfo(path).canonicalFilePath()).fileName() == name))
            catalogue.Known.insert(IdOf(info), {options, name, path});
          sizes.insert(IdOf(info), info.st_size);
        });
  for (const QString &folder : libraryFolders)
    EachFile(
        folder,
        [](const QString &name) {
          const TOptions *options = OptionsNamed(name);
          return options && options->bLoader;
        },
        [&](const QString &name, const QString &path, const struct stat &info) {
          if (!catalogue.Known.contains(IdOf(info))) {
            catalogue.Known.insert(IdOf(info), {OptionsNamed(name), name, path});
            sizes.insert(IdOf(info), info.st_size);
          }
        });
  // A multi-call program that is also a shell ("sh" of busybox) is told by the name it runs under.
  for (auto known = catalogue.Known.begin(); known != catalogue.Known.end();) {
    const QSet<QString> names = catalogue.Names.value(known.key());
    const bool multiCall = names.size() >= MultiCallNames ||
                           std::any_of(names.begin(), names.end(), [](const QString &n) { return IsMultiCallName(n); });
    known = multiCall ? catalogue.Known.erase(known) : std::next(known);
  }
  for (auto size = sizes.cbegin(); size != sizes.cend(); ++size)
    if (catalogue.Known.contains(size.key()))
      catalogue.KnownSizes[size.value()].append(size.key());
}

const TCatalogue &Catalogue() {
  static TCatalogue catalogue;
  // Looked at no more than once a second: a scan asks for every process.
  const QByteArray path = qgetenv("PATH");
  if (catalogue.Checked.isValid() && catalogue.Checked.elapsed() < 1000 && path == catalogue.sPath)
    return catalogue;
  catalogue.Checked.start();
  const QStringList programFolders = ProgramFolders();
  const QStringList libraryFolders = LibraryFolders();
  const QString key = FolderKey(programFolders + libraryFolders);
  if (path == catalogue.sPath && key == catalogue.sKey && catalogue.Built.elapsed() < 60000)
    return catalogue;
  Build(catalogue, programFolders, libraryFolders);
  catalogue.sPath = path;
  catalogue.sKey = key;
  catalogue.Built.start();
  return catalogue;
}

// The content of a file, to tell a copy of an interpreter; remembered while the file is unchanged.
QByteArray ContentHash(const QString &path, const struct stat &info) {
  static QHash<QString, QByteArray> hashes;
  const QString key = QStringLiteral("%1:%2:%3:%4.%5")
                          .arg(info.st_dev)
                          .arg(info.st_ino)
                          .arg(info.st_size)
                          .arg(info.st_mtim.tv_sec)
                          .arg(info.st_mtim.tv_nsec);
  if (const auto found = hashes.constFind(key); found != hashes.constEnd())
    return found.value();
  QFile file(path);
  QCryptographicHash hash(QCryptographicHash::Sha256);
  if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file))
    return {};
  if (hashes.size() > 1000)
    hashes.clear();
  return hashes[key] = hash.result();
}

TExecutableKind KindOf(const TKnown &known) {
  return known.Options->bLoader ? TExecutableKind::ekLoader : TExecutableKind::ekInterpreter;
}

struct TScriptWord {
  TRunFrom From = TRunFrom::rfStdin;
  int iWord = -1;
  QString sWord;
};

TScriptWord Without(TRunFrom from) { return {from, -1, QString()}; }

// Where the script of an interpreter started with `argv` is, its options read from `first` on.
TScriptWord ScriptWord(const TOptions &options, const QStringList &argv, int first) {
  const auto file = [&](int at, const QString &word) { return TScriptWord{TRunFrom::rfFile, at, word}; };
  const auto named = [&](int at) {
    if (at >= argv.size())
      return Without(options.bTextFirst ? TRunFrom::rfCommand : TRunFrom::rfStdin);
    return options.bTextFirst ? Without(TRunFrom::rfCommand) : file(at, argv[at]);
  };
  for (int at = first; at < argv.size(); ++at) {
    const QString &word = argv[at];
    if (word == QStringLiteral("--") || (word == QStringLiteral("-") && !options.Stdin.contains(word)))
      return named(at + 1);
    if (options.Commands.contains(word))
      return Without(TRunFrom::rfCommand);
    if (options.Stdin.contains(word))
      return Without(TRunFrom::rfStdin);
    if (options.Files.contains(word))
      return at + 1 < argv.size() ? file(at + 1, argv[at + 1]) : Without(TRunFrom::rfCommand);
    if (options.Values.contains(word)) {
      ++at;
      continue;
    }
    if (word.size() < 2 || (word[0] != u'-' && word[0] != u'+'))
      return named(at);
    if (word.startsWith(QStringLiteral("--"))) {
      const QString name = word.section(u'=', 0, 0);
      if (options.Commands.contains(name))
        return Without(TRunFrom::rfCommand);
      if (options.Files.contains(name) && word.contains(u'='))
        return file(at, word.section(u'=', 1));
      continue;  // a switch, or an option with its value after "="
    }
    // Short options run together: "-ec", "-Wignore", "-i.bak".
    for (qsizetype letter = 1; letter < word.size(); ++letter) {
      const QString option = QString(word[0]) + word[letter];
      const QString rest = word.mid(letter + 1);
      if (options.Commands.contains(option))
        return Without(TRunFrom::rfCommand);
      if (options.Stdin.contains(option))
        return Without(TRunFrom::rfStdin);
      if (options.Files.contains(option)) {
        if (!rest.isEmpty())
          return file(at, rest);
        return at + 1 < argv.size() ? file(at + 1, argv[at + 1]) : Without(TRunFrom::rfCommand);
      }
      if (options.Joined.contains(option))
        break;
      if (options.Values.contains(option)) {
        if (rest.isEmpty())
          ++at;
        break;
      }
    }
  }
  return named(int(argv.size()));
}

TRunTarget RunTarget(const QString &executable, const QStringList &argv, const TResolveWord &resolve, int depth) {
  const TExecutable what = WhatExecutable(executable);
  const TOptions *options = nullptr;
  QString name = what.sName;
  int first = 1;
  if (what.Kind == TExecutableKind::ekMultiCall) {
    // It is the program it is started under: "sh", or "busybox sh".
    QString applet = QFileInfo(argv.value(0)).fileName();
    if (IsMultiCallName(applet) || applet == QFileInfo(QFileInfo(executable).canonicalFilePath()).fileName()) {
      applet = QFileInfo(argv.value(1)).fileName();
      first = 2;
    }
    options = OptionsNamed(applet);
    if (options && options->bLoader)
      options = nullptr;
    name = applet;
  } else if (what.Kind != TExecutableKind::ekProgram) {
    options = OptionsNamed(what.sName);
  }
  if (!options)
    return {TRunFrom::rfFile, executable, -1, QString()};
  const TScriptWord script = ScriptWord(*options, argv, first);
  TRunTarget target{script.From, QString(), script.iWord, name};
  if (script.From != TRunFrom::rfFile)
    return target;
  target.sFile = resolve(script.sWord);
  // The loader's program may be an interpreter in turn.
  if (options->bLoader && !target.sFile.isEmpty() && depth < 2) {
    TRunTarget inner = RunTarget(target.sFile, argv.mid(script.iWord), resolve, depth + 1);
    if (!inner.sInterpreter.isEmpty()) {
      if (inner.iWord >= 0)
        inner.iWord += script.iWord;
      return inner;
    }
  }
  return target;
}

}  // namespace

size_t qHash(const TFileId &id, size_t seed) noexcept { return qHashMulti(seed, id.iDev, id.iIno); }

TFileId FileIdOf(const QString &path) {
  struct stat info;
  if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &info) != 0)
    return {};
  return IdOf(info);
}

TExecutable WhatExecutable(const QString &path) {
  struct stat info;
  if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISREG(info.st_mode))
    return {};
  const TCatalogue &catalogue = Catalogue();
  const TFileId id = IdOf(info);
  if (const auto known = catalogue.Known.constFind(id); known != catalogue.Known.constEnd())
    return {KindOf(known.value()), known->sName};
  const QSet<QString> names = catalogue.Names.value(id);
  if (names.size() >= MultiCallNames ||
      std::any_of(names.begin(), names.end(), [](const QString &name) { return IsMultiCallName(name); })) {
    QStringList sorted(names.begin(), names.end());
    sorted.sort();
    return {TExecutableKind::ekMultiCall, sorted.join(QStringLiteral("、"))};
  }
  // A copy of an interpreter under another name: the same size and content.
  for (const TFileId &candidate : catalogue.KnownSizes.value(qint64(info.st_size))) {
    const TKnown known = catalogue.Known.value(candidate);
    struct stat knownInfo;
    if (::stat(QFile::encodeName(known.sPath).constData(), &knownInfo) != 0)
      continue;
    const QByteArray hash = ContentHash(path, info);
    if (!hash.isEmpty() && hash == ContentHash(known.sPath, knownInfo))
      return {KindOf(known), known.sName};
  }
  return {};
}

TRunTarget RunTargetOf(const QString &executable, const QStringList &argv, const TResolveWord &resolve) {
  return RunTarget(executable, argv, resolve, 0);
}
