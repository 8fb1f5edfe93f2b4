#pragma once
// What the host does with a broken rule: one row in the violation history
// ("datetime:yyyy年MM月dd日 hh时mm分,item:违约使用了<name>"), one yellow card through the card
// counter (which starts the lock program past three cards), and a short notice to the child on
// screen. A row or a card that cannot be stored (a full disk, a read-only registry) is noted
// for the parent, never shown to the child; the card is given all the same. Writes the card
// database and the registry through the card library's static piece. The cards are given on a
// thread of their own, one after another: a registry kept locked by another program slows a
// card down but never the window or the limits that called for it.
#include "common/uViolationItems.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QThreadPool>
#include <functional>

class QWidget;

class TViolations {
public:
  using TClock = std::function<QDateTime()>;
  using TNoticeEvent = std::function<void(const QString &text)>;
  explicit TViolations(TClock clock = [] { return QDateTime::currentDateTime(); });
  // Waits for the cards still being given, and hands on what they had to say.
  ~TViolations();

  // Records the violation's row with its item, and has its card given. A card that cannot be
  // given (no lock program) is reported through the guard once the card thread answers; a row
  // or a card that cannot be stored is noted through the notice handler.
  void Record(const QString &item);

  void SetOnNotice(TNoticeEvent handler) { FOnNotice = std::move(handler); }

  // Shows the child a short notice near the given window (or the screen's centre) for a few
  // seconds.
  static void TellChild(const QString &text, QWidget *near);

private:
  void Note(const QString &text) const;

  TClock FClock;
  TNoticeEvent FOnNotice;
  QObject FHome;       // on the owner's thread: the card thread's answers come back to it
  QThreadPool FCards;  // one thread: the cards are given in the order of their violations
};
