// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/rules.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace velmora::text {
namespace {

constexpr unsigned char kFullWidthLead = 0xA3;
constexpr unsigned char kSymbolLead = 0xA1;

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::size_t skipBlanks(std::string_view s, std::size_t pos) {
    while (pos < s.size() && isBlank(s[pos])) ++pos;
    return pos;
}

std::size_t skipDigits(std::string_view s, std::size_t pos) {
    while (pos < s.size() && isDigit(s[pos])) ++pos;
    return pos;
}

bool matchesAt(std::string_view text, std::size_t pos, std::string_view search) {
    return text.compare(pos, search.size(), search) == 0;
}

}  // namespace

std::size_t charLength(std::string_view text, std::size_t pos) {
    return static_cast<unsigned char>(text[pos]) >= 0x80 && pos + 1 < text.size() ? 2 : 1;
}

Text foldWidth(std::string_view text) {
    Text out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t len = charLength(text, pos);
        if (len == 2) {
            const auto lead = static_cast<unsigned char>(text[pos]);
            const auto trail = static_cast<unsigned char>(text[pos + 1]);
            char folded = 0;
            if (lead == kFullWidthLead && trail >= 0xA1 && trail <= 0xFE) {
                folded = static_cast<char>(trail - 0x80);
            } else if (lead == kSymbolLead && trail == 0xA1) {
                folded = ' ';
            } else if (lead == kSymbolLead && trail == 0xAB) {
                folded = '~';
            } else if (lead == kSymbolLead && (trail == 0xEE || trail == 0xEF)) {
                folded = '*';
            }
            if (folded != 0) {
                out.push_back(folded);
                pos += 2;
                continue;
            }
        }
        out.append(text.substr(pos, len));
        pos += len;
    }
    return out;
}

std::int32_t readInteger(std::string_view text) {
    const Text folded = foldWidth(text);
    std::size_t pos = skipBlanks(folded, 0);
    bool negative = false;
    if (pos < folded.size() && (folded[pos] == '+' || folded[pos] == '-')) {
        negative = folded[pos] == '-';
        ++pos;
    }
    // Accumulate in 64 bits and stop growing once past the 32-bit range, so huge inputs saturate.
    std::int64_t value = 0;
    constexpr std::int64_t kCap = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    for (; pos < folded.size() && isDigit(folded[pos]); ++pos) {
        if (value <= kCap) value = value * 10 + (folded[pos] - '0');
    }
    if (negative) value = -value;
    if (value > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
    if (value < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}

double readNumber(std::string_view text) {
    const Text folded = foldWidth(text);
    const std::size_t start = skipBlanks(folded, 0);
    std::size_t pos = start;
    if (pos < folded.size() && (folded[pos] == '+' || folded[pos] == '-')) ++pos;
    const std::size_t intEnd = skipDigits(folded, pos);
    std::size_t end = intEnd;
    bool anyDigit = intEnd > pos;
    if (end < folded.size() && folded[end] == '.') {
        const std::size_t fracEnd = skipDigits(folded, end + 1);
        if (anyDigit || fracEnd > end + 1) {
            anyDigit = anyDigit || fracEnd > end + 1;
            end = fracEnd;
        }
    }
    if (!anyDigit) return 0.0;
    if (end < folded.size() && (folded[end] == 'e' || folded[end] == 'E')) {
        std::size_t expPos = end + 1;
        if (expPos < folded.size() && (folded[expPos] == '+' || folded[expPos] == '-')) ++expPos;
        const std::size_t expEnd = skipDigits(folded, expPos);
        if (expEnd > expPos) end = expEnd;
    }
    // from_chars takes no leading "+", so the sign is applied here.
    std::size_t numberStart = start;
    bool negative = false;
    if (folded[numberStart] == '+' || folded[numberStart] == '-') {
        negative = folded[numberStart] == '-';
        ++numberStart;
    }
    double value = 0.0;
    const auto result = std::from_chars(folded.data() + numberStart, folded.data() + end, value);
    if (result.ec == std::errc::result_out_of_range) {
        value = std::numeric_limits<double>::infinity();
        // An underflowing exponent means a value too small to hold, not a huge one.
        const Text digits = folded.substr(numberStart, end - numberStart);
        const auto ePos = digits.find_first_of("eE");
        if (ePos != Text::npos && ePos + 1 < digits.size() && digits[ePos + 1] == '-') value = 0.0;
    }
    return negative ? -value : value;
}

std::int32_t truncateToInteger(double number) {
    if (std::isnan(number)) return 0;
    if (number >= 2147483647.0) return std::numeric_limits<std::int32_t>::max();
    if (number <= -2147483648.0) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(number);
}

Text writeInteger(std::int32_t value) { return std::to_string(value); }

int compareText(std::string_view a, std::string_view b) {
    // string_view compares as unsigned bytes through char_traits<char>::compare (memcmp).
    const int result = a.compare(b);
    return result < 0 ? -1 : (result > 0 ? 1 : 0);
}

namespace {

// Calls `take` with each field split would give, in order.
template <typename Take>
void forEachField(std::string_view text, std::string_view separator, Take take) {
    if (text.empty()) return;
    if (separator.empty()) {
        take(text);
        return;
    }
    std::size_t fieldStart = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        if (matchesAt(text, pos, separator)) {
            take(text.substr(fieldStart, pos - fieldStart));
            pos += separator.size();
            fieldStart = pos;
        } else {
            pos += charLength(text, pos);
        }
    }
    if (fieldStart < text.size()) take(text.substr(fieldStart));
}

}  // namespace

std::vector<Text> split(std::string_view text, std::string_view separator) {
    std::vector<Text> fields;
    forEachField(text, separator, [&fields](std::string_view field) { fields.emplace_back(field); });
    return fields;
}

std::size_t countFields(std::string_view text, std::string_view separator) {
    std::size_t count = 0;
    forEachField(text, separator, [&count](std::string_view) { ++count; });
    return count;
}

Text replaceAll(std::string_view text, std::string_view search, std::string_view replacement) {
    if (text.empty() || search.empty()) return Text(text);
    Text out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        if (matchesAt(text, pos, search)) {
            out.append(replacement);
            pos += search.size();
        } else {
            const std::size_t len = charLength(text, pos);
            out.append(text.substr(pos, len));
            pos += len;
        }
    }
    return out;
}

Text leftPart(std::string_view text, int count) {
    if (count <= 0) return {};
    return Text(text.substr(0, static_cast<std::size_t>(count)));
}

}  // namespace velmora::text
