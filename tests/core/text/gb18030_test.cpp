// SPDX-License-Identifier: GPL-3.0-or-later
// The table converter both builds use must give exactly the bytes of glibc's converter, from which its
// tables were made, for every code and character and for malformed input, replacements included.
#include "text/gb18030.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <random>
#include <string>

namespace velmora::text {
namespace {

// glibc's converter, each byte (or unit) it cannot take replaced by `replacement` and skipped.
std::string systemConverted(const char* to, const char* from, std::string_view in,
                            std::string_view replacement, std::size_t unit) {
    iconv_t cd = iconv_open(to, from);
    EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1));
    std::string out;
    char buffer[256];
    auto* inPtr = const_cast<char*>(in.data());
    std::size_t inLeft = in.size();
    while (true) {
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t rc = iconv(cd, inLeft ? &inPtr : nullptr, &inLeft, &outPtr, &outLeft);
        out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
        if (rc != static_cast<std::size_t>(-1)) {
            if (inLeft == 0) break;
            continue;
        }
        if (errno == E2BIG) continue;
        // An invalid or incomplete sequence: one unit replaced, the rest tried again.
        out += replacement;
        const std::size_t skip = std::min(unit, inLeft);
        inPtr += skip;
        inLeft -= skip;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
    return out;
}

std::string utf8FromGbk(std::string_view gbk) {
    return systemConverted("UTF-8", "GB18030", gbk, "\xEF\xBF\xBD", 1);
}
std::string gbkFromUtf8(std::string_view utf8) { return systemConverted("GB18030", "UTF-8", utf8, "?", 1); }
std::u16string utf16FromGbk(std::string_view gbk) {
    const std::string bytes = systemConverted("UTF-16LE", "GB18030", gbk, "\xFD\xFF", 1);
    std::u16string units(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i)
        units[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                         static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    return units;
}
std::string gbkFromUtf16(std::u16string_view utf16) {
    std::string bytes;
    for (const char16_t unit : utf16) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return systemConverted("GB18030", "UTF-16LE", bytes, "?", 2);
}

TEST(Gb18030Table, DecodesEveryCodeAsTheSystemConverter) {
    std::vector<std::string> codes;
    for (int lead = 0x80; lead <= 0xFF; ++lead) {
        for (int trail = 0x00; trail <= 0xFF; ++trail) codes.push_back({char(lead), char(trail)});
    }
    // Every four-byte code of the basic plane, and a stride through the others and past their end.
    for (int n = 0; n < 4 * 12600; ++n)
        codes.push_back({char(0x81 + n / 12600), char(0x30 + n / 1260 % 10), char(0x81 + n / 10 % 126),
                         char(0x30 + n % 10)});
    for (int n = 0; n < 110 * 12600; n += 97)
        codes.push_back({char(0x90 + n / 12600), char(0x30 + n / 1260 % 10), char(0x81 + n / 10 % 126),
                         char(0x30 + n % 10)});
    int differences = 0;
    for (const std::string& code : codes) {
        if (gb18030::toUtf8(code) != utf8FromGbk(code) || gb18030::toUtf16(code) != utf16FromGbk(code)) {
            ADD_FAILURE() << "code " << testing::PrintToString(code);
            if (++differences == 20) break;
        }
    }
}

TEST(Gb18030Table, EncodesEveryCharacterAsTheSystemConverter) {
    // The basic plane whole; the others by a stride, with the characters that have two-byte codes.
    std::vector<char32_t> characters = {0x20087, 0x20089, 0x200CC, 0x215D7, 0x2298F, 0x241FE, 0x10FFFF};
    for (char32_t cp = 0x80; cp <= 0x10FFFF; cp += cp < 0x10000 ? 1 : 61) {
        if (cp < 0xD800 || cp >= 0xE000) characters.push_back(cp);
    }
    int differences = 0;
    for (const char32_t cp : characters) {
        std::u16string units;
        if (cp < 0x10000) {
            units += static_cast<char16_t>(cp);
        } else {
            units += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
            units += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        }
        const std::string utf8 = utf8FromGbk(gbkFromUtf16(units));
        if (gb18030::fromUtf16(units) != gbkFromUtf16(units) ||
            gb18030::fromUtf8(utf8) != gbkFromUtf8(utf8)) {
            ADD_FAILURE() << "U+" << std::hex << unsigned(cp);
            if (++differences == 20) break;
        }
    }
}

TEST(Gb18030Table, ReplacesMalformedInputAsTheSystemConverter) {
    // Random bytes weighted toward the ranges where codes start and end, and random 16-bit units
    // weighted toward surrogates.
    std::mt19937 random(2024);
    const unsigned char interesting[] = {0x00, 0x30, 0x39, 0x40, 0x7E, 0x7F, 0x80, 0x81, 0x84, 0x90,
                                         0xA0, 0xBF, 0xC2, 0xE0, 0xED, 0xF0, 0xF4, 0xFE, 0xFF, 'a'};
    for (int round = 0; round < 20000; ++round) {
        std::string bytes;
        const int length = 1 + int(random() % 12);
        for (int i = 0; i < length; ++i)
            bytes += char(random() % 2 ? interesting[random() % sizeof interesting] : random() % 256);
        ASSERT_EQ(gb18030::toUtf8(bytes), utf8FromGbk(bytes)) << testing::PrintToString(bytes);
        ASSERT_EQ(gb18030::toUtf16(bytes), utf16FromGbk(bytes)) << testing::PrintToString(bytes);
        ASSERT_EQ(gb18030::fromUtf8(bytes), gbkFromUtf8(bytes)) << testing::PrintToString(bytes);
        std::u16string units;
        for (int i = 0; i < length; ++i)
            units += char16_t(random() % 3 == 0 ? 0xD800 + random() % 0x800 : random() % 0x10000);
        ASSERT_EQ(gb18030::fromUtf16(units), gbkFromUtf16(units)) << round;
    }
}

}  // namespace
}  // namespace velmora::text
