#pragma once
// The registry: one SQLite file per root key in the registry folder (GetRegistryFolder()).
// Key paths are separated by "\"; a leading "\" starts at the root, as every path does here.
// Keys and value names compare without regard to letter case; values are typed. Every write
// is one transaction, so it is atomic and several processes share a hive safely; writers wait
// their turn in order on "<hive>.lock" beside it, for 2 s at most (a lock file held by another
// program slows writes, never stops them), then on SQLite's lock for 5 s at most. A hive that
// cannot be written (read-only, on a full disk, or locked by another program past those
// waits) makes a write skip and say so to its caller, which decides whether a person
// hears of it. A hive that is damaged or no database is moved aside as
// "<hive>.broken-<time>" by the access that meets it, which raises SQLite's error; the next
// access starts a new hive.
#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>

class TSqliteDb;

enum class THKey { ClassesRoot, CurrentUser, LocalMachine };
inline constexpr THKey HKEY_CLASSES_ROOT = THKey::ClassesRoot;
inline constexpr THKey HKEY_CURRENT_USER = THKey::CurrentUser;
inline constexpr THKey HKEY_LOCAL_MACHINE = THKey::LocalMachine;

// Value types, numbered as in the registry.
enum class TRegDataType : int { String = 1, ExpandString = 2, Binary = 3, DWord = 4 };

struct TRegValue {
  TRegDataType eType = TRegDataType::String;
  QByteArray data;  // the text in UTF-8 for the two string types

  static TRegValue String(const QString &text, TRegDataType type = TRegDataType::String) {
    return {type, text.toUtf8()};
  }
  bool IsString() const { return eType == TRegDataType::String || eType == TRegDataType::ExpandString; }
  QString Text() const { return QString::fromUtf8(data); }
};

// The hive file of a root key.
QString HiveFileName(THKey root);

// Access to one hive within one transaction.
class THiveAccess {
public:
  bool KeyExists(const QString &key) const;
  // The value, or nothing when the key or the value does not exist. An empty name is the
  // key's default value.
  std::optional<TRegValue> ReadValue(const QString &key, const QString &name) const;
  // Writes the value, creating the key and its missing parents.
  void WriteValue(const QString &key, const QString &name, const TRegValue &value);
  // Creates the key and its missing parents.
  void CreateKey(const QString &key);

private:
  friend bool ReadHive(THKey, const std::function<void(const THiveAccess &)> &);
  friend bool UpdateHive(THKey, const std::function<void(THiveAccess &)> &);
  explicit THiveAccess(TSqliteDb *db) : FDb(db) {}
  TSqliteDb *FDb;
};

// Runs work on the hive with its lock held for writing, so that a read-modify-write by several
// processes loses no change; all writes of work become visible together, or none when work
// raises (the error passes on). Returns false, having done nothing, when the hive cannot be
// written (read-only, a full disk, locked past the waits); errors while writing otherwise raise ERegistryError.
bool UpdateHive(THKey root, const std::function<void(THiveAccess &)> &work);

// Runs work on a consistent view of the hive; returns false without calling it when the hive
// does not exist or cannot be read. Reading creates nothing; a damaged hive raises.
bool ReadHive(THKey root, const std::function<void(const THiveAccess &)> &work);
