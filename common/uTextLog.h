#pragma once
// The logs of the programs that show web pages, one line per event in a file per day
// ("yyyy-MM-dd.txt"): the browse log, every address the browser is asked to open, in
// GetBrowseLogPath() in code page 936; and the parent's block log, every page the browser or the
// viewer blocked and why, in GetLogPath() + "拦截日志/" in UTF-8.
#include <QDateTime>
#include <QString>
#include <functional>

enum class TLogKind { Browse, Block };

class TTextLogManager {
public:
  using TClock = std::function<QDateTime()>;

  // Opens (creating it and its folder when missing) the file of the clock's current day. Raises
  // the file-open error when the file cannot be opened.
  explicit TTextLogManager(TClock clock = &QDateTime::currentDateTime, TLogKind kind = TLogKind::Browse);
  ~TTextLogManager();
  TTextLogManager(const TTextLogManager &) = delete;
  TTextLogManager &operator=(const TTextLogManager &) = delete;

  // Appends "[hh:mm]" + two blanks + alog + CR LF; an empty alog is ignored. Each line goes to
  // the end of the file in one write, so browsers logging at the same time never overwrite or
  // split one another's lines. A failed write loses the line silently and leaves no part of it.
  void Logs(const QString &alog);

  const QString &FileName() const { return FFileName; }

private:
  TClock FClock;
  TLogKind FKind;
  QString FFileName;
  int FHandle = -1;
};
