// SPDX-License-Identifier: GPL-3.0-or-later
// The shared string table of a BIFF8 workbook: every distinct cell text once, cells refer to it by index.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "text/rules.h"
#include "xls/biff_output.h"

namespace velmora::xls {

// Takes a sheet's cell texts as they come and lays the SST record and its CONTINUE records out at once,
// so a sheet of millions of cells never queues its texts. Distinct texts are numbered in the order they
// first occur. To find repeats it remembers texts up to a memory budget; a text first met beyond the
// budget gets an entry of its own at every occurrence, which costs file size, never a wrong cell.
class SharedStrings {
public:
    static constexpr std::size_t kDefaultRememberedBytes = std::size_t(64) << 20;

    explicit SharedStrings(std::size_t rememberedBytes = kDefaultRememberedBytes);

    // The string index of one more cell holding `gbk`; nullopt, adding nothing, when the text is longer
    // than a cell may be. Not after close().
    std::optional<std::uint32_t> add(std::string_view gbk);
    // add() for each text of `texts` in turn, their indices in `indices` (as many); false at the first
    // text that is too long. On a large table this is much quicker than one add() after another: the
    // memory every lookup needs is asked for before the first one waits for it. A text whose `lookUp`
    // flag is 0 is neither looked for nor remembered: it gets an entry of its own. For texts that are
    // known to be (nearly) all different, such as card codes, searching would cost a wait for memory per
    // text and find nothing.
    bool addAll(std::span<const std::string_view> texts, std::span<const std::uint8_t> lookUp,
                std::span<std::uint32_t> indices);

    std::size_t uniqueCount() const { return m_uniqueCount; }
    std::size_t cellCount() const { return m_cellCount; }

    // Ends the table: its records take recordsSize() bytes from here on.
    void close();
    // SST, CONTINUE and EXTSST records together, after close().
    std::size_t recordsSize() const;
    // Hands the records to `sink` piece by piece, after close(). `streamOffset` is where the SST record
    // starts in the Workbook stream, for the offsets in EXTSST. Stops at the first piece `sink` refuses.
    bool write(std::size_t streamOffset, const std::function<bool(std::string_view)>& sink) const;

private:
    struct Bucket {
        std::uint32_t offset;        // of the string's character count, from the SST record's first byte
        std::uint16_t recordOffset;  // the same, counted from the header of the record holding it
    };
    std::optional<std::uint32_t> add(std::string_view gbk, std::uint64_t hash);
    bool fits(std::string_view gbk);
    std::uint32_t appendString(std::string_view gbk);
    std::uint32_t appendAnyString(std::string_view gbk);
    // The next string's index, with an EXTSST bucket at every m_bucketStep-th (a power of two).
    std::uint32_t newIndex() {
        const auto index = static_cast<std::uint32_t>(m_uniqueCount++);
        if ((index & (m_bucketStep - 1)) == 0) addBucket();
        return index;
    }
    void addBucket();
    std::optional<std::uint32_t> remembered(std::string_view gbk, std::uint64_t hash,
                                            std::size_t& slot) const;
    void remember(std::string_view gbk, std::uint64_t hash, std::size_t slot, std::uint32_t index);
    void growSlots();
    std::size_t unitsOf(std::string_view gbk);
    void flushRecord();
    void appendAscii(std::string_view bytes);
    void appendUnits(std::u16string_view units, bool wide);

    // The laid-out records; the first SST record's counts are filled in by write().
    std::string m_records;
    std::uint16_t m_recordId;
    // The record being filled: its first m_dataSize bytes. Sized for the longest record once, so a
    // string goes in by a plain copy.
    std::string m_data;
    std::size_t m_dataSize = 0;
    bool m_closed = false;

    std::size_t m_uniqueCount = 0;
    std::size_t m_cellCount = 0;

    // EXTSST: a bucket every m_bucketStep strings, at most 128 of them; the step doubles as they fill.
    std::vector<Bucket> m_buckets;
    std::size_t m_bucketStep = 8;

    // An open-addressing index over the remembered texts. A slot holds a short text itself (most cells'
    // are: figures, codes, names), so a lookup waits for memory once; longer texts are kept one after
    // another in m_texts.
    std::size_t m_rememberedBytes;
    std::string m_texts;
    static constexpr std::size_t kInlineBytes = 16;
    // A short text's bytes packed into two words, so it is compared and hashed without a library call.
    // Two texts of one length are equal exactly when their keys are.
    struct ShortKey {
        std::uint64_t words[2] = {0, 0};
    };
    static ShortKey shortKeyOf(std::string_view gbk);
    static std::uint64_t hashOf(std::string_view gbk);
    struct Slot {
        std::uint32_t index = 0;  // string index + 1; 0 for a free slot
        std::uint32_t tag = 0;    // the hash's high half, to skip most comparisons
        std::uint32_t low = 0;    // its low half, to place the slot again when the index grows
        std::uint32_t length = 0;
        ShortKey key;  // of a short text; a longer one's offset in m_texts is words[0]
    };
    std::vector<Slot> m_slots;
    std::size_t m_rememberedCount = 0;
    std::vector<std::uint64_t> m_batchHashes;

    std::u16string m_units;  // scratch for the UTF-16 of a non-ASCII text, never shrunk
};

}  // namespace velmora::xls
