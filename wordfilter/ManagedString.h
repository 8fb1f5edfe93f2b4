#pragma once
// The managed byte string the filter exports take: the pointer shows the first byte; in front
// of it lies a 12-byte header (code page, element size, reference count, length) and a zero
// byte follows the last one. A reference count of -1 marks a constant that is never counted.
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string_view>

struct TManagedStringHeader {
  uint16_t codePage;
  uint16_t elementSize;
  int32_t refCount;
  int32_t length;
};
static_assert(sizeof(TManagedStringHeader) == 12);

inline TManagedStringHeader *ManagedHeader(const char *str) {
  return reinterpret_cast<TManagedStringHeader *>(const_cast<char *>(str) - sizeof(TManagedStringHeader));
}

// Adds or drops a reference atomically; constants (-1) are left alone. Returns the new count.
inline int32_t ManagedAddRef(const char *str, int32_t delta) {
  std::atomic_ref<int32_t> count(ManagedHeader(str)->refCount);
  int32_t old = count.load(std::memory_order_relaxed);
  do {
    if (old == -1)
      return -1;
  } while (!count.compare_exchange_weak(old, old + delta, std::memory_order_acq_rel));
  return old + delta;
}

// An owning managed byte string in code page 936 (one reference, released on destruction).
class TAnsiString {
public:
  explicit TAnsiString(std::string_view bytes, uint16_t codePage = 936) {
    FBlock = static_cast<char *>(std::malloc(sizeof(TManagedStringHeader) + bytes.size() + 1));
    if (!FBlock)
      throw std::bad_alloc();
    auto *h = reinterpret_cast<TManagedStringHeader *>(FBlock);
    *h = {codePage, 1, 1, int32_t(bytes.size())};
    std::memcpy(Data(), bytes.data(), bytes.size());
    Data()[bytes.size()] = '\0';
  }
  ~TAnsiString() { std::free(FBlock); }
  TAnsiString(const TAnsiString &) = delete;
  TAnsiString &operator=(const TAnsiString &) = delete;

  // What the exports take: the first byte, header in front.
  char *Data() const { return FBlock + sizeof(TManagedStringHeader); }
  TManagedStringHeader &Header() const { return *reinterpret_cast<TManagedStringHeader *>(FBlock); }

private:
  char *FBlock;
};
