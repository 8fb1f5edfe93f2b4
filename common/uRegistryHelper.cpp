#include "common/uRegistryHelper.h"
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

}  // namespace

bool RegWriteString(THKey root, const QString &key, const QString &name, const QString &value) {
  return UpdateHive(root, [&](THiveAccess &hive) { hive.WriteValue(key, name, TRegValue::String(value)); });
}

QString RegReadString(THKey root, const QString &key, const QString &name) {
  QString text;
  ReadHive(root, [&](const THiveAccess &hive) { text = StringOf(hive.ReadValue(key, name), name); });
  return text;
}

QString RegUpdateString(THKey root, const QString &key, const QString &name,
                        const std::function<QString(const QString &)> &change) {
  QString result;
  const bool written = UpdateHive(root, [&](THiveAccess &hive) {
    result = change(StringOf(hive.ReadValue(key, name), name));
    hive.WriteValue(key, name, TRegValue::String(result));
  });
  return written ? result : RegReadString(root, key, name);
}
