// SPDX-License-Identifier: GPL-3.0-or-later
#include "xls/shared_strings.h"

#include <algorithm>
#include <functional>

#include "text/encoding.h"
#include "xls/workbook_writer.h"

namespace velmora::xls {
namespace {

bool isAscii(std::string_view gbk) {
    return std::all_of(gbk.begin(), gbk.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Sets `units` to the UTF-16 of `gbk`, reusing its storage.
void utf16Into(std::string_view gbk, std::u16string& units) {
    // Card codes and figures are plain ASCII; widening them directly skips iconv for most cells.
    if (isAscii(gbk)) {
        units.assign(gbk.begin(), gbk.end());
    } else {
        units = text::utf16FromGbk(gbk);
    }
}

std::u16string utf16Of(std::string_view gbk) {
    std::u16string units;
    utf16Into(gbk, units);
    return units;
}

bool fitsInOneByte(std::u16string_view units) {
    return std::all_of(units.begin(), units.end(), [](char16_t u) { return u <= 0xFF; });
}

// Each partition of the queued texts is deduplicated with an index this small, which stays in cache.
constexpr std::size_t kCellsPerPartition = 2048;

struct Queued {
    std::uint64_t hash;
    std::uint32_t cell;    // position in the queue
    std::uint32_t offset;  // of the text's bytes in the partitioned copy
};

std::size_t partitionBitsFor(std::size_t cells) {
    std::size_t bits = 0;
    while (bits < 16 && (cells >> bits) > kCellsPerPartition) ++bits;
    return bits;
}

struct BucketStart {
    std::uint32_t streamOffset;  // of the string's character count
    std::uint16_t recordOffset;  // the same, counted from the header of the record holding it
};

// Fills SST and CONTINUE records up to the size limit. A string's three-byte header never splits; its
// characters may, and then the CONTINUE starts with a fresh flags byte, as readers expect.
class SstBuilder {
public:
    explicit SstBuilder(RecordStream& out) : m_out(out), m_recordStart(out.size()) {}

    Bytes& data() { return m_data; }
    std::size_t room() const { return kMaxRecordData - m_data.size(); }
    std::size_t recordOffset() const { return 4 + m_data.size(); }
    std::size_t streamOffset() const { return m_recordStart + recordOffset(); }

    void flush() {
        m_out.record(m_id, m_data);
        m_id = record::kContinue;
        m_data.clear();
        m_recordStart = m_out.size();
    }

    // Plain ASCII goes in as it is: one byte a character, no flags change, nothing to convert.
    void appendAscii(std::string_view bytes) {
        std::size_t pos = 0;
        while (pos < bytes.size()) {
            if (room() == 0) {
                flush();
                m_data.u8(0x00);
                continue;
            }
            const std::size_t fit = std::min(bytes.size() - pos, room());
            m_data.str().append(bytes.substr(pos, fit));
            pos += fit;
        }
    }

    void appendUnits(std::u16string_view units, bool wide) {
        const std::uint8_t flags = wide ? 0x01 : 0x00;
        const std::size_t unitSize = wide ? 2 : 1;
        std::size_t pos = 0;
        while (pos < units.size()) {
            std::size_t fit = room() / unitSize;
            if (fit == 0) {
                flush();
                m_data.u8(flags);
                continue;
            }
            const std::size_t end = std::min(units.size(), pos + fit);
            std::string& bytes = m_data.str();
            std::size_t at = bytes.size();
            bytes.resize(at + (end - pos) * unitSize);
            for (; pos < end; ++pos) {
                bytes[at++] = static_cast<char>(units[pos]);
                if (wide) bytes[at++] = static_cast<char>(units[pos] >> 8);
            }
        }
    }

private:
    RecordStream& m_out;
    std::size_t m_recordStart;
    std::uint16_t m_id = record::kSst;
    Bytes m_data;
};

}  // namespace

bool SharedStrings::add(std::string_view gbk) {
    // A GBK text has at least as many bytes as UTF-16 units, so only long texts need converting here.
    if (gbk.size() > kMaxCellUnits && utf16Of(gbk).size() > kMaxCellUnits) return false;
    m_gbk.append(gbk);
    m_ends.push_back(static_cast<std::uint32_t>(m_gbk.size()));
    m_hashes.push_back(std::hash<std::string_view>{}(gbk));
    return true;
}

void SharedStrings::reserve(std::size_t cells) {
    m_ends.reserve(cells);
    m_hashes.reserve(cells);
}

void SharedStrings::resolve() {
    const std::size_t count = m_ends.size();
    // Scatter the texts into partitions by their hash's top bits, keeping queue order inside each, and
    // copy their bytes along, so that comparing two texts of a partition reads memory close by.
    const std::size_t bits = partitionBitsFor(count);
    const auto partitionOf = [bits](std::uint64_t hash) { return bits == 0 ? 0 : hash >> (64 - bits); };
    const std::size_t partitions = std::size_t(1) << bits;
    std::vector<std::uint32_t> starts(partitions + 1, 0), byteStarts(partitions + 1, 0);
    for (std::size_t cell = 0; cell < count; ++cell) {
        const std::size_t p = partitionOf(m_hashes[cell]);
        ++starts[p + 1];
        byteStarts[p + 1] += static_cast<std::uint32_t>(lengthOf(cell));
    }
    for (std::size_t p = 1; p <= partitions; ++p) {
        starts[p] += starts[p - 1];
        byteStarts[p] += byteStarts[p - 1];
    }
    std::vector<Queued> queued(count);
    std::string grouped(m_gbk.size(), '\0');
    {
        std::vector<std::uint32_t> next(starts.begin(), starts.end() - 1);
        std::vector<std::uint32_t> nextByte(byteStarts.begin(), byteStarts.end() - 1);
        for (std::size_t cell = 0; cell < count; ++cell) {
            const std::size_t p = partitionOf(m_hashes[cell]);
            const std::string_view text = textOf(cell);
            queued[next[p]++] = {m_hashes[cell], static_cast<std::uint32_t>(cell), nextByte[p]};
            std::copy(text.begin(), text.end(), grouped.begin() + nextByte[p]);
            nextByte[p] += static_cast<std::uint32_t>(text.size());
        }
    }

    // Within a partition, point every text at the first queued text equal to it.
    m_indices.assign(count, 0);
    std::vector<std::uint32_t> slots;
    for (std::size_t p = 0; p < partitions; ++p) {
        const std::size_t begin = starts[p], end = starts[p + 1];
        const auto textAt = [&](std::size_t k) {
            const std::size_t stop = k + 1 < end ? queued[k + 1].offset : byteStarts[p + 1];
            return std::string_view(grouped).substr(queued[k].offset, stop - queued[k].offset);
        };
        std::size_t capacity = 16;
        while (capacity < (end - begin) * 2) capacity *= 2;
        slots.assign(capacity, 0);
        const std::size_t mask = capacity - 1;
        for (std::size_t k = begin; k < end; ++k) {
            const Queued& text = queued[k];
            std::size_t slot = text.hash & mask;
            std::uint32_t first = text.cell;
            for (; slots[slot] != 0; slot = (slot + 1) & mask) {
                const std::size_t other = slots[slot] - 1;
                if (queued[other].hash == text.hash && textAt(other) == textAt(k)) {
                    first = queued[other].cell;
                    break;
                }
            }
            if (first == text.cell) slots[slot] = static_cast<std::uint32_t>(k + 1);
            m_indices[text.cell] = first;
        }
    }

    // In queue order, number each text that introduced a string and give the rest their first's number.
    m_firstCells.clear();
    for (std::size_t cell = 0; cell < count; ++cell) {
        if (m_indices[cell] == cell) {
            m_indices[cell] = static_cast<std::uint32_t>(m_firstCells.size());
            m_firstCells.push_back(static_cast<std::uint32_t>(cell));
        } else {
            m_indices[cell] = m_indices[m_indices[cell]];
        }
    }
}

void SharedStrings::write(RecordStream& out) const {
    const std::size_t count = m_firstCells.size();
    // EXTSST may hold at most 128 buckets; readers use it only to seek, so coarse buckets are fine.
    const std::size_t perBucket = std::max<std::size_t>(8, (count + 127) / 128);
    std::vector<BucketStart> buckets;

    SstBuilder sst(out);
    sst.data().u32(static_cast<std::uint32_t>(m_ends.size())).u32(static_cast<std::uint32_t>(count));
    std::u16string units;
    for (std::size_t i = 0; i < count; ++i) {
        const std::string_view gbk = textOf(m_firstCells[i]);
        const bool ascii = isAscii(gbk);
        if (!ascii) utf16Into(gbk, units);
        const std::size_t length = ascii ? gbk.size() : units.size();
        const bool wide = !ascii && !fitsInOneByte(units);
        const std::size_t headerAndOneUnit = 3 + (length == 0 ? 0 : (wide ? 2 : 1));
        if (sst.room() < headerAndOneUnit) sst.flush();
        if (i % perBucket == 0) {
            buckets.push_back({static_cast<std::uint32_t>(sst.streamOffset()),
                               static_cast<std::uint16_t>(sst.recordOffset())});
        }
        sst.data().u16(static_cast<std::uint16_t>(length)).u8(wide ? 0x01 : 0x00);
        if (ascii) {
            sst.appendAscii(gbk);
        } else {
            sst.appendUnits(units, wide);
        }
    }
    sst.flush();

    Bytes ext;
    ext.u16(static_cast<std::uint16_t>(perBucket));
    for (const BucketStart& b : buckets) ext.u32(b.streamOffset).u16(b.recordOffset).u16(0);
    out.record(record::kExtSst, ext);
}

}  // namespace velmora::xls
