// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/gb18030.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace velmora::text::gb18030 {
namespace {

struct FourByteRun {
    std::uint32_t index;  // linear number of the first code from 0x81308130
    char32_t first;       // its character
    std::uint32_t length;
};

struct EncodeException {
    char32_t codePoint;
    std::uint32_t code;  // big-endian bytes
    std::uint32_t length;
};

#include "text/gb18030_table.inc"

constexpr char32_t kNone = 0xFFFFFFFF;
constexpr std::uint32_t kSupplementaryBase = 0x10000;

// Linear number of a four-byte code from its first byte `base` (0x81 or 0x90).
std::uint32_t linearNumber(const unsigned char* b, unsigned base) {
    return ((b[0] - base) * 10u + (b[1] - 0x30u)) * 1260u + (b[2] - 0x81u) * 10u + (b[3] - 0x30u);
}

bool inRange(unsigned char byte, unsigned low, unsigned high) { return byte >= low && byte <= high; }

// The character at the start of `in` and its length; length 0 when none starts there.
char32_t decodeOne(std::string_view in, std::size_t& length) {
    length = 0;
    const auto* b = reinterpret_cast<const unsigned char*>(in.data());
    if (b[0] < 0x80) {
        length = 1;
        return b[0];
    }
    if (!inRange(b[0], 0x81, 0xFE) || in.size() < 2) return kNone;
    if (inRange(b[1], 0x30, 0x39)) {
        if (in.size() < 4 || !inRange(b[2], 0x81, 0xFE) || !inRange(b[3], 0x30, 0x39)) return kNone;
        if (b[0] >= 0x90) {
            const char32_t cp = kSupplementaryBase + linearNumber(b, 0x90);
            if (cp > 0x10FFFF) return kNone;
            length = 4;
            return cp;
        }
        const std::uint32_t index = linearNumber(b, 0x81);
        const auto* run = std::upper_bound(std::begin(kFourByteRuns), std::end(kFourByteRuns), index,
                                           [](std::uint32_t i, const FourByteRun& r) { return i < r.index; });
        if (run == std::begin(kFourByteRuns)) return kNone;
        --run;
        if (index - run->index >= run->length) return kNone;
        length = 4;
        return run->first + (index - run->index);
    }
    if (b[1] < 0x40 || b[1] == 0x7F || b[1] == 0xFF) return kNone;
    const unsigned trail = b[1] < 0x7F ? b[1] - 0x40u : b[1] - 0x41u;
    const char32_t cp = kTwoByteCodes[(b[0] - 0x81u) * 190u + trail];
    if (cp == 0) return kNone;
    length = 2;
    return cp;
}

// Calls `take` with each character of `gbk` in turn; a byte that starts none is U+FFFD.
template <typename Take>
void forEachCharacter(std::string_view gbk, Take take) {
    std::size_t pos = 0;
    while (pos < gbk.size()) {
        std::size_t length = 0;
        const char32_t cp = decodeOne(gbk.substr(pos), length);
        take(length == 0 ? char32_t{0xFFFD} : cp);
        pos += length == 0 ? 1 : length;
    }
}

// Each character of the basic plane's code, big-endian with its length in the top byte; made once.
const std::vector<std::uint32_t>& basicPlaneCodes() {
    static const std::vector<std::uint32_t> codes = [] {
        std::vector<std::uint32_t> table(0x10000, 0);
        for (unsigned i = 0; i < 126u * 190u; ++i) {
            const char32_t cp = kTwoByteCodes[i];
            if (cp == 0 || cp >= 0x10000 || table[cp] != 0) continue;
            const unsigned trail = i % 190u < 0x3Fu ? 0x40u + i % 190u : 0x41u + i % 190u;
            table[cp] = 2u << 24 | (0x81u + i / 190u) << 8 | trail;
        }
        for (const FourByteRun& run : kFourByteRuns) {
            for (std::uint32_t k = 0; k < run.length; ++k) {
                const char32_t cp = run.first + k;
                if (cp >= 0x10000 || table[cp] != 0) continue;
                std::uint32_t n = run.index + k;
                const std::uint32_t b4 = 0x30 + n % 10, b3 = 0x81 + n / 10 % 126, b2 = 0x30 + n / 1260 % 10;
                const std::uint32_t b1 = 0x81 + n / 12600;
                // Four bytes do not fit beside a length byte: 0 in the top byte marks them.
                table[cp] = b1 << 24 | b2 << 16 | b3 << 8 | b4;
            }
        }
        return table;
    }();
    return codes;
}

// Appends the code of `cp`; false when it has none.
bool encodeOne(char32_t cp, std::string& out) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
        return true;
    }
    for (const EncodeException& e : kEncodeExceptions) {
        if (e.codePoint != cp || e.codePoint == 0) continue;
        for (std::uint32_t i = e.length; i > 0; --i) out += static_cast<char>(e.code >> (8 * (i - 1)) & 0xFF);
        return e.length != 0;
    }
    if (cp >= 0xD800 && cp < 0xE000) return false;
    if (cp >= kSupplementaryBase) {
        if (cp > 0x10FFFF) return false;
        std::uint32_t n = cp - kSupplementaryBase;
        const char code[4] = {static_cast<char>(0x90 + n / 12600), static_cast<char>(0x30 + n / 1260 % 10),
                              static_cast<char>(0x81 + n / 10 % 126), static_cast<char>(0x30 + n % 10)};
        out.append(code, 4);
        return true;
    }
    const std::uint32_t code = basicPlaneCodes()[cp];
    if (code == 0) return false;
    if (code >> 24 == 2) {
        out += static_cast<char>(code >> 8 & 0xFF);
        out += static_cast<char>(code & 0xFF);
    } else {
        for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>(code >> shift & 0xFF);
    }
    return true;
}

