#pragma once
// Exports of the word-filter library SVWordTree. `str` is a managed byte string in code page
// 936 (see ManagedString.h); a null pointer is the empty string.
#include <cstdint>

#if defined(__i386__)
#define SVWORDTREE_CALL __attribute__((stdcall))
#else
#define SVWORDTREE_CALL
#endif

extern "C" {
// The number of listed words found in the text.
__attribute__((visibility("default"))) int32_t SVWORDTREE_CALL SearchWordCount(const char *str);
// True (1) when the text holds fewer hits than `threshold`: the text can pass.
__attribute__((visibility("default"))) bool SVWORDTREE_CALL SearchWordIsCanPass(const char *str, int32_t threshold);
}
