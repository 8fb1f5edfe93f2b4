#include "guard/uAgentWatch.h"
#include "guard/uChildAccounts.h"
#include "guard/uGuardCards.h"

#include "common/uPenalta.h"
#include "common/uRegistryHelper.h"
#include "guard/uLogind.h"
#include "platform/errors/ErrorGuard.h"

#include <QDateTime>
#include <QSet>
#include <algorithm>
#include <grp.h>
#include <pwd.h>
#include <vector>

TAgentWatch::TAgentWatch(const QDBusConnection &bus, const TOptions &options, QObject *parent)
    : QObject(parent), FBus(bus), FOptions(options), FAgents(bus) {
  connect(&FTimer, &QTimer::timeout, this, [this] { GuardedCall([this] { Check(); }); });
  FTimer.start(int(std::max<qint64>(50, qint64(double(CheckEveryMs) / FOptions.dTimeScale))));
}

void TAgentWatch::Register(const QString &connection, uint uid) { FAgents.Add(connection, uid); }

void TAgentWatch::Release(uint uid) {
  FSessions.removeIf([uid](const auto &session) { return session.value().iUid == uid; });
}

qint64 TAgentWatch::Elapsed(const QElapsedTimer &since) const {
  return qint64(double(since.elapsed()) * FOptions.dTimeScale);
}

void TAgentWatch::Check() {
  QSet<QString> seen;
  for (const TLoginSession &session : GraphicalSessions(FBus)) {
    if (!AccountInGroup(session.iUid, FOptions.sChildrenGroup))
      continue;
    seen.insert(session.sId);
    auto state = FSessions.find(session.sId);
    if (FAgents.Holds(session.iUid)) {
      // Before the lock an agent that came back ends the count; after it only the parent does.
      if (state != FSessions.end() && state->eStage < wsLocked)
        FSessions.erase(state);
      continue;
    }
    if (state == FSessions.end()) {
      state = FSessions.insert(session.sId, TSessionState{session.iUid, wsMissing, {}});
      state->tSince.start();
    }
    Advance(session.sId, *state);
  }
  FSessions.removeIf([&seen](const auto &session) { return !seen.contains(session.key()); });
}

void TAgentWatch::Advance(const QString &id, TSessionState &state) {
  const qint64 elapsed = Elapsed(state.tSince);
  switch (state.eStage) {
  case wsMissing:
    if (elapsed < GraceMs)
      return;
    state.eStage = wsWarned;
    GiveCard(state.iUid);
    break;
  case wsWarned:
    if (elapsed < LockAfterMs)
      return;
    state.eStage = wsLocked;
    LockLoginSession(FBus, id);
    break;
  case wsLocked:
    if (elapsed < EndAfterMs)
      return;
    state.eStage = wsEnded;
    TerminateLoginSession(FBus, id);
    break;
  case wsEnded:
    return;
  }
  state.tSince.start();
}

void TAgentWatch::GiveCard(uint uid) {
  const TPenalta::TStoredChange change = RecordViolation(QDateTime::currentDateTime(), AgentMissingItem);
  if (FOnCard)
    FOnCard(uid, change.iCount, change.bPassed);
}