// The character at the start of `in` if it is valid UTF-8 (no overlong forms, no surrogates); length 0
// otherwise.
char32_t decodeUtf8(std::string_view in, std::size_t& length) {
    const auto* b = reinterpret_cast<const unsigned char*>(in.data());
    length = 0;
    if (b[0] < 0x80) {
        length = 1;
        return b[0];
    }
    std::size_t need = 0;
    char32_t cp = 0;
    unsigned low = 0x80, high = 0xBF;
    if (inRange(b[0], 0xC2, 0xDF)) {
        need = 1;
        cp = b[0] & 0x1F;
    } else if (inRange(b[0], 0xE0, 0xEF)) {
        need = 2;
        cp = b[0] & 0x0F;
        if (b[0] == 0xE0) low = 0xA0;
        if (b[0] == 0xED) high = 0x9F;
    } else if (inRange(b[0], 0xF0, 0xF4)) {
        need = 3;
        cp = b[0] & 0x07;
        if (b[0] == 0xF0) low = 0x90;
        if (b[0] == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (in.size() <= need) return 0;
    for (std::size_t i = 1; i <= need; ++i) {
        if (!inRange(b[i], i == 1 ? low : 0x80, i == 1 ? high : 0xBF)) return 0;
        cp = cp << 6 | (b[i] & 0x3F);
    }
    length = need + 1;
    return cp;
}

}  // namespace

void appendUtf8(char32_t cp, std::string& out) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | cp >> 6);
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | cp >> 12);
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | cp >> 18);
        out += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string fromUtf8(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        std::size_t length = 0;
        const char32_t cp = decodeUtf8(utf8.substr(pos), length);
        if (length == 0 || !encodeOne(cp, out)) {
            out += '?';
            ++pos;
        } else {
            pos += length;
        }
    }
    return out;
}

std::string toUtf8(std::string_view gbk) {
    std::string out;
    out.reserve(gbk.size() * 3 / 2);
    forEachCharacter(gbk, [&out](char32_t cp) { appendUtf8(cp, out); });
    return out;
}

std::string fromUtf16(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size() * 2);
    for (std::size_t pos = 0; pos < utf16.size();) {
        char32_t cp = utf16[pos];
        std::size_t length = 1;
        if (cp >= 0xD800 && cp < 0xDC00 && pos + 1 < utf16.size() && utf16[pos + 1] >= 0xDC00 &&
            utf16[pos + 1] < 0xE000) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (utf16[pos + 1] - 0xDC00);
            length = 2;
        }
        // An unpaired surrogate, or a character without a code, costs one unit.
        if (!encodeOne(cp, out)) {
            out += '?';
            length = 1;
        }
        pos += length;
    }
    return out;
}

std::u16string toUtf16(std::string_view gbk) {
    std::u16string out(gbk.size(), u'\0');
    out.resize(toUtf16(gbk, out.data()));
    return out;
}

std::size_t toUtf16(std::string_view gbk, char16_t* out) {
    char16_t* const start = out;
    forEachCharacter(gbk, [&out](char32_t cp) {
        if (cp < 0x10000) {
            *out++ = static_cast<char16_t>(cp);
        } else {
            *out++ = static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
            *out++ = static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        }
    });
    return static_cast<std::size_t>(out - start);
}

}  // namespace velmora::text::gb18030
