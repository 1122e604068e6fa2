// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/file_encoding.h"

#include "text/encoding.h"
#include "text/phrases.h"

namespace velmora::settings {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeBom = "\xFF\xFE";
constexpr std::string_view kUtf16BeBom = "\xFE\xFF";

bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Strict UTF-8: no overlong forms, no surrogates, nothing past U+10FFFF.
bool isValidUtf8(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size();) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        std::size_t length = 0;
        unsigned char low = 0x80, high = 0xBF;  // the allowed range of the second byte
        if (lead < 0x80) {
            length = 1;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            if (lead == 0xE0) low = 0xA0;
            if (lead == 0xED) high = 0x9F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            if (lead == 0xF0) low = 0x90;
            if (lead == 0xF4) high = 0x8F;
        } else {
            return false;
        }
        if (i + length > bytes.size()) return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto byte = static_cast<unsigned char>(bytes[i + k]);
            if (!isContinuation(byte) || (k == 1 && (byte < low || byte > high))) return false;
        }
        i += length;
    }
    return true;
}

// GBK a clerk's editor wrote: it names a section of ours, or every two-byte character lies in the
// GB2312 area (leads A1-F7, trails A1-FE). UTF-8 Chinese never does: its continuation bytes 80-A0 fall
// outside it within a few characters.
bool isPlausibleGbk(std::string_view bytes) {
    for (const auto& section : {phrases::register1Section(), phrases::source2Section()}) {
        if (bytes.find(section) != std::string_view::npos) return true;
    }
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        if (lead < 0x80) continue;
        if (i + 1 >= bytes.size()) return false;
        const auto trail = static_cast<unsigned char>(bytes[++i]);
        if (lead < 0xA1 || lead > 0xF7 || trail < 0xA1 || trail == 0xFF) return false;
    }
    return true;
}

std::u16string unitsOf(std::string_view bytes, bool bigEndian) {
    std::u16string units;
    units.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto first = static_cast<unsigned char>(bytes[i]),
                   second = static_cast<unsigned char>(bytes[i + 1]);
        units.push_back(static_cast<char16_t>(bigEndian ? (first << 8) | second : (second << 8) | first));
    }
    return units;
}

std::string bytesOf(std::u16string_view units, bool bigEndian) {
    std::string bytes;
    bytes.reserve(units.size() * 2);
    for (const char16_t unit : units) {
        const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    }
    return bytes;
}

}  // namespace

FileEncoding detectEncoding(std::string_view bytes) {
    if (bytes.starts_with(kUtf8Bom)) return FileEncoding::Utf8WithBom;
    if (bytes.starts_with(kUtf16LeBom)) return FileEncoding::Utf16Le;
    if (bytes.starts_with(kUtf16BeBom)) return FileEncoding::Utf16Be;
    return isValidUtf8(bytes) && !isPlausibleGbk(bytes) ? FileEncoding::Utf8 : FileEncoding::Gbk;
}

text::Text decodeSettingsFile(std::string_view bytes, FileEncoding& encoding) {
    encoding = detectEncoding(bytes);
    switch (encoding) {
        case FileEncoding::Gbk:
            return text::Text(bytes);
        case FileEncoding::Utf8:
            return text::gbkFromUtf8(bytes);
        case FileEncoding::Utf8WithBom:
            return text::gbkFromUtf8(bytes.substr(kUtf8Bom.size()));
        case FileEncoding::Utf16Le:
        case FileEncoding::Utf16Be:
            return text::gbkFromUtf16(
                unitsOf(bytes.substr(kUtf16LeBom.size()), encoding == FileEncoding::Utf16Be));
    }
    return text::Text(bytes);
}

std::string encodeSettingsFile(std::string_view gbk, FileEncoding encoding) {
    switch (encoding) {
        case FileEncoding::Gbk:
            return std::string(gbk);
        case FileEncoding::Utf8:
            return text::utf8FromGbk(gbk);
        case FileEncoding::Utf8WithBom:
            return std::string(kUtf8Bom) + text::utf8FromGbk(gbk);
        case FileEncoding::Utf16Le:
            return std::string(kUtf16LeBom) + bytesOf(text::utf16FromGbk(gbk), false);
        case FileEncoding::Utf16Be:
            return std::string(kUtf16BeBom) + bytesOf(text::utf16FromGbk(gbk), true);
    }
    return std::string(gbk);
}

}  // namespace velmora::settings
