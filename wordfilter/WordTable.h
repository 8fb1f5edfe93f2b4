#pragma once
// The compiled-in string table of listed words, generated from words.txt at build time:
// line i of the file is entry i. A missing entry (0, or past the table) loads as empty.
#include <cstdint>
#include <string_view>

std::u16string_view LoadWordString(int32_t id);
