// SPDX-License-Identifier: GPL-3.0-or-later
// The shared string table of a BIFF8 workbook: every distinct cell text once, cells refer to it by index.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "text/rules.h"
#include "xls/biff_output.h"

namespace velmora::xls {

// Large blocks on 2 MB boundaries with huge pages asked for; small ones from malloc. Both are freed with
// free().
void* allocateLargeBlock(std::size_t bytes);

// The string index and entries are probed at random; with 4 KB pages nearly every probe of a large
// table also misses the TLB, which costs more than the cache miss itself under a hypervisor.
template <typename T>
struct LargeBlockAllocator {
    using value_type = T;
    LargeBlockAllocator() = default;
    template <typename U>
    LargeBlockAllocator(const LargeBlockAllocator<U>&) {}
    T* allocate(std::size_t count) { return static_cast<T*>(allocateLargeBlock(count * sizeof(T))); }
    void deallocate(T* block, std::size_t) { std::free(block); }
    friend bool operator==(const LargeBlockAllocator&, const LargeBlockAllocator&) { return true; }
};

class SharedStrings {
public:
    // Counts one more cell holding `gbk` and returns its string index, or nullopt when the text is longer
    // than a cell may be.
    std::optional<std::uint32_t> add(std::string_view gbk) { return add(gbk, hashOf(gbk)); }
    // The same with `hash` = hashOf(gbk) worked out beforehand, as a caller that prefetches does.
    std::optional<std::uint32_t> add(std::string_view gbk, std::size_t hash);

    static std::size_t hashOf(std::string_view gbk);
    // Starts loading the index slot `hash` probes first. A row's texts are mostly new and land at
    // random in an index far larger than the cache: asking for all their slots before adding any lets
    // the memory fetches overlap instead of waiting for each in turn.
    void prefetch(std::size_t hash) const {
        if (!m_slots.empty()) __builtin_prefetch(&m_slots[hash & (m_slots.size() - 1)]);
    }

    std::size_t uniqueCount() const { return m_entries.size(); }

    // Appends the SST record, its CONTINUE records and the EXTSST index to `out`. Offsets in EXTSST are
    // taken from out.size(), so `out` must be the Workbook stream itself from its first byte.
    void write(RecordStream& out) const;

private:
    struct Entry {
        std::size_t hash;
        std::uint32_t gbkOffset, gbkLength;    // the text as given, in m_gbk
        std::uint32_t unitOffset, unitLength;  // the same as UTF-16, in m_units
    };
    std::uint32_t insert(std::string_view gbk, std::size_t hash, std::u16string_view units);
    void grow();

    // A workbook can hold 650,000 distinct texts; flat arenas and an open-addressed index keep that to a
    // few allocations instead of two per text.
    std::string m_gbk;
    std::u16string m_units;
    std::vector<Entry, LargeBlockAllocator<Entry>> m_entries;
    // Entry index + 1 in the low half (0 marks a free slot), the hash's upper bits in the high half, so
    // a probe rarely has to look at an entry that does not match.
    std::vector<std::uint64_t, LargeBlockAllocator<std::uint64_t>> m_slots;
    std::uint32_t m_references = 0;
};

}  // namespace velmora::xls
