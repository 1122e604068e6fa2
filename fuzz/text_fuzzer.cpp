// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes through every text rule and the encoding conversions.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "text/encoding.h"
#include "text/rules.h"

using namespace velmora::text;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    // The first bytes pick a separator and a replacement so that multi-byte patterns get exercised.
    const std::size_t cut = size > 0 ? data[0] % 4 : 0;
    const std::string_view pattern = input.substr(std::min<std::size_t>(1, size), cut);
    const std::string_view body = input.substr(std::min<std::size_t>(1 + cut, size));

    const Text folded = foldWidth(body);
    if (folded.size() > body.size()) __builtin_trap();
    (void)readInteger(body);
    (void)truncateToInteger(readNumber(body));
    std::size_t joined = 0;
    for (const Text& field : split(body, pattern)) joined += field.size();
    if (joined > body.size()) __builtin_trap();
    (void)replaceAll(body, pattern, "\xA3\xAC");
    (void)leftPart(body, static_cast<int>(cut) - 1);
    (void)compareText(body, pattern);
    const std::string utf8 = utf8FromGbk(body);
    (void)gbkFromUtf8(utf8);
    (void)gbkFromUtf8(body);
    (void)utf16FromGbk(body);
    (void)gbkFromCodePage(body, 1252);
    return 0;
}
