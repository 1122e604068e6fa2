// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/cell_text.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace velmora::import {
using text::Text;

namespace {
// Column kinds are decided from this many leading rows, as spreadsheet drivers sample them.
constexpr int kTypingRows = 8;

Text formatNumber(double number, std::chars_format format, int precision) {
    // "%.8f" of the largest double has 309 integer digits; to_chars never writes past the buffer.
    std::array<char, 400> buffer;
    const auto result =
        std::to_chars(buffer.data(), buffer.data() + buffer.size(), number, format, precision);
    return Text(buffer.data(), result.ptr);
}
}  // namespace

// "%.8f" for the magnitudes figures have, a few times faster than the general formatter: the value
// times 10^8 is worked out exactly in 128-bit integers and rounded half to even, as printf rounds the
// exact binary value. Returns false for values it leaves to the general formatter.
bool formatFixed8Exactly(double number, Text& out) {
    if (!std::isfinite(number) || std::fabs(number) >= 1e10) return false;
    std::uint64_t bits = 0;
    std::memcpy(&bits, &number, sizeof bits);
    const auto biasedExponent = static_cast<int>((bits >> 52) & 0x7FF);
    if (biasedExponent == 0 && number != 0) return false;  // subnormals go the general way
    // |number| = mantissa * 2^-shift exactly, read from the bits; |number| < 2^34 makes shift at least 19.
    const std::uint64_t mantissa =
        biasedExponent == 0 ? 0 : (bits & ((std::uint64_t(1) << 52) - 1)) | (std::uint64_t(1) << 52);
    const int shift = 1075 - biasedExponent;
    const unsigned __int128 scaled = static_cast<unsigned __int128>(mantissa) * 100000000u;
    std::uint64_t units = 0;  // |number| * 10^8, rounded
    if (shift < 128) {
        const unsigned __int128 one = 1;
        const unsigned __int128 remainder = scaled & ((one << shift) - 1);
        const unsigned __int128 half = one << (shift - 1);
        units = static_cast<std::uint64_t>(scaled >> shift);
        if (remainder > half || (remainder == half && (units & 1) != 0)) ++units;
    }  // else below 2^-75: rounds to zero
    char buffer[32];
    char* end = buffer + sizeof buffer;
    char* at = end;
    std::uint64_t fractionDigits = units % 100000000u;
    for (int i = 0; i < 8; ++i, fractionDigits /= 10) *--at = static_cast<char>('0' + fractionDigits % 10);
    *--at = '.';
    std::uint64_t whole = units / 100000000u;
    do {
        *--at = static_cast<char>('0' + whole % 10);
        whole /= 10;
    } while (whole != 0);
    if (std::signbit(number)) *--at = '-';  // printf keeps the sign of -0 and of negatives that round to 0
    out.assign(at, end);
    return true;
}

Text formatFixed8(double number) {
    Text out;
    if (formatFixed8Exactly(number, out)) return out;
    return formatNumber(number, std::chars_format::fixed, 8);
}

// "%.15g" for figures that are whole cents, several times faster than rounding to 15 digits. When
// c / 100 (c whole, at most 15 digits) reads back as `number`, it is exactly what rounding to 15 digits
// gives: a normal double's spacing is finer than that of 15-digit decimals, so no other 15-digit
// decimal lies as near. Returns false for every other value, which goes the general way.
bool formatGeneral15AsCents(double number, Text& out) {
    if (!(std::fabs(number) >= 1e-4 && std::fabs(number) < 1e13)) return false;
    const long long cents = std::llround(number * 100.0);
    if (static_cast<double>(cents) / 100.0 != number) return false;
    const unsigned long long magnitude = static_cast<unsigned long long>(cents < 0 ? -cents : cents);
    out.assign(number < 0 ? "-" : "");
    out += std::to_string(magnitude / 100);
    if (const unsigned long long fraction = magnitude % 100; fraction != 0) {
        out += '.';
        out += static_cast<char>('0' + fraction / 10);
        if (fraction % 10 != 0) out += static_cast<char>('0' + fraction % 10);
    }
    return true;
}

Text formatGeneral15(double number) {
    Text out;
    if (formatGeneral15AsCents(number, out)) return out;
    return formatNumber(number, std::chars_format::general, 15);
}

ColumnKind columnKind(const sheet::Sheet& sheet, int column) {
    bool anyValue = false;
    for (int row = 0; row < kTypingRows; ++row) {
        const sheet::CellView cell = sheet.view(row, column);
        if (!cell.holdsValue()) continue;
        if (cell.kind == sheet::CellKind::Text) return ColumnKind::Text;
        anyValue = true;
    }
    return anyValue ? ColumnKind::Number : ColumnKind::Text;
}

Text cellText(const sheet::CellView& cell, ColumnKind kind, bool uses1904DateSystem) {
    switch (cell.kind) {
        case sheet::CellKind::Empty:
        case sheet::CellKind::Error:
            return {};
        case sheet::CellKind::Text:
            return Text(cell.text);
        case sheet::CellKind::Boolean:
            return cell.number != 0 ? "TRUE" : "FALSE";
        case sheet::CellKind::DateTime:
            // A serial no calendar holds (negative, too large) still shows its value rather than nothing.
            if (auto formatted = sheet::formatDateTime(cell.number, uses1904DateSystem)) return *formatted;
            break;
        case sheet::CellKind::Number:
            break;
    }
    return kind == ColumnKind::Number ? formatFixed8(cell.number) : formatGeneral15(cell.number);
}

}  // namespace velmora::import
