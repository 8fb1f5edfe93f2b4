#include "common/uChildAccountsClient.h"

#include "common/uGuardLink.h"
#include "platform/errors/Errors.h"

bool ChildAccountsKept() { return TGuardLink::Active() != nullptr; }

void AddChildAccount(const QString &user) {
  if (const TGuardLink *guard = TGuardLink::Active()) {
    guard->Call(QStringLiteral("AddChild"), {user});
    return;
  }
  Raise(QStringLiteral("孩子账户只能在家长规则服务运行时添加。"));
}
