// SPDX-License-Identifier: GPL-3.0-or-later
#include "xls/shared_strings.h"

#include <algorithm>
#include <functional>
#include <new>

#include <sys/mman.h>

#include "text/encoding.h"
#include "xls/workbook_writer.h"

namespace velmora::xls {
namespace {

std::u16string utf16Of(std::string_view gbk) {
    // Card codes and figures are plain ASCII; widening them directly skips iconv for most cells.
    if (std::all_of(gbk.begin(), gbk.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        return std::u16string(gbk.begin(), gbk.end());
    }
    return text::utf16FromGbk(gbk);
}

bool fitsInOneByte(std::u16string_view units) {
    return std::all_of(units.begin(), units.end(), [](char16_t u) { return u <= 0xFF; });
}

std::uint64_t tagOf(std::size_t hash) { return static_cast<std::uint64_t>(hash) >> 32; }

using Slots = std::vector<std::uint64_t, LargeBlockAllocator<std::uint64_t>>;

void place(Slots& slots, std::size_t hash, std::uint32_t index) {
    const std::size_t mask = slots.size() - 1;
    std::size_t slot = hash & mask;
    while (slots[slot] != 0) slot = (slot + 1) & mask;
    slots[slot] = (tagOf(hash) << 32) | (static_cast<std::uint64_t>(index) + 1);
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
            for (; pos < end; ++pos) {
                if (wide) {
                    m_data.u16(static_cast<std::uint16_t>(units[pos]));
                } else {
                    m_data.u8(static_cast<std::uint8_t>(units[pos]));
                }
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

void* allocateLargeBlock(std::size_t bytes) {
    constexpr std::size_t kHugePage = std::size_t(2) << 20;
    void* block = nullptr;
    if (bytes >= kHugePage) {
        const std::size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
        block = std::aligned_alloc(kHugePage, rounded);
        if (block != nullptr) ::madvise(block, rounded, MADV_HUGEPAGE);  // only a hint; failure is harmless
    } else {
        block = std::malloc(bytes == 0 ? 1 : bytes);
    }
    if (block == nullptr) throw std::bad_alloc();
    return block;
}

std::size_t SharedStrings::hashOf(std::string_view gbk) { return std::hash<std::string_view>{}(gbk); }

std::optional<std::uint32_t> SharedStrings::add(std::string_view gbk, std::size_t hash) {
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t slot = hash & mask; !m_slots.empty() && m_slots[slot] != 0; slot = (slot + 1) & mask) {
        if (m_slots[slot] >> 32 != tagOf(hash)) continue;
        const auto index = static_cast<std::uint32_t>(m_slots[slot]) - 1;
        const Entry& entry = m_entries[index];
        if (std::string_view(m_gbk).substr(entry.gbkOffset, entry.gbkLength) == gbk) {
            ++m_references;
            return index;
        }
    }
    const std::u16string units = utf16Of(gbk);
    if (units.size() > kMaxCellUnits) return std::nullopt;
    ++m_references;
    return insert(gbk, hash, units);
}

std::uint32_t SharedStrings::insert(std::string_view gbk, std::size_t hash, std::u16string_view units) {
    if ((m_entries.size() + 1) * 2 > m_slots.size()) grow();
    const auto index = static_cast<std::uint32_t>(m_entries.size());
    m_entries.push_back({hash, static_cast<std::uint32_t>(m_gbk.size()),
                         static_cast<std::uint32_t>(gbk.size()), static_cast<std::uint32_t>(m_units.size()),
                         static_cast<std::uint32_t>(units.size())});
    m_gbk.append(gbk);
    m_units.append(units);
    place(m_slots, hash, index);
    return index;
}

void SharedStrings::grow() {
    Slots slots(std::max<std::size_t>(1024, m_slots.size() * 2), 0);
    for (std::uint32_t i = 0; i < m_entries.size(); ++i) place(slots, m_entries[i].hash, i);
    m_slots = std::move(slots);
}

void SharedStrings::write(RecordStream& out) const {
    const std::size_t count = m_entries.size();
    // EXTSST may hold at most 128 buckets; readers use it only to seek, so coarse buckets are fine.
    const std::size_t perBucket = std::max<std::size_t>(8, (count + 127) / 128);
    std::vector<BucketStart> buckets;

    SstBuilder sst(out);
    sst.data().u32(m_references).u32(static_cast<std::uint32_t>(count));
    for (std::size_t i = 0; i < count; ++i) {
        const std::u16string_view units =
            std::u16string_view(m_units).substr(m_entries[i].unitOffset, m_entries[i].unitLength);
        const bool wide = !fitsInOneByte(units);
        const std::size_t headerAndOneUnit = 3 + (units.empty() ? 0 : (wide ? 2 : 1));
        if (sst.room() < headerAndOneUnit) sst.flush();
        if (i % perBucket == 0) {
            buckets.push_back({static_cast<std::uint32_t>(sst.streamOffset()),
                               static_cast<std::uint16_t>(sst.recordOffset())});
        }
        sst.data().u16(static_cast<std::uint16_t>(units.size())).u8(wide ? 0x01 : 0x00);
        sst.appendUnits(units, wide);
    }
    sst.flush();

    Bytes ext;
    ext.u16(static_cast<std::uint16_t>(perBucket));
    for (const BucketStart& b : buckets) ext.u32(b.streamOffset).u16(b.recordOffset).u16(0);
    out.record(record::kExtSst, ext);
}

}  // namespace velmora::xls
