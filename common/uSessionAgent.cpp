#include "common/uSessionAgent.h"

#include "common/uGuardLink.h"

void RegisterSessionAgent() {
  if (const TGuardLink *guard = TGuardLink::Active())
    guard->Call(QStringLiteral("RegisterSessionAgent"));
}
