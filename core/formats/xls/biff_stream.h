// SPDX-License-Identifier: GPL-3.0-or-later
// Record framing of a BIFF stream: bounds-checked records, little-endian fields and RK numbers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>

namespace velmora::xls::biff {

using Bytes = std::span<const std::uint8_t>;

// Record ids the reader acts on.
enum RecordId : std::uint16_t {
    // Cell records of BIFF2, whose cells carry three attribute bytes in place of an XF index.
    kBlankBiff2 = 0x0001,
    kIntegerBiff2 = 0x0002,
    kNumberBiff2 = 0x0003,
    kLabelBiff2 = 0x0004,
    kBoolErrBiff2 = 0x0005,
    kFormula = 0x0006,
    kStringBiff2 = 0x0007,
    kEof = 0x000A,
    kFormatBiff2 = 0x001E,  // BIFF2 and BIFF3: no index, formats are numbered in order
    kDateMode = 0x0022,
    kFilePass = 0x002F,
    kContinue = 0x003C,
    kCodePage = 0x0042,
    kXfBiff2 = 0x0043,
    kIxfeBiff2 = 0x0044,  // the XF index of the cells after it whose own says 63
    kBoundSheet = 0x0085,
    kSheetHeader = 0x008F,  // BIFF4 workbooks: the length and name of the sheet substream after it
    kMulRk = 0x00BD,
    kMulBlank = 0x00BE,
    kRString = 0x00D6,
    kXf = 0x00E0,
    kSst = 0x00FC,
    kLabelSst = 0x00FD,
    kBlank = 0x0201,
    kNumber = 0x0203,
    kLabel = 0x0204,
    kBoolErr = 0x0205,
    kFormulaBiff3 = 0x0206,
    kString = 0x0207,
    kArray = 0x0221,
    kTable = 0x0236,
    kXfBiff3 = 0x0243,
    kRk = 0x027E,
    kFormulaBiff4 = 0x0406,
    kFormat = 0x041E,
    kXfBiff4 = 0x0443,
    kShrFmla = 0x04BC,
    kBof = 0x0809,
    kBofBiff2 = 0x0009,
    kBofBiff3 = 0x0209,
    kBofBiff4 = 0x0409,
};

inline bool isBof(std::uint16_t id) {
    return id == kBof || id == kBofBiff2 || id == kBofBiff3 || id == kBofBiff4;
}

// BOF substream types.
constexpr std::uint16_t kBofGlobals = 0x0005;
constexpr std::uint16_t kBofWorksheet = 0x0010;
constexpr std::uint16_t kBofChart = 0x0020;
constexpr std::uint16_t kBofMacro = 0x0040;
constexpr std::uint16_t kBofWorkbookBiff4 = 0x0100;

inline std::uint16_t u16At(Bytes data, std::size_t offset) {
    return static_cast<std::uint16_t>(data[offset] | (data[offset + 1] << 8));
}

inline std::uint32_t u32At(Bytes data, std::size_t offset) {
    return static_cast<std::uint32_t>(data[offset]) | (static_cast<std::uint32_t>(data[offset + 1]) << 8) |
           (static_cast<std::uint32_t>(data[offset + 2]) << 16) |
           (static_cast<std::uint32_t>(data[offset + 3]) << 24);
}

inline double f64At(Bytes data, std::size_t offset) {
    std::uint64_t bits = 0;
    for (int i = 7; i >= 0; --i) bits = (bits << 8) | data[offset + static_cast<std::size_t>(i)];
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// Decodes a packed RK number: a 30-bit integer or the high 30 bits of a double, optionally
// divided by 100.
double decodeRk(std::uint32_t rk);

struct Record {
    std::uint16_t id = 0;
    Bytes data;
    std::size_t offset = 0;  // of the record header within the stream
};

// Walks the records of a stream from a given offset. Never reads past the stream.
class RecordReader {
public:
    enum class Step { Record, End, Truncated };

    RecordReader(Bytes stream, std::size_t offset) : m_stream(stream), m_position(offset) {}

    // Reads the next record. End: the stream is exhausted at a record boundary. Truncated: a header
    // or body runs past the end of the stream.
    Step next(Record& record);
    // The id of the record that next() would return, if a whole header is there.
    bool peekId(std::uint16_t& id) const;
    std::size_t position() const { return m_position; }

private:
    Bytes m_stream;
    std::size_t m_position;
};

}  // namespace velmora::xls::biff
