// SPDX-License-Identifier: GPL-3.0-or-later
// Cell values as the XML-based formats write them, turned into what the sheet model holds.
#pragma once

#include <optional>
#include <string_view>

#include "text/rules.h"

namespace velmora::package {

// UTF-8 to the core's GBK (GB18030) bytes; plain ASCII, most cells, is copied as it is.
text::Text gbkText(std::string_view utf8);

// A number as the formats store it ("1", "-2.5E-3"), surrounding blanks allowed.
std::optional<double> parseNumber(std::string_view text);

// "YYYY-MM-DD", optionally followed by "THH:MM[:SS[.fff]]" and a zone (ignored), or a bare "HH:MM[:SS]",
// as a serial of the given date system.
std::optional<double> serialFromIsoDateTime(std::string_view text, bool uses1904DateSystem);

// A duration "[-]P[nD]T[nH][nM][n[.f]S]" as a fraction of days.
std::optional<double> daysFromDuration(std::string_view text);

}  // namespace velmora::package
