#include "common/uLimitTarget.h"

#include "common/uInterpreter.h"
#include "common/uSchedule.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTextStream>

namespace {

// Launchers that start launchers are followed this far; a loop ends at a program seen before.
constexpr int MaxLauncherDepth = 4;
// A launcher is a short script; a longer file is read this far for its exec lines.
constexpr qint64 MaxScriptBytes = 256 * 1024;

// The words of a desktop launcher's Exec line (quotes removed), read from a file of bounded size.
QStringList DesktopExecWords(const QString &launcher) {
  QFile file(launcher);
  if (!file.open(QIODevice::ReadOnly))
    return {};
  bool inEntry = false;
  for (const QByteArray &raw : file.read(MaxScriptBytes).split('\n')) {
    const QString line = QString::fromUtf8(raw).trimmed();
    if (line.startsWith(u'['))
      inEntry = line == QStringLiteral("[Desktop Entry]");
    else if (inEntry && line.startsWith(QStringLiteral("Exec=")))
      return QProcess::splitCommand(line.mid(5));
  }
  return {};
}

// The file a program word of a launcher starts: an absolute path, or a name looked up on PATH.
QString FindProgram(const QString &word) {
  if (word.isEmpty())
    return {};
  if (!word.contains(u'/'))
    return QStandardPaths::findExecutable(word);
  return QDir::isAbsolutePath(word) ? word : QString();
}

bool IsShell(const QString &name) {
  static const QRegularExpression shells(QStringLiteral("^(sh|bash|dash|zsh|ksh|mksh|posh)$"));
  return shells.match(name).hasMatch();
}

// The shell that runs a script: its first line is "#!/bin/sh" or "#!/usr/bin/env bash".
bool IsShellScript(const QByteArray &head) {
  if (!head.startsWith("#!"))
    return false;
  QStringList words = QString::fromLocal8Bit(head.mid(2, head.indexOf('\n') < 0 ? -1 : head.indexOf('\n') - 2))
                          .simplified()
                          .split(u' ');
  if (words.size() > 1 && QFileInfo(words[0]).fileName() == QStringLiteral("env"))
    words.removeFirst();
  return !words.isEmpty() && IsShell(QFileInfo(words[0]).fileName());
}

// A shell word with its quotes taken off and its variables put in; `resolved` is false when a
// part cannot be known without running the script (a command's output, a parameter, an
// unknown variable).
struct TWord {
  QString sText;
  bool bResolved = true;
};

// A variable's value longer than this is forgotten: a launcher that doubles a value again and
// again would otherwise fill the memory.
constexpr qsizetype MaxValueLength = 4096;

// Programs that start the program named after them (with options and values of their own).
bool IsWrapper(const QString &name) {
  static const QStringList wrappers = {QStringLiteral("env"),     QStringLiteral("nice"),    QStringLiteral("nohup"),
                                       QStringLiteral("setsid"),  QStringLiteral("stdbuf"),  QStringLiteral("ionice"),
                                       QStringLiteral("timeout"), QStringLiteral("taskset"), QStringLiteral("chrt")};
  return wrappers.contains(name);
}

// The file a process started with these words shows as its program, as the scan of running
// programs reads it: wrappers and their settings are passed over, and for an interpreter it is
// its script (RunTargetOf). Empty when the words do not tell (a variable only the running script
// knows, an interpreter given a command instead of a script, a multi-call program), and `why` says
// so when the program itself is the reason: an interpreter or a multi-call program is never taken
// for what a launcher starts, as that would end every script or every program it is.
QString ProgramOfCommand(const std::vector<TWord> &words, QString *why = nullptr) {
  size_t at = 0;
  while (at < words.size()) {
    const TWord &word = words[at];
    if (!word.bResolved)
      return {};
    if (word.sText.startsWith(u'-') || word.sText.contains(u'=') || word.sText.startsWith(u'%')) {
      ++at;  // an option, a setting or a desktop field code before the program
      continue;
    }
    const QString program = FindProgram(word.sText);
    if (program.isEmpty() || !QFileInfo(program).isFile()) {
      if (at == 0)
        return {};
      ++at;  // a value of a wrapper's option ("nice -n 5", "timeout 100")
      continue;
    }
    const QString canonical = QFileInfo(program).canonicalFilePath();
    if (IsWrapper(QFileInfo(program).fileName()) || IsWrapper(QFileInfo(canonical).fileName())) {
      ++at;
      continue;
    }
    QStringList argv;
    for (size_t i = at; i < words.size(); ++i)
      argv << words[i].sText;
    // A launcher runs elsewhere: only a script named by its full path is known.
    const TRunTarget run =
        RunTargetOf(program, argv, [](const QString &w) { return QDir::isAbsolutePath(w) ? w : QString(); });
    if (run.sInterpreter.isEmpty()) {
      const TExecutable what = WhatExecutable(program);
      if (what.Kind != TExecutableKind::ekMultiCall)
        return program;
      if (why)
        *why = QStringLiteral("%1是多合一程序，它是%2").arg(program, what.sName);
      return {};
    }
    if (run.From == TRunFrom::rfFile && !run.sFile.isEmpty() && words[at + size_t(run.iWord)].bResolved &&
        QFileInfo(run.sFile).isFile())
      return run.sFile;
    if (why && run.From != TRunFrom::rfFile)
      *why = QStringLiteral("脚本解释器%1运行的是命令行里写的命令或标准输入，不是一个脚本文件").arg(run.sInterpreter);
    return {};
  }
  return {};
}

// Splits one line of shell into statements of words. Only what launchers write is understood:
// quotes, $NAME and ${NAME}, and the separators ; && || | & between statements.
std::vector<std::vector<TWord>> Statements(const QString &line, const QHash<QString, QString> &vars) {
  std::vector<std::vector<TWord>> statements(1);
  TWord word;
  bool inWord = false;
  const auto endWord = [&] {
    if (inWord)
      statements.back().push_back(word);
    word = TWord();
    inWord = false;
  };
  const auto variable = [&](qsizetype &i) {
    // line[i] is '$'
    qsizetype end = i + 1;
    QString name;
    if (end < line.size() && line[end] == u'{') {
      const qsizetype close = line.indexOf(u'}', end);
      if (close < 0) {
        word.bResolved = false;
        i = line.size();
        return;
      }
      name = line.mid(end + 1, close - end - 1);
      i = close;
    } else {
      while (end < line.size() && (line[end].isLetterOrNumber() || line[end] == u'_'))
        ++end;
      name = line.mid(i + 1, end - i - 1);
      if (name.isEmpty() && end < line.size())
        ++end;  // $@, $*, $(, $$ ...
      i = end - 1;
    }
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    if (plain.match(name).hasMatch() && vars.contains(name) &&
        word.sText.size() + vars.value(name).size() <= MaxValueLength)
      word.sText += vars.value(name);
    else
      word.bResolved = false;
  };
  char quote = 0;
  for (qsizetype i = 0; i < line.size(); ++i) {
    const QChar c = line[i];
    if (quote == '\'') {
      if (c == u'\'')
        quote = 0;
      else
        word.sText += c;
      continue;
    }
    if (quote == '"') {
      if (c == u'"')
        quote = 0;
      else if (c == u'\\' && i + 1 < line.size())
        word.sText += line[++i];
      else if (c == u'$')
        variable(i);
      else if (c == u'`')
        word.bResolved = false;
      else
        word.sText += c;
      continue;
    }
    if (c == u'#' && !inWord)
      break;  // a comment
    if (c.isSpace()) {
      endWord();
      continue;
    }
    if (c == u';' || c == u'&' || c == u'|') {
      endWord();
      if (!statements.back().empty())
        statements.emplace_back();
      continue;
    }
    inWord = true;
    if (c == u'\'' || c == u'"')
      quote = char(c.unicode());
    else if (c == u'\\' && i + 1 < line.size())
      word.sText += line[++i];
    else if (c == u'$')
      variable(i);
    else if (c == u'`' || c == u'(' || c == u')')
      word.bResolved = false;
    else
      word.sText += c;
  }
  endWord();
  return statements;
}

// The programs a shell launcher hands itself over to with `exec`, as files; for an interpreter
// started that way, the script it runs. Assignments of plain values before are followed.
QStringList ExecTargets(const QString &script) {
  QFile file(script);
  if (!file.open(QIODevice::ReadOnly))
    return {};
  const QByteArray text = file.read(MaxScriptBytes);
  if (!IsShellScript(text))
    return {};
  static const QRegularExpression assignment(QStringLiteral("^([A-Za-z_][A-Za-z0-9_]*)=(.*)$"),
                                             QRegularExpression::DotMatchesEverythingOption);
  static const QStringList leading = {QStringLiteral("then"), QStringLiteral("else"), QStringLiteral("do"),
                                      QStringLiteral("{"), QStringLiteral("!")};
  static const QStringList declarations = {QStringLiteral("export"), QStringLiteral("readonly"),
                                           QStringLiteral("local"), QStringLiteral("declare"),
                                           QStringLiteral("typeset")};
  QHash<QString, QString> vars;
  QStringList targets;
  QString line;
  for (const QString &part : QString::fromLocal8Bit(text).split(u'\n')) {
    // A line ending in a backslash goes on in the next.
    if (part.endsWith(u'\\')) {
      line += part.chopped(1);
      continue;
    }
    line += part;
    for (std::vector<TWord> words : Statements(line, vars)) {
      while (!words.empty() && leading.contains(words.front().sText))
        words.erase(words.begin());
      if (!words.empty() && declarations.contains(words.front().sText))
        words.erase(words.begin());
      for (const TWord &word : words) {
        const auto match = assignment.match(word.sText);
        if (!match.hasMatch())
          break;
        if (word.bResolved)
          vars.insert(match.captured(1), match.captured(2));
        else
          vars.remove(match.captured(1));
      }
      if (words.empty() || words.front().sText != QStringLiteral("exec"))
        continue;
      size_t at = 1;
      // exec's own options: -a NAME, -c, -l.
      while (at < words.size() && words[at].sText.startsWith(u'-'))
        at += words[at].sText == QStringLiteral("-a") ? 2 : 1;
      const QString program =
          ProgramOfCommand(std::vector<TWord>(words.begin() + qsizetype(std::min(at, words.size())), words.end()));
      if (!program.isEmpty())
        targets.append(program);
    }
    line.clear();
  }
  return targets;
}

void AddProgram(TLimitTarget &target, const QString &program, int depth) {
  const QString canonical = QFileInfo(program).canonicalFilePath();
  if (canonical.isEmpty() || target.Programs.contains(canonical))
    return;
  target.Programs.append(canonical);
  if (depth < MaxLauncherDepth)
    for (const QString &next : ExecTargets(canonical))
      AddProgram(target, next, depth + 1);
}

// A script that an interpreter runs needs no execute bit: it starts with "#!" or is named as
// scripts are.
bool IsScriptFile(const QFileInfo &info) {
  static const QStringList suffixes = {QStringLiteral("sh"),  QStringLiteral("bash"), QStringLiteral("py"),
                                       QStringLiteral("pl"),  QStringLiteral("rb"),   QStringLiteral("js"),
                                       QStringLiteral("lua"), QStringLiteral("php"),  QStringLiteral("tcl"),
                                       QStringLiteral("awk")};
  if (suffixes.contains(info.suffix().toLower()))
    return true;
  QFile file(info.filePath());
  return file.open(QIODevice::ReadOnly) && file.read(2) == "#!";
}

}  // namespace

