#pragma once
// The parent's password of the host. Only a salted, slow hash is kept: PBKDF2 with SHA-256 and
// 100,000 rounds, stored as "pbkdf2-sha256$<rounds>$<salt hex>$<hash hex>" in the host's own
// value "ParentPassword" under HKLM \SOFTWARE\Pemblo. Five wrong tries in a row make every try
// wait a minute; the tries are counted in the value "PasswordTries" ("<wrong tries>,<locked
// until, ms since the epoch>"), so ending the program does not reset them. The host and its
// lock program share this module. It touches the registry only. In guarded mode the guard
// keeps the hash and the tries under the same rules, and a right password opens a parent
// session of this process's bus connection: the guard's changes are let through on it.
#include <QDateTime>
#include <QString>
#include <functional>

enum class TPasswordCheck { Right, Wrong, Locked };

// The answer as the guard sends it on the bus: "right", "wrong" or "locked"; a text that is none
// of them reads as Wrong.
QString PasswordCheckText(TPasswordCheck check);
TPasswordCheck PasswordCheckOf(const QString &text);

class TParentPassword {
public:
  using TClock = std::function<QDateTime()>;

  static inline constexpr int Rounds = 100000;
  static inline constexpr int TriesBeforeWait = 5;
  static inline constexpr int WaitSeconds = 60;

  static inline const QString TriesValue = QStringLiteral("PasswordTries");

  // triesValue: the value that counts the wrong tries (the guard keeps one per account, so a
  // child's tries never make the parent's own account wait).
  explicit TParentPassword(
      TClock clock = [] { return QDateTime::currentDateTimeUtc(); }, QString triesValue = TriesValue);

  // A stored password that cannot be read (a value of another type, or a text not in the form
  // above: other rounds, other lengths, written by hand) counts as set, so nobody is asked for a
  // new one, and no password matches it: Damaged() says so.
  bool IsSet() const;
  bool Damaged() const;
  // Stores a new salted hash; an empty password is refused (raises), and so is a registry that
  // cannot be written, the old password staying.
  void Set(const QString &password);
  // Right resets the wrong tries; the fifth wrong try in a row starts the wait, during which
  // every try answers Locked without looking at the password. No wait ends more than a minute
  // after the try, whatever the stored time says (the clock may have been ahead when it began).
  TPasswordCheck Check(const QString &password);
  // Seconds left of the wait, 0 when there is none.
  int SecondsLocked() const;

private:
  TClock FClock;
  QString FTriesValue;
};
