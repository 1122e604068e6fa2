// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/encoding.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>
#include <memory>

namespace velmora::text {
namespace {

// One iconv descriptor per direction and thread: opening one costs far more than a short conversion.
class Converter {
public:
    Converter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Converter() {
        if (valid()) iconv_close(m_cd);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

    // Converts `input`; on an undecodable sequence appends `replacement` and skips `skip` bytes.
    std::string convert(std::string_view input, std::string_view replacement, std::size_t skip) {
        std::string out;
        if (!valid()) return out;
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        out.resize(input.size() * 2 + 16);
        char* in = const_cast<char*>(input.data());
        std::size_t inLeft = input.size();
        std::size_t used = 0;
        while (inLeft > 0) {
            char* outPtr = out.data() + used;
            std::size_t outLeft = out.size() - used;
            const std::size_t rc = iconv(m_cd, &in, &inLeft, &outPtr, &outLeft);
            used = out.size() - outLeft;
            if (rc != static_cast<std::size_t>(-1)) break;
            if (errno == E2BIG) {
                out.resize(out.size() * 2 + 16);
            } else {
                // EILSEQ or EINVAL (a sequence cut off at the end): replace and go on.
                if (out.size() - used < replacement.size()) out.resize(out.size() + replacement.size() + 16);
                std::memcpy(out.data() + used, replacement.data(), replacement.size());
                used += replacement.size();
                const std::size_t step = std::min(skip, inLeft);
                in += step;
                inLeft -= step;
            }
        }
        out.resize(used);
        return out;
    }

private:
    iconv_t m_cd;
};

Converter& utf8ToGbk() {
    thread_local Converter c("GB18030", "UTF-8");
    return c;
}
Converter& gbkToUtf8() {
    thread_local Converter c("UTF-8", "GB18030");
    return c;
}
Converter& utf16ToGbk() {
    thread_local Converter c("GB18030", "UTF-16LE");
    return c;
}
Converter& gbkToUtf16() {
    thread_local Converter c("UTF-16LE", "GB18030");
    return c;
}

const char* iconvNameOf(int codePage) {
    switch (codePage) {
        case 936:
            return "CP936";
        case 932:
            return "CP932";
        case 949:
            return "CP949";
        case 950:
            return "CP950";
        case 874:
            return "CP874";
        case 1250:
            return "CP1250";
        case 1251:
            return "CP1251";
        case 1253:
            return "CP1253";
        case 1254:
            return "CP1254";
        case 1255:
            return "CP1255";
        case 1256:
            return "CP1256";
        case 1257:
            return "CP1257";
        case 1258:
            return "CP1258";
        case 10000:
        case 32768:
            return "MACINTOSH";
        case 367:
            return "ASCII";
        case 437:
            return "CP437";
        case 850:
            return "CP850";
        default:
            return "CP1252";
    }
}

bool isAscii(std::string_view s) {
    for (char c : s) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

}  // namespace

Text gbkFromUtf8(std::string_view utf8) {
    if (isAscii(utf8)) return Text(utf8);
    return utf8ToGbk().convert(utf8, "?", 1);
}

std::string utf8FromGbk(std::string_view gbk) {
    if (isAscii(gbk)) return std::string(gbk);
    return gbkToUtf8().convert(gbk, "\xEF\xBF\xBD", 1);
}

Text gbkFromUtf16(std::u16string_view utf16) {
    const std::string_view bytes(reinterpret_cast<const char*>(utf16.data()), utf16.size() * 2);
    return utf16ToGbk().convert(bytes, "?", 2);
}

Text gbkFromCodePage(std::string_view bytes, int codePage) {
    if (isAscii(bytes)) return Text(bytes);
    if (codePage == 936) {
        // GB18030 is a superset of code page 936 with the same bytes for every GBK character.
        return Text(bytes);
    }
    thread_local int cachedPage = -1;
    thread_local std::unique_ptr<Converter> toUtf8;
    if (cachedPage != codePage) {
        toUtf8 = std::make_unique<Converter>("UTF-8", iconvNameOf(codePage));
        cachedPage = codePage;
    }
    return gbkFromUtf8(toUtf8->convert(bytes, "?", 1));
}

std::u16string utf16FromGbk(std::string_view gbk) {
    const std::string bytes = gbkToUtf16().convert(gbk, "\xFD\xFF", 1);
    std::u16string out(bytes.size() / 2, u'\0');
    std::memcpy(out.data(), bytes.data(), out.size() * 2);
    return out;
}

}  // namespace velmora::text