TLimitTarget ResolveLimitTarget(const QString &pick) {
  TLimitTarget target;
  QString path = pick.trimmed();
  if (path.isEmpty()) {
    target.sError = QStringLiteral("请选择要限制的程序。");
    return target;
  }
  if (!path.contains(u'/')) {
    const QString found = QStandardPaths::findExecutable(path);
    if (found.isEmpty()) {
      target.sError = QStringLiteral("找不到程序“%1”：系统的程序路径（PATH）里没有它，请选择程序文件。").arg(path);
      return target;
    }
    path = found;
  } else if (!QDir::isAbsolutePath(path)) {
    target.sError = QStringLiteral("“%1”不是完整的路径，请选择程序文件。").arg(path);
    return target;
  }
  const QFileInfo info(path);
  if (!info.exists()) {
    target.sError = QStringLiteral("程序“%1”不存在。").arg(path);
    return target;
  }
  if (info.isDir()) {
    target.sError = QStringLiteral("“%1”是文件夹，不是程序。").arg(path);
    return target;
  }
  target.sPath = info.canonicalFilePath();
  const QFileInfo file(target.sPath);
  if (!file.isFile()) {
    target.sError = QStringLiteral("“%1”不是程序。").arg(path);
    return target;
  }
  if (file.suffix().compare(QLatin1String("desktop"), Qt::CaseInsensitive) == 0) {
    const QStringList words = DesktopExecWords(target.sPath);
    std::vector<TWord> command;
    for (const QString &word : words)
      command.push_back({word, true});
    QString why;
    const QString program = ProgramOfCommand(command, &why);
    if (program.isEmpty()) {
      target.sError = words.isEmpty() ? QStringLiteral("启动器“%1”里没有要启动的程序。").arg(path)
                      : why.isEmpty()
                          ? QStringLiteral("启动器“%1”启动的程序（%2）找不到或看不出来。").arg(path, words.join(u' '))
                          : QStringLiteral("启动器“%1”启动的程序（%2）看不出来：%3。").arg(path, words.join(u' '), why);
      return target;
    }
    AddProgram(target, program, 1);
    return target;
  }
  // A script without its execute bit still runs through its interpreter, which the scan sees.
  if (!file.isExecutable() && !IsScriptFile(file)) {
    target.sError = QStringLiteral("“%1”不是程序（不能执行）。").arg(path);
    return target;
  }
  // Limiting what runs other programs would end every script, or every program, it runs.
  switch (const TExecutable what = WhatExecutable(target.sPath); what.Kind) {
  case TExecutableKind::ekInterpreter:
    target.sError = QStringLiteral("“%1”是脚本解释器（%2），限制它会结束孩子的每个脚本：请选择要限制的脚本。")
                        .arg(path, what.sName);
    return target;
  case TExecutableKind::ekLoader:
    target.sError =
        QStringLiteral("“%1”是动态加载器（%2），每个程序都由它启动：请选择要限制的程序。").arg(path, what.sName);
    return target;
  case TExecutableKind::ekMultiCall:
    target.sError = QStringLiteral("“%1”是多合一程序（%2都是它），限制它会结束其中每一个程序。").arg(path, what.sName);
    return target;
  case TExecutableKind::ekProgram:
    break;
  }
  AddProgram(target, target.sPath, 0);
  return target;
}

QString DescribeLimitTarget(const TLimitTarget &target) {
  QStringList started = target.Programs;
  started.removeAll(target.sPath);
  if (started.isEmpty())
    return target.sPath;
  return QStringLiteral("%1（它启动的程序：%2）").arg(target.sPath, started.join(QStringLiteral("、")));
}

QString LimitRowProblem(const QString &app, const TLimitTarget &target, const QString &dt) {
  QStringList problems;
  if (!target.sError.isEmpty())
    problems << QStringLiteral("限制程序%1不起作用：%2").arg(app, target.sError);
  try {
    if (ParseSchedule(dt).empty())
      problems << QStringLiteral("限制程序%1没有设置时间（数据被改过），现在一直限制它。").arg(app);
  } catch (const std::exception &e) {
    problems << QStringLiteral("限制程序%1的时间读不出（%2），现在一直限制它。").arg(app, QString::fromUtf8(e.what()));
  }
  return problems.join(u' ');
}
