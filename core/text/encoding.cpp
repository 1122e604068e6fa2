// SPDX-License-Identifier: GPL-3.0-or-later
// The conversions between GBK and Unicode, the same on every system: by the tables made from glibc's
// converter (their tests compare them with it code for code), so both builds give the same bytes, and a
// short text, such as a cell's, is converted without a converter call's cost.
#include "text/encoding.h"

#include <cstdint>
#include <cstring>

#include "text/gb18030.h"

namespace velmora::text {

namespace {

// The Word (8 or 4 bytes) at `at`, unaligned.
template <typename Word>
std::uint64_t loadWord(const char* at) {
    Word word;
    std::memcpy(&word, at, sizeof word);
    return word;
}

}  // namespace

// Eight bytes at a time, the last word overlapping the one before: most cell texts are short codes and
// figures, all ASCII, and the workbook writer asks this of every one.
bool isAscii(std::string_view text) {
    const char* bytes = text.data();
    const std::size_t size = text.size();
    std::uint64_t seen = 0;
    if (size >= 8) {
        for (std::size_t i = 0; i + 8 <= size; i += 8) seen |= loadWord<std::uint64_t>(bytes + i);
        seen |= loadWord<std::uint64_t>(bytes + size - 8);
    } else if (size >= 4) {
        seen = loadWord<std::uint32_t>(bytes) | loadWord<std::uint32_t>(bytes + size - 4);
    } else {
        for (std::size_t i = 0; i < size; ++i) seen |= static_cast<unsigned char>(bytes[i]);
    }
    return (seen & 0x8080808080808080u) == 0;
}

Text gbkFromUtf8(std::string_view utf8) {
    if (isAscii(utf8)) return Text(utf8);
    return gb18030::fromUtf8(utf8);
}

std::string utf8FromGbk(std::string_view gbk) {
    if (isAscii(gbk)) return std::string(gbk);
    return gb18030::toUtf8(gbk);
}

Text gbkFromUtf16(std::u16string_view utf16) { return gb18030::fromUtf16(utf16); }

std::u16string utf16FromGbk(std::string_view gbk) { return gb18030::toUtf16(gbk); }

}  // namespace velmora::text
