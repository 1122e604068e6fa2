// SPDX-License-Identifier: GPL-3.0-or-later
// The conversions between GBK and Unicode, the same on every system: by the tables made from glibc's
// converter (their tests compare them with it code for code), so both builds give the same bytes, and a
// short text, such as a cell's, is converted without a converter call's cost.
#include "text/encoding.h"

#include "text/gb18030.h"

namespace velmora::text {

bool isAscii(std::string_view text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

Text gbkFromUtf8(std::string_view utf8) {
    if (isAscii(utf8)) return Text(utf8);
    return gb18030::fromUtf8(utf8);
}

std::string utf8FromGbk(std::string_view gbk) {
    if (isAscii(gbk)) return std::string(gbk);
    return gb18030::toUtf8(gbk);
}

Text gbkFromUtf16(std::u16string_view utf16) { return gb18030::fromUtf16(utf16); }

std::u16string utf16FromGbk(std::string_view gbk) { return gb18030::toUtf16(gbk); }

}  // namespace velmora::text
