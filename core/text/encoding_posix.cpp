// SPDX-License-Identifier: GPL-3.0-or-later
// The 8-bit code pages of old workbooks, through the C library's converter.
#include "text/encoding.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <new>
#include <string>

namespace velmora::text {
namespace {

// One iconv descriptor per direction and thread: opening one costs far more than a short conversion.
class Converter {
public:
    Converter(const char* to, const char* from) : m_to(to), m_from(from), m_cd(iconv_open(to, from)) {}
    ~Converter() {
        if (valid()) iconv_close(m_cd);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

    // Converts `input`; on an undecodable sequence appends `replacement` and skips `skip` bytes.
    std::string convert(std::string_view input, std::string_view replacement, std::size_t skip) {
        // Every encoding asked for ships with the C library, so failing to open one means its module
        // could not be loaded for want of memory. An empty text here would silently lose every cell.
        if (!valid()) m_cd = iconv_open(m_to, m_from);
        if (!valid()) throw std::bad_alloc();
        std::string out;
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
    const char* m_to;
    const char* m_from;
    iconv_t m_cd;
};

// The iconv name of a code page that CODEPAGE may give. Windows and DOS code pages go by their number;
// the Mac ones by the names iconv gives them (glibc lacks Mac Greek, Turkish, Croatian, Romanian, Arabic,
// Hebrew and Thai: those fall back to Mac Roman, which agrees with them on ASCII and most letters).
std::string iconvNameOf(int codePage) {
    switch (codePage) {
        case 367:
        case 20127:
            return "ASCII";
        case 1200:
            return "UTF-16LE";
        case 1201:
            return "UTF-16BE";
        case 10001:
            return "SHIFT_JIS";
        case 10002:
            return "BIG5";
        case 10003:
            return "EUC-KR";
        case 10007:
            return "MAC-CYRILLIC";
        case 10008:
            return "EUC-CN";
        case 10017:
            return "MAC-UK";
        case 10029:
            return "MAC-CENTRALEUROPE";
        case 10079:
            return "MAC-IS";
        case 20866:
            return "KOI8-R";
        case 21866:
            return "KOI8-U";
        case 32769:
            return "CP1252";
        case 65001:
            return "UTF-8";
        default:
            break;
    }
    if (codePage >= 10000 && codePage < 10100) return "MACINTOSH";  // 10000, and those iconv lacks
    if (codePage == 32768) return "MACINTOSH";
    if (codePage >= 28591 && codePage <= 28605) return "ISO-8859-" + std::to_string(codePage - 28590);
    return "CP" + std::to_string(codePage);
}

}  // namespace

Text gbkFromCodePage(std::string_view bytes, int codePage) {
    // Two-byte code pages: their bytes below 0x80 are halves of characters, not ASCII.
    const bool twoByte = codePage == 1200 || codePage == 1201;
    if (!twoByte && isAscii(bytes)) return Text(bytes);
    if (codePage == 936) {
        // GB18030 is a superset of code page 936 with the same bytes for every GBK character.
        return Text(bytes);
    }
    thread_local int cachedPage = -1;
    thread_local std::unique_ptr<Converter> toUtf8;
    if (cachedPage != codePage) {
        toUtf8 = std::make_unique<Converter>("UTF-8", iconvNameOf(codePage).c_str());
        // A code page iconv does not know is read as the most common one rather than lost.
        if (!toUtf8->valid()) toUtf8 = std::make_unique<Converter>("UTF-8", "CP1252");
        cachedPage = codePage;
    }
    return gbkFromUtf8(toUtf8->convert(bytes, "?", 1));
}

}  // namespace velmora::text
