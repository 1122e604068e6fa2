// SPDX-License-Identifier: GPL-3.0-or-later
// Record framing of a BIFF stream.
#include "xls/biff_stream.h"

namespace velmora::xls::biff {

double decodeRk(std::uint32_t rk) {
    double value;
    if (rk & 2u) {
        // A signed 30-bit integer: the shift must be arithmetic so negatives survive.
        value = static_cast<double>(static_cast<std::int32_t>(rk) >> 2);
    } else {
        const std::uint64_t bits = static_cast<std::uint64_t>(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&value, &bits, sizeof value);
    }
    return (rk & 1u) ? value / 100.0 : value;
}

RecordReader::Step RecordReader::next(Record& record) {
    if (m_position >= m_stream.size()) return Step::End;
    if (m_stream.size() - m_position < 4) return Step::Truncated;
    const std::uint16_t id = u16At(m_stream, m_position);
    const std::size_t length = u16At(m_stream, m_position + 2);
    if (m_stream.size() - m_position - 4 < length) return Step::Truncated;
    record.id = id;
    record.offset = m_position;
    record.data = m_stream.subspan(m_position + 4, length);
    m_position += 4 + length;
    return Step::Record;
}

bool RecordReader::peekId(std::uint16_t& id) const {
    if (m_position >= m_stream.size() || m_stream.size() - m_position < 4) return false;
    id = u16At(m_stream, m_position);
    return true;
}

}  // namespace velmora::xls::biff
