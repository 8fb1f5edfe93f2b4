#pragma once
// An owning list whose every operation runs under one lock. Removing an element releases it;
// releasing the list releases all elements. Once the list's release has begun, every operation
// does nothing and returns 0, -1 or null.
#include "platform/errors/Errors.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <utility>
#include <vector>

// TRelease(T*) frees an element; the default deletes it.
template <class T, class TRelease = std::default_delete<T>> class TSafedObjectList {
public:
  explicit TSafedObjectList(TRelease release = TRelease()) : FRelease(std::move(release)) {}
  ~TSafedObjectList() {
    std::vector<T *> items;
    {
      std::lock_guard lock(FSection);
      FDestroying = true;
      items.swap(FObjList);
    }
    // Released outside the lock: an element may look at the list while it goes.
    for (T *item : items)
      FRelease(item);
  }
  TSafedObjectList(const TSafedObjectList &) = delete;
  TSafedObjectList &operator=(const TSafedObjectList &) = delete;

  int32_t Add(T *AObject) {
    std::lock_guard lock(FSection);
    if (FDestroying)
      return 0;
    FObjList.push_back(AObject);
    return int32_t(FObjList.size()) - 1;
  }

  // Takes the element out without releasing it; null when it is not in the list.
  T *Extract(T *Item) {
    std::lock_guard lock(FSection);
    if (FDestroying)
      return nullptr;
    const int32_t index = Find(Item);
    if (index < 0)
      return nullptr;
    FObjList.erase(FObjList.begin() + index);
    return Item;
  }

  // Takes the element out and releases it; returns its former index, or -1 when absent.
  int32_t Remove(T *AObject) {
    int32_t index;
    {
      std::lock_guard lock(FSection);
      if (FDestroying)
        return 0;
      index = Find(AObject);
      if (index < 0)
        return -1;
      FObjList.erase(FObjList.begin() + index);
    }
    FRelease(AObject);
    return index;
  }

  int32_t IndexOf(T *AObject) const {
    std::lock_guard lock(FSection);
    return FDestroying ? 0 : Find(AObject);
  }

  void Insert(int32_t Index, T *AObject) {
    std::lock_guard lock(FSection);
    if (FDestroying)
      return;
    if (Index < 0 || Index > int32_t(FObjList.size()))
      throw EArgumentOutOfRange();
    FObjList.insert(FObjList.begin() + Index, AObject);
  }

  T *First() const { return Items(0); }
  T *Last() const {
    std::lock_guard lock(FSection);
    if (FDestroying)
      return nullptr;
    if (FObjList.empty())
      throw EArgumentOutOfRange();
    return FObjList.back();
  }

  // The element at Index; raises EArgumentOutOfRange outside the list.
  T *Items(int32_t Index) const {
    std::lock_guard lock(FSection);
    if (FDestroying)
      return nullptr;
    if (Index < 0 || Index >= int32_t(FObjList.size()))
      throw EArgumentOutOfRange();
    return FObjList[Index];
  }

  int32_t Count() const {
    std::lock_guard lock(FSection);
    return FDestroying ? 0 : int32_t(FObjList.size());
  }

private:
  int32_t Find(T *item) const {
    for (size_t i = 0; i < FObjList.size(); ++i)
      if (FObjList[i] == item)
        return int32_t(i);
    return -1;
  }

  mutable std::mutex FSection;
  std::vector<T *> FObjList;
  bool FDestroying = false;
  TRelease FRelease;
};
