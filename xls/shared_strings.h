// SPDX-License-Identifier: GPL-3.0-or-later
// The shared string table of a BIFF8 workbook: every distinct cell text once, cells refer to it by index.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "text/rules.h"
#include "xls/biff_output.h"

namespace velmora::xls {

// Texts are queued first and given their indices all at once: the distinct texts are then found one
// cache-sized partition at a time rather than by probing one large index at random for every cell.
class SharedStrings {
public:
    // Queues one more cell holding `gbk`; its index is known after resolve(). False, queuing nothing,
    // when the text is longer than a cell may be.
    bool add(std::string_view gbk);
    // Makes room for `cells` queued texts, so a large sheet's queue is not copied as it grows.
    void reserve(std::size_t cells);

    // Gives every queued text its string index: distinct texts are numbered in the order they first
    // occur. Call once, after the last add().
    void resolve();

    // The string index of the `cell`-th queued text, after resolve().
    std::uint32_t indexOf(std::size_t cell) const { return m_indices[cell]; }
    std::size_t uniqueCount() const { return m_firstCells.size(); }
    // Bytes of all queued texts together.
    std::size_t textBytes() const { return m_gbk.size(); }

    // Appends the SST record, its CONTINUE records and the EXTSST index to `out`, after resolve().
    // Offsets in EXTSST are taken from out.size(), so `out` must be the Workbook stream itself from its
    // first byte.
    void write(RecordStream& out) const;

private:
    std::string_view textOf(std::size_t cell) const {
        return std::string_view(m_gbk).substr(m_ends[cell] - lengthOf(cell), lengthOf(cell));
    }
    std::size_t lengthOf(std::size_t cell) const { return m_ends[cell] - (cell == 0 ? 0 : m_ends[cell - 1]); }

    std::string m_gbk;                        // every queued text, one after another
    std::vector<std::uint32_t> m_ends;        // where each queued text ends in m_gbk
    std::vector<std::uint64_t> m_hashes;      // of each queued text
    std::vector<std::uint32_t> m_indices;     // per queued text: its string index
    std::vector<std::uint32_t> m_firstCells;  // per string index: the queued text that introduced it
};

}  // namespace velmora::xls
