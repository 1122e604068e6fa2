// SPDX-License-Identifier: GPL-3.0-or-later
// Date and time number format detection.
#include "sheet/number_formats.h"

#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>

#include "sheet/sheet.h"
#include "text/encoding.h"

namespace velmora::sheet {
namespace {

bool isElapsedTime(std::string_view section) {
    // [h], [hh], [m], [mm], [s], [ss]...: one letter repeated.
    if (section.empty()) return false;
    const char first = static_cast<char>(std::tolower(static_cast<unsigned char>(section[0])));
    if (first != 'h' && first != 'm' && first != 's') return false;
    for (char c : section) {
        if (std::tolower(static_cast<unsigned char>(c)) != first) return false;
    }
    return true;
}

// Bytes of one character starting at `i`: GBK takes two, GB18030's four-byte form four.
std::size_t characterLength(std::string_view s, std::size_t i) {
    const auto lead = static_cast<unsigned char>(s[i]);
    if (lead < 0x81 || lead == 0xFF || i + 1 >= s.size()) return 1;
    const auto second = static_cast<unsigned char>(s[i + 1]);
    if (second >= 0x30 && second <= 0x39 && i + 3 < s.size()) return 4;
    return 2;
}

}  // namespace

bool isBuiltInDateFormat(int formatId) {
    return (formatId >= 14 && formatId <= 22) || (formatId >= 27 && formatId <= 36) ||
           (formatId >= 45 && formatId <= 47) || (formatId >= 50 && formatId <= 58) ||
           (formatId >= 71 && formatId <= 81);
}

bool isDateFormatString(std::string_view format) {
    std::size_t i = 0;
    while (i < format.size()) {
        const char c = format[i];
        if (c == '"') {
            const std::size_t close = format.find('"', i + 1);
            i = close == std::string_view::npos ? format.size() : close + 1;
        } else if (c == '\\' || c == '_' || c == '*') {
            i += 1;
            if (i < format.size()) i += characterLength(format, i);
        } else if (c == '[') {
            const std::size_t close = format.find(']', i + 1);
            if (close == std::string_view::npos) return false;
            if (isElapsedTime(format.substr(i + 1, close - i - 1))) return true;
            i = close + 1;
        } else if (static_cast<unsigned char>(c) >= 0x81) {
            i += characterLength(format, i);
        } else {
            switch (std::tolower(static_cast<unsigned char>(c))) {
                case 'd':
                case 'm':
                case 'y':
                case 'h':
                case 's':
                    return true;
                default:
                    ++i;
            }
        }
    }
    return false;
}

std::optional<TextDateFormat> TextDateFormat::parse(std::string_view format) {
    TextDateFormat parsed;
    bool hasCode = false;
    const auto literal = [&](std::string_view text) {
        if (parsed.m_pieces.empty() || parsed.m_pieces.back().code != Code::Literal)
            parsed.m_pieces.push_back({Code::Literal, {}});
        parsed.m_pieces.back().literal += text;
    };
    std::size_t i = 0;
    while (i < format.size() && format[i] != ';') {
        const char c = format[i];
        const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (c == '"') {
            const std::size_t close = format.find('"', i + 1);
            const std::size_t end = close == std::string_view::npos ? format.size() : close;
            literal(format.substr(i + 1, end - i - 1));
            i = end == format.size() ? end : end + 1;
        } else if (c == '\\' || c == '_' || c == '*') {
            // An escaped character shows as itself, padding as a space, a fill character not at all.
            ++i;
            const std::size_t length = i < format.size() ? characterLength(format, i) : 0;
            if (c == '\\') literal(format.substr(i, length));
            if (c == '_') literal(" ");
            i += length;
        } else if (c == '[') {
            // Locales ([$-804]) and colours change nothing here; elapsed time is no weekday.
            const std::size_t close = format.find(']', i + 1);
            if (close == std::string_view::npos || isElapsedTime(format.substr(i + 1, close - i - 1)))
                return std::nullopt;
            i = close + 1;
        } else if (lower == 'a' || lower == 'e') {
            std::size_t run = 0;
            while (i < format.size() && std::tolower(static_cast<unsigned char>(format[i])) == lower) {
                ++run;
                ++i;
            }
            if (lower == 'a' && run < 3) return std::nullopt;  // a/p and am/pm need a time
            parsed.m_pieces.push_back({lower == 'e' ? Code::Year
                                       : run == 3   ? Code::ShortWeekday
                                                    : Code::LongWeekday,
                                       {}});
            hasCode = true;
        } else if (static_cast<unsigned char>(c) >= 0x81) {
            const std::size_t length = characterLength(format, i);
            literal(format.substr(i, length));
            i += length;
        } else if (std::isalnum(static_cast<unsigned char>(c)) || c == '#' || c == '?' || c == '@') {
            return std::nullopt;  // another date code, a digit placeholder, General, text
        } else {
            literal(format.substr(i, 1));
            ++i;
        }
    }
    if (!hasCode) return std::nullopt;
    return parsed;
}

std::optional<text::Text> TextDateFormat::format(double serial, bool uses1904DateSystem) const {
    // The year as the reader shows the date, so both agree on the system and on 1900-02-29.
    const std::optional<text::Text> shown = formatDateTime(serial, uses1904DateSystem);
    int y = 0;
    if (!shown || std::sscanf(shown->c_str(), "%d-", &y) != 1) return std::nullopt;
    // Days counted from the system's day 0, a Saturday (1899-12-30) or a Friday (1904-01-01): below
    // day 61 this gives the weekdays spreadsheets show around the 29 February 1900 they count.
    const long long dayNumber = static_cast<long long>(std::floor(serial * 86400.0 + 0.5)) / 86400;
    const auto weekday = static_cast<std::size_t>((dayNumber + (uses1904DateSystem ? 5 : 6)) % 7);
    static const std::array<const char*, 7> kDays = {"日", "一", "二", "三", "四", "五", "六"};
    text::Text out;
    for (const Piece& piece : m_pieces) {
        switch (piece.code) {
            case Code::Literal:
                out += piece.literal;
                break;
            case Code::ShortWeekday:
                out += text::gbkFromUtf8(kDays[weekday]);
                break;
            case Code::LongWeekday:
                out += text::gbkFromUtf8(std::string("星期") + kDays[weekday]);
                break;
            case Code::Year:
                out += std::to_string(y);
                break;
        }
    }
    return out;
}

}  // namespace velmora::sheet
