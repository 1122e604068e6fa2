// SPDX-License-Identifier: GPL-3.0-or-later
// Tells date and time number formats from the others, since cells carry no date flag of their own.
#pragma once

#include <string_view>

namespace velmora::xls {

// True for the built-in format ids that show a date or a time: 14-22 and 45-47, and the East-Asian
// and Thai ids 27-36, 50-58 and 71-81.
bool isBuiltInDateFormat(int formatId);

// True when a format string (GBK) shows a date or time: after dropping quoted literals, escapes,
// fill and padding characters and bracketed sections other than elapsed time, a d, m, y, h or s
// remains.
bool isDateFormatString(std::string_view format);

}  // namespace velmora::xls
