#pragma once
// Gives the controls of a window their design field names (btnAdd, lstRules, ...) as object
// names, by which tests and the host's demonstration find them. Names only: nothing else about
// the controls changes.
#include <QLatin1String>
#include <QObject>
#include <initializer_list>
#include <utility>

inline void NameFields(std::initializer_list<std::pair<QObject *, const char *>> fields) {
  for (const auto &[object, name] : fields)
    object->setObjectName(QLatin1String(name));
}
