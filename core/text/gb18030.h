// SPDX-License-Identifier: GPL-3.0-or-later
// GB18030 by table, on every system (Windows has no iconv, and its code page 54936 is missing from some
// of them; a call per short cell text also costs more than the table). The tables are made from glibc's
// converter and every function gives the bytes glibc's iconv gives, replacements included, so the builds
// agree byte for byte.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace velmora::text::gb18030 {

// UTF-8 to GB18030; each byte that starts no valid character, or the first byte of a character without a
// code, becomes "?" (the rest of that character's bytes then each become "?" as well, as with iconv).
std::string fromUtf8(std::string_view utf8);

// GB18030 to UTF-8; each byte that starts no valid character becomes U+FFFD.
std::string toUtf8(std::string_view gbk);

// UTF-16 to GB18030; an unpaired surrogate becomes "?".
std::string fromUtf16(std::u16string_view utf16);

// GB18030 to UTF-16; each byte that starts no valid character becomes U+FFFD.
std::u16string toUtf16(std::string_view gbk);
// The same into `out`, which has room for gbk.size() units: no text needs more, as every character
// takes at least as many bytes as units. Returns the units written; for callers that convert many
// short texts into one buffer.
std::size_t toUtf16(std::string_view gbk, char16_t* out);

// Appends the UTF-8 bytes of one code point below 0x110000 (the callers' converters give no other).
void appendUtf8(char32_t cp, std::string& out);

}  // namespace velmora::text::gb18030
