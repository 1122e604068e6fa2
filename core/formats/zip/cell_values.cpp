// SPDX-License-Identifier: GPL-3.0-or-later
#include "package/cell_values.h"

#include <array>
#include <charconv>
#include <chrono>
#include <cmath>
#include <utility>

namespace velmora::package {
namespace {

std::string_view trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

// Reads exactly `digits` decimal digits at the front of `text`.
bool takeDigits(std::string_view& text, std::size_t digits, int& value) {
    if (text.size() < digits) return false;
    value = 0;
    for (std::size_t i = 0; i < digits; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        value = value * 10 + (text[i] - '0');
    }
    text.remove_prefix(digits);
    return true;
}

bool takeChar(std::string_view& text, char c) {
    if (text.empty() || text.front() != c) return false;
    text.remove_prefix(1);
    return true;
}

// "HH:MM[:SS[.fff]]" as seconds; the zone after it is ignored, as spreadsheets show local time.
std::optional<double> takeTime(std::string_view text) {
    int hours = 0, minutes = 0, seconds = 0;
    if (!takeDigits(text, 2, hours) || !takeChar(text, ':') || !takeDigits(text, 2, minutes))
        return std::nullopt;
    double fraction = 0;
    if (takeChar(text, ':')) {
        if (!takeDigits(text, 2, seconds)) return std::nullopt;
        if (!text.empty() && text.front() == '.') {
            std::size_t end = 1;
            while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
            std::from_chars(text.data(), text.data() + end, fraction);
            text.remove_prefix(end);
        }
    }
    if (!text.empty() && text.front() != 'Z' && text.front() != '+' && text.front() != '-')
        return std::nullopt;
    if (hours > 24 || minutes > 59 || seconds > 60) return std::nullopt;
    return hours * 3600.0 + minutes * 60.0 + seconds + fraction;
}

}  // namespace

std::optional<double> parseNumber(std::string_view text) {
    text = trimmed(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<double> serialFromIsoDateTime(std::string_view text, bool uses1904DateSystem) {
    text = trimmed(text);
    if (text.size() >= 3 && text[2] == ':') {
        const auto seconds = takeTime(text);
        if (!seconds) return std::nullopt;
        return *seconds / 86400.0;
    }
    int y = 0, m = 0, d = 0;
    if (!takeDigits(text, 4, y) || !takeChar(text, '-') || !takeDigits(text, 2, m) || !takeChar(text, '-') ||
        !takeDigits(text, 2, d))
        return std::nullopt;
    double seconds = 0;
    if (!text.empty()) {
        if (!takeChar(text, 'T')) return std::nullopt;
        const auto time = takeTime(text);
        if (!time) return std::nullopt;
        seconds = *time;
    }
    using namespace std::chrono;
    const year_month_day date{year{y}, month{static_cast<unsigned>(m)}, day{static_cast<unsigned>(d)}};
    if (!date.ok()) return std::nullopt;
    const sys_days base =
        uses1904DateSystem ? sys_days{year{1904} / January / 1} : sys_days{year{1899} / December / 30};
    long long days = (sys_days{date} - base).count();
    // The 1900 system counts a 29 February 1900 that never was: days before March 1900 are one less.
    if (!uses1904DateSystem && days > 0 && days < 61) --days;
    return static_cast<double>(days) + seconds / 86400.0;
}

std::optional<std::uint8_t> errorCodeOf(std::string_view text) {
    static constexpr std::array<std::pair<std::string_view, std::uint8_t>, 8> kCodes{
        {{"#NULL!", 0x00},
         {"#DIV/0!", 0x07},
         {"#VALUE!", 0x0F},
         {"#REF!", 0x17},
         {"#NAME?", 0x1D},
         {"#NUM!", 0x24},
         {"#N/A", 0x2A},
         {"#GETTING_DATA", 0x2B}}};
    for (const auto& [name, code] : kCodes) {
        if (name == text) return code;
    }
    return std::nullopt;
}

std::optional<double> daysFromDuration(std::string_view text) {
    text = trimmed(text);
    const bool negative = takeChar(text, '-');
    if (!takeChar(text, 'P')) return std::nullopt;
    double seconds = 0;
    bool inTime = false;
    bool any = false;
    while (!text.empty()) {
        if (takeChar(text, 'T')) {
            inTime = true;
            continue;
        }
        double value = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (error != std::errc() || end == text.data() + text.size()) return std::nullopt;
        text.remove_prefix(static_cast<std::size_t>(end - text.data()));
        const char unit = text.front();
        text.remove_prefix(1);
        if (unit == 'D' && !inTime) {
            seconds += value * 86400.0;
        } else if (unit == 'H' && inTime) {
            seconds += value * 3600.0;
        } else if (unit == 'M' && inTime) {
            seconds += value * 60.0;
        } else if (unit == 'S' && inTime) {
            seconds += value;
        } else {
            return std::nullopt;
        }
        any = true;
    }
    if (!any || !std::isfinite(seconds)) return std::nullopt;
    return (negative ? -seconds : seconds) / 86400.0;
}

}  // namespace velmora::package
