// SPDX-License-Identifier: GPL-3.0-or-later
// A worksheet's stored cells, and date-time serials as text.
#include "sheet/sheet.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>

namespace velmora::sheet {
using text::Text;

namespace {

// A row's first entry at `column` or to its right: a row keeps its entries by column.
template <typename Entries>
auto firstAtOrAfter(Entries& entries, int column) {
    // Rows stored from the first column on hold cell c at entry c, which is checked before searching.
    if (column >= 0 && static_cast<std::size_t>(column) < entries.size() && entries[column].column == column)
        return entries.begin() + column;
    return std::lower_bound(entries.begin(), entries.end(), column,
                            [](const auto& entry, int c) { return entry.column < c; });
}

std::uint64_t bitsOf(double number) {
    std::uint64_t bits;
    std::memcpy(&bits, &number, sizeof bits);
    return bits;
}

double numberOf(std::uint64_t bits) {
    double number;
    std::memcpy(&number, &bits, sizeof number);
    return number;
}
}  // namespace

CellView Sheet::view(int row, int column) const {
    if (row < 0 || column < 0 || row >= static_cast<int>(m_rowSlots.size())) return {};
    const std::uint32_t slot = m_rowSlots[static_cast<std::size_t>(row)];
    if (slot == 0) return {};
    const auto& entries = m_rows[slot - 1];
    const auto found = firstAtOrAfter(entries, column);
    if (found == entries.end() || found->column != column) return {};
    if (found->kind == CellKind::Text) {
        return {CellKind::Text, 0, std::string_view(m_texts).substr(found->value, found->textLength), 0};
    }
    return {found->kind, numberOf(found->value), {}, found->errorCode};
}

Cell Sheet::cell(int row, int column) const {
    const CellView found = view(row, column);
    return {found.kind, found.number, Text(found.text), found.errorCode};
}

void Sheet::setCell(int row, int column, CellView cell) {
    if (row < 0 || column < 0 || row >= kMaxRows || column >= kMaxColumns) return;
    const bool empty = cell.kind == CellKind::Empty;
    const auto rowIndex = static_cast<std::size_t>(row);
    if (rowIndex >= m_rowSlots.size() || m_rowSlots[rowIndex] == 0) {
        if (empty) return;
        if (rowIndex >= m_rowSlots.size()) {
            // Capped growth: doubling past the format's last row would only waste the overshoot.
            if (rowIndex >= m_rowSlots.capacity()) {
                m_rowSlots.reserve(
                    std::min<std::size_t>(kMaxRows, std::max(rowIndex + 1, m_rowSlots.capacity() * 2)));
            }
            m_rowSlots.resize(rowIndex + 1, 0);
        }
        // A new row is sized like the row stored before it: rows of a sheet are mostly alike, and
        // growing each one by doubling moved every cell several times. Bounded by cells really stored.
        std::vector<Entry> entries;
        if (!m_rows.empty()) entries.reserve(m_rows.back().size());
        m_rows.push_back(std::move(entries));
        m_rowSlots[rowIndex] = static_cast<std::uint32_t>(m_rows.size());
    }
    if (cell.holdsValue()) {
        m_rowCount = std::max(m_rowCount, row + 1);
        m_columnCount = std::max(m_columnCount, column + 1);
    }
    auto& entries = m_rows[m_rowSlots[rowIndex] - 1];
    const auto key = static_cast<std::uint16_t>(column);
    const bool appends = entries.empty() || entries.back().column < key;  // records come in column order
    const auto found = appends ? entries.end() : firstAtOrAfter(entries, column);
    const bool exists = found != entries.end() && found->column == key;
    if (empty) {
        if (exists) entries.erase(found);
        return;
    }
    Entry entry{bitsOf(cell.number), 0, key, cell.kind, cell.errorCode};
    if (cell.kind == CellKind::Text) {
        // A text already inside the sheet (a cell copied to another) is shared, not copied again; that
        // also keeps it valid while m_texts grows.
        const char* texts = m_texts.data();
        std::size_t offset = m_texts.size();
        const std::less<const char*> before;
        if (!cell.text.empty() && !before(cell.text.data(), texts) &&
            before(cell.text.data(), texts + m_texts.size())) {
            offset = static_cast<std::size_t>(cell.text.data() - texts);
        } else {
            m_texts.append(cell.text);
        }
        entry = {offset, static_cast<std::uint32_t>(cell.text.size()), key, CellKind::Text, 0};
    }
    if (appends) {
        entries.push_back(entry);
    } else if (exists) {
        *found = entry;
    } else {
        entries.insert(found, entry);
    }
}

void Sheet::noteBeyond(std::int64_t row, std::int64_t column, std::int64_t count) {
    if (row < 0 || column < 0 || count <= 0) return;
    const std::int64_t end = column + std::min<std::int64_t>(count, INT64_MAX - column);
    if (row >= kMaxRows && column < kMaxColumns) {
        if (m_rowsBeyond.empty()) m_rowsBeyond.assign(kMaxColumns, -1);
        for (std::int64_t c = column; c < std::min<std::int64_t>(end, kMaxColumns); ++c) {
            std::int64_t& first = m_rowsBeyond[static_cast<std::size_t>(c)];
            if (first < 0 || row < first) first = row;
        }
    }
    if (end <= kMaxColumns) return;
    const Beyond span{std::max<std::int64_t>(column, kMaxColumns), end, row};
    // Rows read in order repeat the spans of the rows above: those add nothing.
    for (Beyond& kept : m_columnsBeyond) {
        if (kept.first <= span.first && span.end <= kept.end && kept.row <= span.row) return;
    }
    // A file of stray cells in many columns keeps a bounded list: beyond it one span stands for them
    // all, from the first row any of them is on (a refusal it may widen, never a value lost).
    constexpr std::size_t kMaxSpans = 1024;
    if (m_columnsBeyond.size() >= kMaxSpans) {
        Beyond all{kMaxColumns, INT64_MAX, span.row};
        for (const Beyond& kept : m_columnsBeyond) all.row = std::min(all.row, kept.row);
        m_columnsBeyond.assign(1, all);
    }
    m_columnsBeyond.push_back(span);
}

std::int64_t Sheet::firstRowBeyond(std::int64_t column) const {
    if (column < 0) return -1;
    if (column < kMaxColumns)
        return m_rowsBeyond.empty() ? -1 : m_rowsBeyond[static_cast<std::size_t>(column)];
    std::int64_t first = -1;
    for (const Beyond& kept : m_columnsBeyond) {
        if (kept.first <= column && column < kept.end && (first < 0 || kept.row < first)) first = kept.row;
    }
    return first;
}

bool Sheet::appendLater(Sheet&& later, int rowOffset) {
    if (!later.m_rowsBeyond.empty() || !later.m_columnsBeyond.empty() || rowOffset < 0 ||
        later.m_rowSlots.size() > static_cast<std::size_t>(kMaxRows - rowOffset))
        return false;
    const std::size_t textBase = m_texts.size();
    m_texts.append(later.m_texts);
    if (later.m_rowCount > 0) m_rowCount = std::max(m_rowCount, later.m_rowCount + rowOffset);
    m_columnCount = std::max(m_columnCount, later.m_columnCount);
    const std::size_t end = later.m_rowSlots.size() + static_cast<std::size_t>(rowOffset);
    if (m_rowSlots.size() < end) m_rowSlots.resize(end, 0);
    m_rows.reserve(m_rows.size() + later.m_rows.size());
    for (std::size_t row = 0; row < later.m_rowSlots.size(); ++row) {
        const std::uint32_t slot = later.m_rowSlots[row];
        if (slot == 0) continue;
        std::vector<Entry>& entries = later.m_rows[slot - 1];
        for (Entry& entry : entries) {
            if (entry.kind == CellKind::Text) entry.value += textBase;
        }
        std::uint32_t& target = m_rowSlots[row + static_cast<std::size_t>(rowOffset)];
        if (target == 0) {
            m_rows.push_back(std::move(entries));
            target = static_cast<std::uint32_t>(m_rows.size());
            continue;
        }
        // A row both parts hold (rows out of order): the later part's cells win, as stored later.
        std::vector<Entry>& kept = m_rows[target - 1];
        for (const Entry& entry : entries) {
            const auto found = firstAtOrAfter(kept, entry.column);
            if (found != kept.end() && found->column == entry.column) {
                *found = entry;
            } else {
                kept.insert(found, entry);
            }
        }
    }
    later = Sheet();
    return true;
}

void Sheet::releaseRow(int row) {
    if (row < 0 || row >= static_cast<int>(m_rowSlots.size())) return;
    const std::uint32_t slot = m_rowSlots[static_cast<std::size_t>(row)];
    // Swapped out rather than cleared: clear() would keep the room.
    if (slot != 0) std::vector<Entry>().swap(m_rows[slot - 1]);
}

Sheet::KeptText Sheet::keepText(std::string_view text) {
    const KeptText kept{m_texts.size(), static_cast<std::uint32_t>(text.size())};
    m_texts.append(text);
    return kept;
}

std::optional<Text> formatDateTime(double serial, bool uses1904DateSystem) {
    // Round the whole value once, so 23:59:59.9996 carries into the next day instead of printing 24:00:00.
    if (!std::isfinite(serial) || serial < 0 || serial > 2958466.0) return std::nullopt;
    const auto totalSeconds = static_cast<long long>(std::floor(serial * 86400.0 + 0.5));
    const long long dayNumber = totalSeconds / 86400;
    const long long secondOfDay = totalSeconds % 86400;
    using namespace std::chrono;
    sys_days day;
    if (uses1904DateSystem) {
        day = sys_days{year{1904} / January / 1} + days{dayNumber};
    } else if (dayNumber >= 61 || dayNumber == 0) {
        // Day 0 shows as 1899-12-30 with the time only; from day 61 on the count includes the
        // non-existent 1900-02-29 that the format inherited.
        day = sys_days{year{1899} / December / 30} + days{dayNumber};
    } else if (dayNumber == 60) {
        // The format counts a 29 February 1900 that never was; show it as spreadsheets do.
        day = sys_days{year{1900} / February / 28};
    } else {
        day = sys_days{year{1899} / December / 31} + days{dayNumber};
    }
    const year_month_day date{day};
    const unsigned dayOfMonth = dayNumber == 60 && !uses1904DateSystem ? 29u : unsigned(date.day());
    if (int(date.year()) > 9999) return std::nullopt;
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04d-%02u-%02u %02lld:%02lld:%02lld", int(date.year()),
                  unsigned(date.month()), dayOfMonth, secondOfDay / 3600, secondOfDay / 60 % 60,
                  secondOfDay % 60);
    return Text(buffer);
}

}  // namespace velmora::sheet
