#pragma once
// The guard's watch over the session agent (the host, the session's hands and eyes). The host
// registers when it starts and is known by its bus connection; when that connection leaves the
// bus (the host ended, killed or crashed) the account has no agent. Every few seconds the watch
// asks the login manager for the graphical sessions; a session of a watched account (a member of
// the children's group) found without an agent of its account is treated in steps:
//   30 s without an agent: one violation row ("关闭了Sunvale主程序") and one card;
//   2 minutes more:        the session is locked through the login manager;
//   2 minutes more:        the session is ended, unless the parent gave the lock back meanwhile.
// An agent that comes back before the lock ends the count; after the lock only the parent's
// release does. The waits can run faster for tests (a time scale). Touches the violation table
// and the card count of the data layer, and the login manager on the bus.
#include "guard/uAccountConnections.h"

#include <QDBusConnection>
#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <functional>

// The history item of a session left without its host.
inline const QString AgentMissingItem = QStringLiteral("关闭了Sunvale主程序");

class TAgentWatch : public QObject {
  Q_OBJECT
public:
  struct TOptions {
    QString sChildrenGroup = QStringLiteral("pemblo-children");
    // The waits pass this many times faster (tests only).
    double dTimeScale = 1;
  };
  // The card given to an account: the count after it and whether it went past three.
  using TCardEvent = std::function<void(uint uid, int32_t count, bool passed)>;

  TAgentWatch(const QDBusConnection &bus, const TOptions &options, QObject *parent = nullptr);

  // The agent of the account uid is the connection, until it leaves the bus.
  void Register(const QString &connection, uint uid);
  // The parent gave the account's lock back: its sessions are watched from the start again.
  void Release(uint uid);

  void SetOnCard(TCardEvent handler) { FOnCard = std::move(handler); }

  // The waits, in the watch's own time.
  static constexpr qint64 GraceMs = 30 * 1000;
  static constexpr qint64 LockAfterMs = 2 * 60 * 1000;
  static constexpr qint64 EndAfterMs = 2 * 60 * 1000;
  static constexpr qint64 CheckEveryMs = 5 * 1000;

private:
  enum TStage { wsMissing, wsWarned, wsLocked, wsEnded };
  struct TSessionState {
    uint iUid = 0;
    TStage eStage = wsMissing;
    QElapsedTimer tSince;  // since the stage began
  };

  void Check();
  // Moves the session on when its stage has lasted long enough.
  void Advance(const QString &id, TSessionState &state);
  void GiveCard(uint uid);
  qint64 Elapsed(const QElapsedTimer &since) const;

  QDBusConnection FBus;
  TOptions FOptions;
  TAccountConnections FAgents;
  QHash<QString, TSessionState> FSessions;
  QTimer FTimer;
  TCardEvent FOnCard;
};
