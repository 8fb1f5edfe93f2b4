#pragma once
// The number of entries of the compiled-in word list, kept as decimal text beside the table;
// entries above it are never read.
#include <cstdint>
#include <string_view>

std::u16string_view WordCountText();

// Decimal text to integer; anything else raises "'<text>' is not a valid integer value".
int32_t ParseWordCount(std::u16string_view text);
