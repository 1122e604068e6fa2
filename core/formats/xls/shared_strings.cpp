// SPDX-License-Identifier: GPL-3.0-or-later
#include "xls/shared_strings.h"

#include <algorithm>
#include <cstring>

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

bool fitsInOneByte(std::u16string_view units) {
    return std::all_of(units.begin(), units.end(), [](char16_t u) { return u <= 0xFF; });
}

// With the byte budget this keeps the index under 200 MB however many distinct texts a sheet has:
// at most 128 MB of slots besides the longer texts themselves.
constexpr std::size_t kMaxRememberedTexts = std::size_t(1) << 21;
constexpr std::size_t kMaxBuckets = 128;  // EXTSST holds no more
constexpr std::size_t kCountsEnd = 12;    // the first SST record's header and its two counts

}  // namespace

SharedStrings::SharedStrings(std::size_t rememberedBytes)
    : m_recordId(record::kSst), m_rememberedBytes(rememberedBytes) {
    m_data.u32(0).u32(0);  // the counts, known only at the end
}

SharedStrings::ShortKey SharedStrings::shortKeyOf(std::string_view gbk) {
    // Two loads that may overlap cover every byte of a text of 4 to 16 bytes; with the length alike,
    // equal keys mean equal texts.
    const auto load = [&gbk](std::size_t at, auto word) {
        std::memcpy(&word, gbk.data() + at, sizeof word);
        return static_cast<std::uint64_t>(word);
    };
    ShortKey key;
    const std::size_t size = gbk.size();
    if (size >= 8) {
        key.words[0] = load(0, std::uint64_t{});
        key.words[1] = load(size - 8, std::uint64_t{});
    } else if (size >= 4) {
        key.words[0] = load(0, std::uint32_t{}) | (load(size - 4, std::uint32_t{}) << 32);
    } else {
        for (std::size_t i = 0; i < size; ++i)
            key.words[0] |= static_cast<std::uint64_t>(static_cast<unsigned char>(gbk[i])) << (8 * i);
    }
    return key;
}

std::uint64_t SharedStrings::hashOf(std::string_view gbk) {
    if (gbk.size() > kInlineBytes) return std::hash<std::string_view>{}(gbk);
    // Both words and the length, mixed by multiplying and shifting: spread enough for the index.
    const ShortKey key = shortKeyOf(gbk);
    std::uint64_t hash = (key.words[0] ^ (gbk.size() * 0x9E3779B97F4A7C15u)) * 0xBF58476D1CE4E5B9u;
    hash = ((hash ^ (hash >> 31)) ^ key.words[1]) * 0x94D049BB133111EBu;
    return hash ^ (hash >> 29);
}

std::optional<std::uint32_t> SharedStrings::add(std::string_view gbk) { return add(gbk, hashOf(gbk)); }

bool SharedStrings::addAll(const std::vector<std::string_view>& texts, std::vector<std::uint32_t>& indices) {
    return addAll(texts, std::vector<std::uint8_t>(texts.size(), 1), indices);
}

bool SharedStrings::addAll(const std::vector<std::string_view>& texts,
                           const std::vector<std::uint8_t>& lookUp, std::vector<std::uint32_t>& indices) {
    m_batchHashes.resize(texts.size());
    for (std::size_t i = 0; i < texts.size(); ++i) m_batchHashes[i] = lookUp[i] ? hashOf(texts[i]) : 0;
    // Every slot is asked for before the lookups wait for the first.
    if (!m_slots.empty()) {
        const std::size_t mask = m_slots.size() - 1;
        for (std::size_t i = 0; i < texts.size(); ++i)
            if (lookUp[i]) __builtin_prefetch(&m_slots[m_batchHashes[i] & mask]);
    }
    indices.clear();
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const std::optional<std::uint32_t> index =
            lookUp[i] ? add(texts[i], m_batchHashes[i]) : addOwn(texts[i]);
        if (!index) return false;
        indices.push_back(*index);
    }
    return true;
}

// A GBK text has at least as many bytes as UTF-16 units, so only long texts need converting here.
bool SharedStrings::fits(std::string_view gbk) {
    if (gbk.size() <= kMaxCellUnits) return true;
    utf16Into(gbk, m_units);
    return m_units.size() <= kMaxCellUnits;
}

std::optional<std::uint32_t> SharedStrings::addOwn(std::string_view gbk) {
    if (!fits(gbk)) return std::nullopt;
    ++m_cellCount;
    return appendString(gbk);
}

std::optional<std::uint32_t> SharedStrings::add(std::string_view gbk, std::uint64_t hash) {
    if (!fits(gbk)) return std::nullopt;
    ++m_cellCount;
    std::size_t slot = 0;
    if (const auto known = remembered(gbk, hash, slot)) return known;
    const std::uint32_t index = appendString(gbk);
    const std::size_t kept = gbk.size() > kInlineBytes ? gbk.size() : 0;
    if (m_texts.size() + kept <= m_rememberedBytes && m_rememberedCount < kMaxRememberedTexts)
        remember(gbk, hash, slot, index);
    return index;
}

std::optional<std::uint32_t> SharedStrings::remembered(std::string_view gbk, std::uint64_t hash,
                                                       std::size_t& slot) const {
    if (m_slots.empty()) return std::nullopt;
    const std::size_t mask = m_slots.size() - 1;
    const auto tag = static_cast<std::uint32_t>(hash >> 32);
    const bool isShort = gbk.size() <= kInlineBytes;
    const ShortKey key = isShort ? shortKeyOf(gbk) : ShortKey{};
    for (slot = hash & mask; m_slots[slot].index != 0; slot = (slot + 1) & mask) {
        const Slot& s = m_slots[slot];
        if (s.tag != tag || s.length != gbk.size()) continue;
        if (isShort ? s.key.words[0] == key.words[0] && s.key.words[1] == key.words[1]
                    : std::string_view(m_texts).substr(s.key.words[0], s.length) == gbk)
            return s.index - 1;
    }
    return std::nullopt;
}

