#pragma once
// The yellow-card counter: how many cards the child has (0 to 3), kept enciphered in HKLM
// \SOFTWARE\Pemblo value "YCount" so that every process of the suite and the host see the same
// count. Each change starts the lock program (HKLM \SOFTWARE\Pemblo value "PembloLock") when
// it would pass 3 cards and is announced to the host's main window with WM_YCARDUPDATE.
//
// Touches the registry, starts the lock program and sends to the host's main window; keeps
// nothing in memory, so instances are interchangeable. In guarded mode the guard keeps the
// count: anyone may give cards (they only ever count against the child), only a parent session
// takes them away; past three cards the guard locks the child's account and asks the host of its
// session for the lock program (common/uSessionAgent.h). A host that gives cards
// links this module (or writes the same format: docs/host-interface.md).
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

class TPenalta {
public:
  // The count's key: the cipher uses its first eight characters, one byte each.
  static const QString CardKey;
  static const QString RegKey;         // "\SOFTWARE\Pemblo" under HKEY_LOCAL_MACHINE
  static const QString CountValue;     // "YCount"
  static const QString LockProgValue;  // "PembloLock"
  // More cards than this start the lock program.
  static constexpr int32_t MaxCards = 3;

  // The stored form of a count: the decimal text enciphered as one block, 16 hex digits.
  static QString EncodeCount(int32_t count);
  // The count a stored text stands for; 0 when it is not hexadecimal or not a decimal number,
  // 3 when it is a number outside 0..3.
  static int32_t DecodeCount(const QString &stored);

  // The current count; 0 when it is missing or cannot be read.
  int32_t YCount() const;
  // The current count, 0 when it is missing; nothing when it cannot be read (a value of another
  // type, a text that is no enciphered number, a hive that cannot be read), which the lock
  // program reads as "stay locked".
  std::optional<int32_t> ReadYCount() const;
  // Adds cards to the count (one that cannot be read counts as none and is replaced). Past 3
  // the lock program starts and 3 is stored; a missing lock program raises
  // "文件:" + path + "不存在！" and leaves the count as it was. The read, the change and the
  // write are one step for every process that changes the count the same way. Returns false
  // when the registry cannot be written: the cards are still given and announced, not stored.
  bool IncYCard(int32_t Value);
  // Removes cards, never below 0; one step as IncYCard. Returns false when the registry cannot
  // be written: then the count stays and nothing is announced.
  bool DecYCard(int32_t Value);
  // Sends WM_YCARDUPDATE with the count to the host's main window and waits until it is
  // handled; nothing happens when that window is not there.
  void SendUpdateMsg(int32_t count);

  // The guard's own step: adds delta (negative to take cards) to the stored count, kept within
  // 0..3, in one locked step; starts and announces nothing. Nothing when it could not be stored.
  struct TStoredChange {
    int32_t iCount = 0;
    bool bPassed = false;  // the cards given went past 3: the lock is due
  };
  std::optional<TStoredChange> ChangeStoredCount(int32_t delta);

private:
  // Stores change(current count) in one locked step and announces it; false when not stored.
  bool Update(const std::function<int64_t(int64_t)> &change);
};
