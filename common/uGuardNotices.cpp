#include "common/uGuardNotices.h"

#include "common/uChangeNotices.h"
#include "common/uGuardLink.h"

#include <QObject>
#include <QVariantList>

bool FollowGuardChanges(QObject *owner) {
  const TGuardLink *guard = TGuardLink::Active();
  if (!guard)
    return true;
  // Every signal names the bus connection whose call made the change first.
  const QString self = guard->Connection().baseService();
  const auto fromElsewhere = [self](const QVariantList &args) { return args.value(0).toString() != self; };
  bool ok = guard->Follow(QStringLiteral("SettingsChanged"), owner, [=](const QVariantList &args) {
    if (fromElsewhere(args))
      NotifySettingsChanged();
  });
  ok &= guard->Follow(QStringLiteral("LimitsChanged"), owner, [=](const QVariantList &args) {
    if (fromElsewhere(args))
      NotifyLimitsChanged(args.value(1).toInt(), args.value(2).toInt());
  });
  ok &= guard->Follow(QStringLiteral("BlackListChanged"), owner, [=](const QVariantList &args) {
    if (fromElsewhere(args))
      NotifyBlackListChanged(args.value(1).toInt(), args.value(2).toInt());
  });
  ok &= guard->Follow(QStringLiteral("CardCountChanged"), owner, [=](const QVariantList &args) {
    if (fromElsewhere(args))
      NotifyCardCount(args.value(1).toInt());
  });
  return ok;
}
