// SPDX-License-Identifier: GPL-3.0-or-later
// Tells date and time number formats from the others, since cells carry no date flag of their own.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "text/rules.h"

namespace velmora::sheet {

// True for the built-in format ids that show a date or a time: 14-22 and 45-47, and the East-Asian
// and Thai ids 27-36, 50-58 and 71-81.
bool isBuiltInDateFormat(int formatId);

// True when a format string (GBK) shows a date or time: after dropping quoted literals, escapes,
// fill and padding characters and bracketed sections other than elapsed time, a d, m, y, h or s
// remains.
bool isDateFormatString(std::string_view format);

// A format that shows a date only by its weekday or its year: aaaa (星期四), aaa (四) and e (2024), with
// literal text beside them. Such a cell reads as the text spreadsheet programs show, since its serial
// number means nothing to the clerk and it holds no date that "%Y-%m-%d" could show.
class TextDateFormat {
public:
    // Nullopt unless the format's first section holds one of those codes and no other letter or
    // digit placeholder.
    static std::optional<TextDateFormat> parse(std::string_view format);
    // The text shown for a serial (GBK); nullopt where no calendar date matches.
    std::optional<text::Text> format(double serial, bool uses1904DateSystem) const;

private:
    enum class Code : std::uint8_t { Literal, ShortWeekday, LongWeekday, Year };
    struct Piece {
        Code code;
        text::Text literal;
    };
    std::vector<Piece> m_pieces;
};

}  // namespace velmora::sheet