void SharedStrings::remember(std::string_view gbk, std::uint64_t hash, std::size_t slot,
                             std::uint32_t index) {
    // Kept at most three quarters full, so a miss ends after a few probes, most in the same cache line.
    if ((m_rememberedCount + 1) * 4 > m_slots.size() * 3) {
        growSlots();
        remembered(gbk, hash, slot);  // finds where it goes now
    }
    Slot& s = m_slots[slot];
    s.index = index + 1;
    s.tag = static_cast<std::uint32_t>(hash >> 32);
    s.low = static_cast<std::uint32_t>(hash);
    s.length = static_cast<std::uint32_t>(gbk.size());
    if (gbk.size() <= kInlineBytes) {
        s.key = shortKeyOf(gbk);
    } else {
        s.key.words[0] = m_texts.size();
        m_texts.append(gbk);
    }
    ++m_rememberedCount;
}

void SharedStrings::growSlots() {
    std::vector<Slot> old(std::max<std::size_t>(1024, m_slots.size() * 2));
    old.swap(m_slots);
    const std::size_t mask = m_slots.size() - 1;
    for (const Slot& s : old) {
        if (s.index == 0) continue;
        std::size_t slot = ((std::uint64_t{s.tag} << 32) | s.low) & mask;
        while (m_slots[slot].index != 0) slot = (slot + 1) & mask;
        m_slots[slot] = s;
    }
}

void SharedStrings::flushRecord() {
    Bytes header;
    header.u16(m_recordId).u16(static_cast<std::uint16_t>(m_data.size()));
    m_records += header.str();
    m_records += m_data.str();
    m_recordId = record::kContinue;
    m_data.clear();
}

// A string's three-byte header never splits; its characters may, and then the CONTINUE starts with a
// fresh flags byte, as readers expect.
std::uint32_t SharedStrings::appendString(std::string_view gbk) {
    const bool ascii = isAscii(gbk);
    if (!ascii) utf16Into(gbk, m_units);
    const std::size_t length = ascii ? gbk.size() : m_units.size();
    const bool wide = !ascii && !fitsInOneByte(m_units);
    const std::size_t headerAndOneUnit = 3 + (length == 0 ? 0 : (wide ? 2 : 1));
    if (kMaxRecordData - m_data.size() < headerAndOneUnit) flushRecord();

    const auto index = static_cast<std::uint32_t>(m_uniqueCount++);
    if (index % m_bucketStep == 0) {
        m_buckets.push_back({static_cast<std::uint32_t>(m_records.size() + 4 + m_data.size()),
                             static_cast<std::uint16_t>(4 + m_data.size())});
        if (m_buckets.size() > kMaxBuckets) {
            // Keep every other bucket: the rest still start every (twice as many) strings.
            for (std::size_t i = 0; 2 * i < m_buckets.size(); ++i) m_buckets[i] = m_buckets[2 * i];
            m_buckets.resize((m_buckets.size() + 1) / 2);
            m_bucketStep *= 2;
        }
    }
    m_data.u16(static_cast<std::uint16_t>(length)).u8(wide ? 0x01 : 0x00);
    if (ascii) {
        appendAscii(gbk);
    } else {
        appendUnits(m_units, wide);
    }
    return index;
}

// Plain ASCII goes in as it is: one byte a character, no flags change, nothing to convert.
void SharedStrings::appendAscii(std::string_view bytes) {
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        const std::size_t room = kMaxRecordData - m_data.size();
        if (room == 0) {
            flushRecord();
            m_data.u8(0x00);
            continue;
        }
        const std::size_t fit = std::min(bytes.size() - pos, room);
        m_data.str().append(bytes.substr(pos, fit));
        pos += fit;
    }
}

void SharedStrings::appendUnits(std::u16string_view units, bool wide) {
    const std::size_t unitSize = wide ? 2 : 1;
    std::size_t pos = 0;
    while (pos < units.size()) {
        const std::size_t fit = (kMaxRecordData - m_data.size()) / unitSize;
        if (fit == 0) {
            flushRecord();
            m_data.u8(wide ? 0x01 : 0x00);
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

void SharedStrings::close() {
    if (m_closed) return;
    flushRecord();
    m_closed = true;
    // The index is needed no more; the records are all that is written.
    std::string().swap(m_texts);
    std::vector<Slot>().swap(m_slots);
    std::vector<std::uint64_t>().swap(m_batchHashes);
}

std::size_t SharedStrings::recordsSize() const { return m_records.size() + 4 + 2 + 8 * m_buckets.size(); }

bool SharedStrings::write(std::size_t streamOffset, const std::function<bool(std::string_view)>& sink) const {
    Bytes counts;
    counts.u32(static_cast<std::uint32_t>(m_cellCount)).u32(static_cast<std::uint32_t>(m_uniqueCount));
    const std::string_view records(m_records);
    if (!sink(records.substr(0, 4)) || !sink(counts.str()) || !sink(records.substr(kCountsEnd))) return false;

    // EXTSST lets readers seek into the table; they use it for nothing else, so coarse buckets do.
    Bytes ext;
    ext.u16(static_cast<std::uint16_t>(m_bucketStep));
    for (const Bucket& b : m_buckets)
        ext.u32(static_cast<std::uint32_t>(streamOffset + b.offset)).u16(b.recordOffset).u16(0);
    Bytes record;
    record.u16(record::kExtSst).u16(static_cast<std::uint16_t>(ext.size())).raw(ext.str());
    return sink(record.str());
}

}  // namespace velmora::xls
