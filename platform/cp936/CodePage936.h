#pragma once
// Code page 936 (GBK), the ANSI code page of the target systems. The word filter, the browse
// log and the page text handed to the filter use it. Characters without a mapping become "?".
#include <string>
#include <string_view>

std::string Utf16ToCp936(std::u16string_view text);
std::u16string Cp936ToUtf16(std::string_view bytes);

// UTF-8 in, code page 936 out; invalid UTF-8 sequences become "?" as unmapped characters do.
std::string Utf8ToCp936(std::string_view text);
std::string Cp936ToUtf8(std::string_view bytes);
