// SPDX-License-Identifier: GPL-3.0-or-later
// Strings of BIFF records, read across CONTINUE records, and their conversion to GBK.
#pragma once

#include <string>
#include <vector>

#include "text/rules.h"
#include "xls/biff_stream.h"

namespace velmora::xls::biff {

// A byte reader over a record's data and the data of the CONTINUE records that follow it. Plain
// reads cross record boundaries unchanged; only character data finds a fresh flags byte there.
class SegmentReader {
public:
    SegmentReader() = default;
    explicit SegmentReader(Bytes first) { addSegment(first); }

    void addSegment(Bytes segment) {
        m_starts.push_back(m_total);
        m_segments.push_back(segment);
        m_total += segment.size();
    }
    // Moves to `offset` within the first segment (clamped to its end).
    void seekInFirst(std::size_t offset);

    bool atEnd();
    std::size_t bytesLeft() const;

    bool u8(std::uint8_t& value);
    bool u16(std::uint16_t& value);
    bool u32(std::uint32_t& value);
    bool skip(std::size_t count);
    // Reads `count` UTF-16 code units, one byte each (Latin-1) or two, starting in the given width.
    // Where a record ends with units still owed, the next one begins with a flags byte whose bit 0
    // sets the width of the rest.
    bool units(std::size_t count, bool twoBytes, std::u16string& out);
    // Reads `count` raw bytes (8-bit strings of BIFF5), crossing records without flags bytes.
    bool bytes(std::size_t count, std::string& out);

private:
    // Steps over exhausted segments; false when none is left.
    bool ensureByte();

    std::vector<Bytes> m_segments;
    std::vector<std::size_t> m_starts;  // of each segment within all the bytes
    std::size_t m_total = 0;
    std::size_t m_segment = 0;
    std::size_t m_position = 0;
};

// Converts UTF-16 units to GBK; plain ASCII is copied without a conversion.
text::Text gbkFromUnits(const std::u16string& units);

// How 8-bit strings of a BIFF5/7 workbook are encoded.
struct ByteCodePage {
    int codePage = 1252;
    // Text of a BIFF5 record holding `count` characters from the reader's position. Some writers
    // declare code page 1200 and store UTF-16 there, counting characters where two bytes follow for
    // each, else bytes.
    bool read(SegmentReader& reader, std::size_t count, text::Text& out) const;
};

// Reads an XLUnicodeString body after its count: flags byte, optional run count and phonetic size,
// characters, then skips the runs and the phonetic block.
bool readUnicodeBody(SegmentReader& reader, std::size_t count, std::u16string& units);

}  // namespace velmora::xls::biff
