// SPDX-License-Identifier: GPL-3.0-or-later
// Strings of BIFF records, read across CONTINUE records.
#include "xls/biff_strings.h"

#include <algorithm>

#include "text/encoding.h"

namespace velmora::xls::biff {

void SegmentReader::seekInFirst(std::size_t offset) {
    m_segment = 0;
    m_position = m_segments.empty() ? 0 : std::min(offset, m_segments.front().size());
}

bool SegmentReader::ensureByte() {
    while (m_segment < m_segments.size() && m_position >= m_segments[m_segment].size()) {
        ++m_segment;
        m_position = 0;
    }
    return m_segment < m_segments.size();
}

bool SegmentReader::atEnd() { return !ensureByte(); }

std::size_t SegmentReader::bytesLeft() const {
    if (m_segment >= m_segments.size()) return 0;
    return m_total - m_starts[m_segment] - std::min(m_position, m_segments[m_segment].size());
}

bool SegmentReader::u8(std::uint8_t& value) {
    if (!ensureByte()) return false;
    value = m_segments[m_segment][m_position++];
    return true;
}

bool SegmentReader::u16(std::uint16_t& value) {
    std::uint8_t low = 0;
    std::uint8_t high = 0;
    if (!u8(low) || !u8(high)) return false;
    value = static_cast<std::uint16_t>(low | (high << 8));
    return true;
}

bool SegmentReader::u32(std::uint32_t& value) {
    std::uint16_t low = 0;
    std::uint16_t high = 0;
    if (!u16(low) || !u16(high)) return false;
    value = low | (static_cast<std::uint32_t>(high) << 16);
    return true;
}

bool SegmentReader::skip(std::size_t count) {
    while (count > 0) {
        if (!ensureByte()) return false;
        const std::size_t step = std::min(count, m_segments[m_segment].size() - m_position);
        m_position += step;
        count -= step;
    }
    return true;
}

bool SegmentReader::units(std::size_t count, bool twoBytes, std::u16string& out) {
    out.clear();
    bool firstSegment = true;
    while (count > 0) {
        if (m_segment < m_segments.size() && m_position >= m_segments[m_segment].size()) {
            // Character data resumes in the next record behind a flags byte of its own.
            ++m_segment;
            m_position = 0;
            std::uint8_t flags = 0;
            if (m_segment >= m_segments.size() || !u8(flags)) return false;
            twoBytes = flags & 1u;
        } else if (m_segment >= m_segments.size()) {
            return false;
        }
        if (firstSegment) {
            out.reserve(std::min(count, bytesLeft()));
            firstSegment = false;
        }
        const Bytes segment = m_segments[m_segment];
        const std::size_t width = twoBytes ? 2 : 1;
        const std::size_t available = (segment.size() - m_position) / width;
        if (available == 0) {
            // A record holding only the flags byte, or a stray byte too short for a UTF-16 unit: the
            // characters go on in the next record, as other readers take it. The stray byte is no
            // character; reading it as half of one would shift every string after it.
            m_position = segment.size();
            continue;
        }
        const std::size_t take = std::min(available, count);
        const std::uint8_t* p = segment.data() + m_position;
        for (std::size_t i = 0; i < take; ++i) {
            out.push_back(twoBytes ? static_cast<char16_t>(p[2 * i] | (p[2 * i + 1] << 8))
                                   : static_cast<char16_t>(p[i]));
        }
        m_position += take * width;
        count -= take;
    }
    return true;
}

bool SegmentReader::bytes(std::size_t count, std::string& out) {
    out.clear();
    out.reserve(std::min(count, bytesLeft()));
    while (count > 0) {
        if (!ensureByte()) return false;
        const Bytes segment = m_segments[m_segment];
        const std::size_t take = std::min(count, segment.size() - m_position);
        out.append(reinterpret_cast<const char*>(segment.data() + m_position), take);
        m_position += take;
        count -= take;
    }
    return true;
}

text::Text gbkFromUnits(const std::u16string& units) {
    if (std::all_of(units.begin(), units.end(), [](char16_t u) { return u < 0x80; })) {
        text::Text out(units.size(), '\0');
        std::transform(units.begin(), units.end(), out.begin(),
                       [](char16_t u) { return static_cast<char>(u); });
        return out;
    }
    return text::gbkFromUtf16(units);
}

bool ByteCodePage::read(SegmentReader& reader, std::size_t count, text::Text& out) const {
    if (codePage == 1200 && reader.bytesLeft() >= 2 * count) {
        std::u16string units;
        if (!reader.units(count, true, units)) return false;
        out = gbkFromUnits(units);
        return true;
    }
    std::string raw;
    if (!reader.bytes(count, raw)) return false;
    out = text::gbkFromCodePage(raw, codePage);
    return true;
}

bool readUnicodeBody(SegmentReader& reader, std::size_t count, std::u16string& units) {
    std::uint8_t flags = 0;
    if (!reader.u8(flags)) return false;
    std::uint16_t runCount = 0;
    std::uint32_t phoneticSize = 0;
    if ((flags & 0x08u) && !reader.u16(runCount)) return false;
    if ((flags & 0x04u) && !reader.u32(phoneticSize)) return false;
    if (!reader.units(count, flags & 1u, units)) return false;
    // Formatting runs and the phonetic block carry nothing the reader keeps; skipped byte-wise so a
    // split anywhere inside them is harmless.
    return reader.skip(4u * runCount) && reader.skip(phoneticSize);
}

}  // namespace velmora::xls::biff
