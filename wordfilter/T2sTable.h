#pragma once
// Traditional Chinese characters and the simplified characters they stand for, generated at
// build time from OpenCC's character table (Debian's opencc), sorted by the traditional one.
// Used for matching only: a text is never shown converted.
#include <span>

struct TT2sPair {
  char16_t traditional;
  char16_t simplified;
};

std::span<const TT2sPair> TradToSimpPairs();
