#pragma once
// The Data Encryption Standard (FIPS 46-3), electronic codebook mode, with a text layer that
// works on one byte per character (the low 8 bits of each character code) and a hexadecimal
// form of the cipher text. The card counter stores its count with it.
#include <QString>
#include <array>
#include <cstdint>

using TDesBlock = std::array<uint8_t, 8>;
// The 16 round keys of 48 bits each, in the low bits.
using TDesSubkeys = std::array<uint64_t, 16>;

enum TDesMode { dmEncry = 0, dmDecry = 1 };

// Derives the round keys; the parity bit of every key byte is ignored.
TDesSubkeys DesMakeSubkeys(const TDesBlock &key);
// Enciphers (round keys 1..16) or deciphers (16..1) one block.
TDesBlock DesCryptBlock(const TDesSubkeys &subkeys, TDesMode mode, const TDesBlock &input);

// Pads text with NUL to a multiple of 8 and enciphers it; one result character per cipher byte.
// The key is padded with NUL to 8 characters; characters beyond the eighth do not count.
// Raises "Error: the last char is NULL char." for a text ending in NUL.
QString DesEncryptText(const QString &text, const QString &key);
// Deciphers every complete group of 8 characters and removes the NUL characters at the end.
QString DesDecryptText(const QString &text, const QString &key);
// DesEncryptText as uppercase hexadecimal, two digits per byte.
QString DesEncryptToHex(const QString &text, const QString &key);
// Pairs of hexadecimal digits (an odd last digit is ignored) deciphered as by DesDecryptText.
QString DesDecryptFromHex(const QString &hex, const QString &key);
// Value of a text of hexadecimal digits, 32-bit wrapping; 0 for an empty text. Raises
// "Error: not a Hex String" at the first other character.
int32_t HexTextToInt(const QString &text);
