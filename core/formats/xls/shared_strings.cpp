// SPDX-License-Identifier: GPL-3.0-or-later
#include "xls/shared_strings.h"

#include <algorithm>
#include <cstring>

#include "text/encoding.h"
#include "text/gb18030.h"
#include "xls/workbook_writer.h"

namespace velmora::xls {
namespace {

// memcpy without the library call for the short texts most cells hold: two copies that may overlap.
void copyBytes(char* out, const char* in, std::size_t size) {
    const auto copyPair = [&](auto word) {
        std::memcpy(&word, in, sizeof word);
        std::memcpy(out, &word, sizeof word);
        std::memcpy(&word, in + size - sizeof word, sizeof word);
        std::memcpy(out + size - sizeof word, &word, sizeof word);
    };
    if (size > 16) {
        std::memcpy(out, in, size);
    } else if (size >= 8) {
        copyPair(std::uint64_t{});
    } else if (size >= 4) {
        copyPair(std::uint32_t{});
    } else if (size > 0) {
        out[0] = in[0];
        out[size / 2] = in[size / 2];
        out[size - 1] = in[size - 1];
    }
}

bool fitsInOneByte(std::u16string_view units) {
    char16_t seen = 0;
    for (const char16_t u : units) seen |= u;
    return seen <= 0xFF;
}

// With the byte budget this keeps the index under 200 MB however many distinct texts a sheet has:
// at most 128 MB of slots besides the longer texts themselves.
constexpr std::size_t kMaxRememberedTexts = std::size_t(1) << 21;
constexpr std::size_t kMaxBuckets = 128;  // EXTSST holds no more
constexpr std::size_t kCountsEnd = 12;    // the first SST record's header and its two counts

}  // namespace

SharedStrings::SharedStrings(std::size_t rememberedBytes)
    : m_recordId(record::kSst), m_data(kMaxRecordData, '\0'), m_rememberedBytes(rememberedBytes) {
    m_dataSize = 8;  // the counts, known only at the end
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

bool SharedStrings::addAll(std::span<const std::string_view> texts, std::span<const std::uint8_t> lookUp,
                           std::span<std::uint32_t> indices) {
    m_batchHashes.resize(texts.size());
    // Every slot is asked for before the lookups wait for the first.
    const std::size_t mask = m_slots.empty() ? 0 : m_slots.size() - 1;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (!lookUp[i]) continue;
        m_batchHashes[i] = hashOf(texts[i]);
        if (!m_slots.empty()) __builtin_prefetch(&m_slots[m_batchHashes[i] & mask]);
    }
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (lookUp[i]) {
            const std::optional<std::uint32_t> index = add(texts[i], m_batchHashes[i]);
            if (!index) return false;
            indices[i] = *index;
        } else {
            if (texts[i].size() > kMaxCellUnits && !fits(texts[i])) return false;
            ++m_cellCount;
            indices[i] = appendString(texts[i]);
        }
    }
    return true;
}

// The UTF-16 of a non-ASCII text into m_units; its length.
std::size_t SharedStrings::unitsOf(std::string_view gbk) {
    if (m_units.size() < gbk.size()) m_units.resize(gbk.size());
    return text::gb18030::toUtf16(gbk, m_units.data());
}

// A GBK text has at least as many bytes as UTF-16 units, so only long texts need converting here.
bool SharedStrings::fits(std::string_view gbk) {
    return gbk.size() <= kMaxCellUnits || (!text::isAscii(gbk) && unitsOf(gbk) <= kMaxCellUnits);
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
    const char header[4] = {static_cast<char>(m_recordId), static_cast<char>(m_recordId >> 8),
                            static_cast<char>(m_dataSize), static_cast<char>(m_dataSize >> 8)};
    m_records.append(header, sizeof header);
    m_records.append(m_data, 0, m_dataSize);
    m_recordId = record::kContinue;
    m_dataSize = 0;
}

std::uint32_t SharedStrings::appendString(std::string_view gbk) {
    // Most texts are short ASCII with room in the record being filled: written here without a call.
    if (gbk.size() + 3 <= kMaxRecordData - m_dataSize && text::isAscii(gbk)) {
        const std::uint32_t index = newIndex();
        char* out = m_data.data() + m_dataSize;
        out[0] = static_cast<char>(gbk.size());
        out[1] = static_cast<char>(gbk.size() >> 8);
        out[2] = 0x00;
        copyBytes(out + 3, gbk.data(), gbk.size());
        m_dataSize += 3 + gbk.size();
        return index;
    }
    return appendAnyString(gbk);
}

void SharedStrings::addBucket() {
    m_buckets.push_back({static_cast<std::uint32_t>(m_records.size() + 4 + m_dataSize),
                         static_cast<std::uint16_t>(4 + m_dataSize)});
    if (m_buckets.size() > kMaxBuckets) {
        // Keep every other bucket: the rest still start every (twice as many) strings.
        for (std::size_t i = 0; 2 * i < m_buckets.size(); ++i) m_buckets[i] = m_buckets[2 * i];
        m_buckets.resize((m_buckets.size() + 1) / 2);
        m_bucketStep *= 2;
    }
}

// A string's three-byte header never splits; its characters may, and then the CONTINUE starts with a
// fresh flags byte, as readers expect.
std::uint32_t SharedStrings::appendAnyString(std::string_view gbk) {
    const bool ascii = text::isAscii(gbk);
    const std::size_t length = ascii ? gbk.size() : unitsOf(gbk);
    const std::u16string_view units(m_units.data(), ascii ? 0 : length);
    const bool wide = !ascii && !fitsInOneByte(units);
    const std::size_t headerAndOneUnit = 3 + (length == 0 ? 0 : (wide ? 2 : 1));
    if (kMaxRecordData - m_dataSize < headerAndOneUnit) flushRecord();

    const std::uint32_t index = newIndex();
    char* header = m_data.data() + m_dataSize;
    header[0] = static_cast<char>(length);
    header[1] = static_cast<char>(length >> 8);
    header[2] = wide ? 0x01 : 0x00;
    m_dataSize += 3;
    if (ascii) {
        appendAscii(gbk);
    } else {
        appendUnits(units, wide);
    }
    return index;
}

// Plain ASCII goes in as it is: one byte a character, no flags change, nothing to convert.
void SharedStrings::appendAscii(std::string_view bytes) {
    while (!bytes.empty()) {
        if (m_dataSize == kMaxRecordData) {
            flushRecord();
            m_data[m_dataSize++] = 0x00;
        }
        const std::size_t fit = std::min(bytes.size(), kMaxRecordData - m_dataSize);
        copyBytes(m_data.data() + m_dataSize, bytes.data(), fit);
        m_dataSize += fit;
        bytes.remove_prefix(fit);
    }
}

void SharedStrings::appendUnits(std::u16string_view units, bool wide) {
    const std::size_t unitSize = wide ? 2 : 1;
    while (!units.empty()) {
        std::size_t fit = (kMaxRecordData - m_dataSize) / unitSize;
        if (fit == 0) {
            flushRecord();
            m_data[m_dataSize++] = wide ? 0x01 : 0x00;
            fit = (kMaxRecordData - m_dataSize) / unitSize;
        }
        fit = std::min(fit, units.size());
        char* out = m_data.data() + m_dataSize;
        for (std::size_t i = 0; i < fit; ++i) {
            if (wide) {
                out[2 * i] = static_cast<char>(units[i]);
                out[2 * i + 1] = static_cast<char>(units[i] >> 8);
            } else {
                out[i] = static_cast<char>(units[i]);
            }
        }
        m_dataSize += fit * unitSize;
        units.remove_prefix(fit);
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
