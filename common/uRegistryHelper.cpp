#include "common/uRegistryHelper.h"
#include "common/uGuardLink.h"
#include "platform/errors/Errors.h"

#include <optional>
#include <stdexcept>

namespace {

QString StringOf(const std::optional<TRegValue> &value, const QString &name) {
  if (!value)
    return {};
  if (!value->IsString())
    Raise<ERegistryError>(QStringLiteral("Invalid data type for '%1'").arg(name));
  return value->Text();
}

// In guarded mode the machine's hive is the guard's.
const TGuardLink *MachineGuard(THKey root) { return root == HKEY_LOCAL_MACHINE ? TGuardLink::Active() : nullptr; }

}  // namespace

bool RegWriteString(THKey root, const QString &key, const QString &name, const QString &value) {
  if (const TGuardLink *guard = MachineGuard(root))
    return guard->Call(QStringLiteral("WriteMachineValue"), {key, name, value}).value(0).toBool();
  return UpdateHive(root, [&](THiveAccess &hive) { hive.WriteValue(key, name, TRegValue::String(value)); });
}

QString RegReadString(THKey root, const QString &key, const QString &name) {
  if (const TGuardLink *guard = MachineGuard(root))
    return guard->Call(QStringLiteral("ReadMachineValue"), {key, name}).value(0).toString();
  QString text;
  ReadHive(root, [&](const THiveAccess &hive) { text = StringOf(hive.ReadValue(key, name), name); });
  return text;
}

QString RegUpdateString(THKey root, const QString &key, const QString &name,
                        const std::function<QString(const QString &)> &change) {
  // The guard's values change one call at a time: what the guard itself keeps in step (the
  // card count, the password's tries) has calls of its own.
  if (MachineGuard(root)) {
    const QString result = change(RegReadString(root, key, name));
    return RegWriteString(root, key, name, result) ? result : RegReadString(root, key, name);
  }
  QString result;
  const bool written = UpdateHive(root, [&](THiveAccess &hive) {
    result = change(StringOf(hive.ReadValue(key, name), name));
    hive.WriteValue(key, name, TRegValue::String(result));
  });
  return written ? result : RegReadString(root, key, name);
}
