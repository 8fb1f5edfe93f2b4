#pragma once
// The logs of the programs that show web pages, one line per event in a file per day
// ("yyyy-MM-dd.txt"): the browse log, every address the browser is asked to open, in
// GetBrowseLogPath() in code page 936; and the parent's block log, every page the browser or the
// viewer blocked and why, in GetLogPath() + "拦截日志/" in UTF-8. In guarded mode the logs are the
// guard's: a manager opens no file and hands each event to the guard, which writes the same line.
#include <QDateTime>
#include <QString>
#include <cstdint>
#include <functional>

enum class TLogKind { Browse, Block };

class TTextLogManager {
public:
  using TClock = std::function<QDateTime()>;

  // Opens (creating it and its folder when missing) the file of the clock's current day. Raises
  // the file-open error when the file cannot be opened. Opens nothing in guarded mode.
  explicit TTextLogManager(TClock clock = &QDateTime::currentDateTime, TLogKind kind = TLogKind::Browse);
  ~TTextLogManager();
  TTextLogManager(const TTextLogManager &) = delete;
  TTextLogManager &operator=(const TTextLogManager &) = delete;

  // Appends "[hh:mm]" + two blanks + alog + CR LF; an empty alog is ignored. Each line goes to
  // the end of the file in one write, so browsers logging at the same time never overwrite or
  // split one another's lines. A failed write loses the line silently and leaves no part of it.
  void Logs(const QString &alog);

  // The events, each one line: of the browse log, an address asked for; of the block log, a page
  // blocked for its words ("<address>  <findings>") and a black-listed address
  // ("<address>  black list <row key>").
  void LogVisit(const QString &address);
  void LogBlocked(const QString &address, const QString &findings);
  void LogBlackListed(const QString &address, int32_t key);

  // Empty in guarded mode.
  const QString &FileName() const { return FFileName; }

private:
  TClock FClock;
  TLogKind FKind;
  QString FFileName;
  int FHandle = -1;
};
