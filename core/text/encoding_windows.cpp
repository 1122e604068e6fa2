// SPDX-License-Identifier: GPL-3.0-or-later
// The 8-bit code pages of old workbooks on Windows, through the system, their results taken to GB18030 by
// the shared tables (the system's code page 936 differs from GB18030 on 0x80 and the euro and PUA codes).
#include "text/encoding.h"

#include <windows.h>

#include "text/gb18030.h"

namespace velmora::text {
namespace {

// The system code page for a workbook's code page, choosing what the Linux build's converter chooses:
// the Mac pages glibc lacks are read as Mac Roman there, so here too.
UINT systemCodePageOf(int codePage) {
    switch (codePage) {
        case 367:
            return 20127;
        case 10001:
            return 932;
        case 10002:
            return 950;
        case 10003:
            return 949;
        case 10008:
            return 936;
        case 10007:
        case 10017:
        case 10029:
        case 10079:
            return static_cast<UINT>(codePage);
        case 32769:
            return 1252;
        default:
            break;
    }
    if ((codePage >= 10000 && codePage < 10100) || codePage == 32768) return 10000;
    return codePage > 0 ? static_cast<UINT>(codePage) : 1252;
}

// The Windows pages 874 and 1250-1258 leave a few bytes undefined, which the system passes through as C1
// controls and glibc refuses: those become "?" as on Linux.
bool definedInPage(UINT page, wchar_t unit) {
    const bool windowsPage = page == 874 || (page >= 1250 && page <= 1258);
    return !(windowsPage && unit >= 0x80 && unit < 0xA0);
}

std::u16string utf16FromPage(std::string_view bytes, UINT page) {
    std::u16string out;
    if (bytes.empty()) return out;
    CPINFO info{};
    const bool singleByte = ::GetCPInfo(page, &info) && info.MaxCharSize == 1;
    if (!singleByte) {
        // Double-byte pages: the system's reading; a byte it cannot read becomes "?".
        const int count =
            ::MultiByteToWideChar(page, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
        out.resize(static_cast<std::size_t>(count));
        ::MultiByteToWideChar(page, 0, bytes.data(), static_cast<int>(bytes.size()),
                              reinterpret_cast<wchar_t*>(out.data()), count);
        for (char16_t& unit : out) {
            if (unit == 0xFFFD) unit = u'?';
        }
        return out;
    }
    for (const char byte : bytes) {
        wchar_t unit = 0;
        if (::MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, &byte, 1, &unit, 1) != 1 ||
            !definedInPage(page, unit))
            unit = L'?';
        out += static_cast<char16_t>(unit);
    }
    return out;
}

// UTF-16 bytes (code pages 1200 and 1201) to UTF-8 as glibc's converter reads them: a unit that starts no
// character, or a byte left over at the end, becomes "?" and the reading goes on one byte further.
std::string utf8FromUtf16Bytes(std::string_view bytes, bool bigEndian) {
    const auto unitAt = [&](std::size_t pos) {
        const auto first = static_cast<unsigned char>(bytes[pos]),
                   second = static_cast<unsigned char>(bytes[pos + 1]);
        return static_cast<char32_t>(bigEndian ? first << 8 | second : second << 8 | first);
    };
    std::string out;
    for (std::size_t pos = 0; pos < bytes.size();) {
        if (pos + 2 > bytes.size()) {
            out += '?';
            ++pos;
            continue;
        }
        const char32_t unit = unitAt(pos);
        if (unit >= 0xD800 && unit < 0xDC00 && pos + 4 <= bytes.size()) {
            const char32_t low = unitAt(pos + 2);
            if (low >= 0xDC00 && low < 0xE000) {
                gb18030::appendUtf8(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00), out);
                pos += 4;
                continue;
            }
        }
        if (unit >= 0xD800 && unit < 0xE000) {
            out += '?';
            ++pos;
            continue;
        }
        gb18030::appendUtf8(unit, out);
        pos += 2;
    }
    return out;
}

}  // namespace

Text gbkFromCodePage(std::string_view bytes, int codePage) {
    // Two-byte code pages: their bytes below 0x80 are halves of characters, not ASCII.
    if (codePage == 1200 || codePage == 1201) return gbkFromUtf8(utf8FromUtf16Bytes(bytes, codePage == 1201));
    if (isAscii(bytes)) return Text(bytes);
    // GB18030 is a superset of code page 936 with the same bytes for every GBK character.
    if (codePage == 936) return Text(bytes);
    if (codePage == 65001) return gbkFromUtf8(bytes);
    UINT page = systemCodePageOf(codePage);
    if (!::IsValidCodePage(page)) page = 1252;
    return gb18030::fromUtf16(utf16FromPage(bytes, page));
}

}  // namespace velmora::text
