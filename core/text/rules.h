// SPDX-License-Identifier: GPL-3.0-or-later
// The text and number rules every part of Velmora applies to GBK byte strings.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::text {

// User data is GBK bytes: lengths and positions count bytes, and an absent text is the empty text.
using Text = std::string;

// Returns the byte length of the character starting at `pos`: 2 for a byte of 0x80 or more that has a
// byte after it, else 1. A four-byte GB18030 sequence therefore steps as two pairs.
std::size_t charLength(std::string_view text, std::size_t pos);

// Folds full-width ASCII forms, the ideographic space, the wave dash and the two stars to ASCII.
Text foldWidth(std::string_view text);

// Reads an optionally signed decimal integer after white space, as atoi would after folding; no digit
// gives 0. Values beyond 32 bits saturate.
std::int32_t readInteger(std::string_view text);

// Reads the longest C decimal floating-point prefix after folding and white space; none gives 0.
double readNumber(std::string_view text);

// Drops the fraction toward zero; NaN gives 0 and values beyond 32 bits saturate.
std::int32_t truncateToInteger(double number);

// Writes plain decimal digits with a leading "-" for negative values.
Text writeInteger(std::int32_t value);

// Compares byte by byte as unsigned values; -1, 0 or +1. Nothing is trimmed or folded on purpose:
// a trailing blank makes two card codes differ.
int compareText(std::string_view a, std::string_view b);

// Splits at the separator where it starts on a character boundary. An empty text gives no fields, an
// empty separator gives the whole text, and a trailing empty field is dropped.
std::vector<Text> split(std::string_view text, std::string_view separator = ",");
// The number of fields split would give, without making them.
std::size_t countFields(std::string_view text, std::string_view separator = ",");

// Replaces every occurrence that starts on a character boundary; replaced text is never rescanned.
Text replaceAll(std::string_view text, std::string_view search, std::string_view replacement = {});

// Returns the first `count` bytes; 0 or less gives the empty text.
Text leftPart(std::string_view text, int count);

// Joins texts with nothing between them.
template <typename... Parts>
Text join(const Parts&... parts) {
    Text result;
    result.reserve((std::string_view(parts).size() + ... + 0));
    (result.append(std::string_view(parts)), ...);
    return result;
}

}  // namespace velmora::text
