// SPDX-License-Identifier: GPL-3.0-or-later
// Cell values as the XML-based formats write them, turned into what the sheet model holds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace velmora::package {

// Bytes of UTF-8 a cell's text may take; more is no cell any spreadsheet wrote.
constexpr std::size_t kMaxCellTextBytes = std::size_t{1} << 20;

// A number as the formats store it ("1", "-2.5E-3"), surrounding blanks allowed.
std::optional<double> parseNumber(std::string_view text);

// "YYYY-MM-DD", optionally followed by "THH:MM[:SS[.fff]]" and a zone (ignored), or a bare "HH:MM[:SS]",
// as a serial of the given date system.
std::optional<double> serialFromIsoDateTime(std::string_view text, bool uses1904DateSystem);

// A duration "[-]P[nD]T[nH][nM][n[.f]S]" as a fraction of days.
std::optional<double> daysFromDuration(std::string_view text);

// The code the .xls format gives the error value shown as `text` ("#DIV/0!"); nullopt for other texts.
std::optional<std::uint8_t> errorCodeOf(std::string_view text);

}  // namespace velmora::package
