// SPDX-License-Identifier: GPL-3.0-or-later
// Date and time number format detection.
#include "xls/number_formats.h"

#include <cctype>

namespace velmora::xls {
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

}  // namespace velmora::xls
