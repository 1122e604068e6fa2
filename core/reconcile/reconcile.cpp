// SPDX-License-Identifier: GPL-3.0-or-later
#include "reconcile/reconcile.h"

#include <algorithm>
#include <exception>
#include <functional>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include "text/phrases.h"

namespace velmora::reconcile {
namespace {

using model::Grid;

constexpr int kMarkerColumnWidth = 50;

// Widens both grids and returns the marker columns {register, source}.
std::pair<int, int> widenGrids(Grid& registerGrid, Grid& sourceGrid, int fillCount) {
    const int c1 = registerGrid.columnCount();
    const int c2 = sourceGrid.columnCount();
    for (int i = c1; i < c2; ++i) registerGrid.appendColumn({}, kMarkerColumnWidth);
    if (registerGrid.columnCount() == c1) registerGrid.appendColumn({}, kMarkerColumnWidth);
    sourceGrid.appendColumn({}, kMarkerColumnWidth);
    // A marker must never land on a copied figure: give the register a column of its own for it.
    const int last = registerGrid.columnCount() - 1;
    if (last >= 2 && static_cast<long long>(last) <= static_cast<long long>(fillCount) + 1) {
        registerGrid.appendColumn({}, kMarkerColumnWidth);
    }
    return {registerGrid.columnCount() - 1, sourceGrid.columnCount() - 1};
}

// Finds the topmost register row holding a card code. The index compares codes in the grid itself:
// that stays valid as long as column 0 is never written (a write elsewhere in a row may move its cells,
// but not change them), which holds unless the marker column is column 0 itself, so that one layout
// falls back to scanning the grid as it stands.
class RegisterLookup {
public:
    RegisterLookup(const Grid& registerGrid, int registerRows, bool codeColumnStable,
                   const RegisterIndex* made)
        : m_grid(registerGrid), m_rows(registerRows), m_indexed(codeColumnStable) {
        if (!m_indexed) return;
        if (made != nullptr && made->serves(registerGrid)) {
            m_index = made;
        } else {
            m_own = RegisterIndex(registerGrid);
            m_index = &m_own;
        }
    }

    int find(std::string_view code) const {
        if (m_indexed) return m_index->rowAt(m_index->probe(code, std::hash<std::string_view>{}(code)));
        for (int row = 0; row < m_rows; ++row) {
            if (text::compareText(m_grid.cell(row, 0), code) == 0) return row;
        }
        return -1;
    }

    bool indexed() const { return m_indexed; }

    // The register row of each of `codes`, the same as find() gives one after another. The memory each
    // lookup waits for (its slot, then the register row it names) is asked for several codes ahead.
    std::vector<int> findAll(const std::vector<std::string_view>& codes) const {
        constexpr std::size_t kSlotsAhead = 16, kRowsAhead = 8;
        std::vector<std::size_t> hashes(codes.size());
        for (std::size_t i = 0; i < codes.size(); ++i) hashes[i] = std::hash<std::string_view>{}(codes[i]);
        std::vector<int> rows(codes.size());
        for (std::size_t i = 0; i < codes.size(); ++i) {
            if (i + kSlotsAhead < codes.size()) __builtin_prefetch(m_index->slotOf(hashes[i + kSlotsAhead]));
            if (i + kRowsAhead < codes.size()) {
                const int first = m_index->firstRowOf(hashes[i + kRowsAhead]);
                if (first >= 0) m_grid.prefetchRow(first);
            }
            rows[i] = m_index->rowAt(m_index->probe(codes[i], hashes[i]));
        }
        return rows;
    }

private:
    const Grid& m_grid;
    int m_rows;
    bool m_indexed;
    RegisterIndex m_own;
    const RegisterIndex* m_index = nullptr;
};

}  // namespace

RegisterIndex::RegisterIndex(const Grid& registerGrid)
    : m_grid(&registerGrid), m_rows(registerGrid.rowCount()) {
    if (registerGrid.columnCount() == 0) return;
    std::size_t capacity = 16;
    while (capacity < static_cast<std::size_t>(m_rows) * 2) capacity *= 2;
    m_slots.assign(capacity, Slot{0, -1});
    for (int row = 0; row < m_rows; ++row) {
        const std::string_view code = registerGrid.cell(row, 0);
        const std::size_t hash = std::hash<std::string_view>{}(code);
        const std::size_t slot = probe(code, hash);
        if (m_slots[slot].row < 0) m_slots[slot] = {hash, row};  // a repeated code keeps its first row
    }
}

std::size_t RegisterIndex::probe(std::string_view code, std::size_t hash) const {
    const std::size_t mask = m_slots.size() - 1;
    std::size_t slot = hash & mask;
    while (m_slots[slot].row >= 0 &&
           (m_slots[slot].hash != hash || m_grid->cell(m_slots[slot].row, 0) != code)) {
        slot = (slot + 1) & mask;
    }
    return slot;
}

namespace {

// What filling some of the source rows found, in their order.
struct FillPart {
    struct Entry {
        int sourceRow;
        int registerRow;  // -1: the code was not found
        Text line;        // the entry of the list it belongs in
    };
    std::vector<Entry> entries;
};

// Everything one source row asks of the grids: the figures copied into its register row `t` (-1: none
// has its code), the names compared and the markers written. It writes only register row `t` and source
// row `s`, so rows whose register rows differ may be filled at once.
class RowFiller {
public:
    RowFiller(Grid& registerGrid, Grid& sourceGrid, int lastCopiedColumn, int registerMarker,
              int sourceMarker)
        : m_register(registerGrid),
          m_source(sourceGrid),
          m_lastCopied(lastCopiedColumn),
          m_registerMarker(registerMarker),
          m_sourceMarker(sourceMarker) {}

    void fill(int s, int t, FillPart& part) const {
        const Text code(m_source.cell(s, 0));
        const Text sourceName(m_source.cell(s, 1));
        if (t < 0) {
            part.entries.push_back(
                {s, -1, text::join(phrases::notFoundEntry(), sourceName, ", ", code, "\r\n")});
            m_source.setCell(s, m_sourceMarker, phrases::notFoundMarker());
            return;
        }
        // Room for the figures first, so the register row grows once rather than figure by figure.
        std::size_t bytes = 0;
        for (int column = 2; column <= m_lastCopied; ++column) bytes += m_source.cell(s, column).size();
        m_register.reserveCells(t, m_lastCopied - 1, bytes);
        for (int column = 2; column <= m_lastCopied; ++column) {
            if (column != m_registerMarker) m_register.setCell(t, column, m_source.cell(s, column));
        }
        // A copy: the register's marker is written into this row before the name is used again.
        const Text registerName(m_register.cell(t, 1));
        if (text::compareText(registerName, sourceName) == 0) return;
        part.entries.push_back({s, t,
                                text::join(phrases::mismatchEntryRegister(), registerName, ", ", code, "\r\n",
                                           phrases::mismatchEntrySource(), sourceName, ", ", code, "\r\n")});
        m_register.setCell(t, m_registerMarker, text::join(phrases::registerMarker(), sourceName));
        m_source.setCell(s, m_sourceMarker, text::join(phrases::sourceMarker(), registerName));
    }

private:
    Grid& m_register;
    Grid& m_source;
    int m_lastCopied;
    int m_registerMarker;
    int m_sourceMarker;
};

// Below this many source rows a second thread costs more than it saves.
constexpr int kRowsWorthSplitting = 8192;

// Adds the parts' entries to `result` in source row order (each part holds its rows in order).
void collect(const std::vector<FillPart>& parts, ReconcileResult& result) {
    std::vector<std::size_t> next(parts.size(), 0);
    while (true) {
        const FillPart::Entry* first = nullptr;
        std::size_t from = 0;
        for (std::size_t p = 0; p < parts.size(); ++p) {
            if (next[p] == parts[p].entries.size()) continue;
            const FillPart::Entry& candidate = parts[p].entries[next[p]];
            if (first == nullptr || candidate.sourceRow < first->sourceRow) {
                first = &candidate;
                from = p;
            }
        }
        if (first == nullptr) return;
        ++next[from];
        if (first->registerRow < 0) {
            result.notFoundList += first->line;
            ++result.notFoundCount;
            result.notFoundSourceRows.push_back(first->sourceRow);
        } else {
            result.mismatchList += first->line;
            ++result.mismatchCount;
            result.mismatchRegisterRows.push_back(first->registerRow);
            result.mismatchSourceRows.push_back(first->sourceRow);
        }
    }
}

}  // namespace

ReconcileResult autoFillAndCompare(Grid& registerGrid, Grid& sourceGrid, int fillCount,
                                   model::Progress& progress, const RegisterIndex* index) {
    ReconcileResult result;
    const int registerRows = registerGrid.rowCount();
    const int sourceRows = sourceGrid.rowCount();
    const auto [registerMarker, sourceMarker] = widenGrids(registerGrid, sourceGrid, fillCount);
    // Copies beyond the register's last column do nothing, so the loop stops there.
    const int lastCopiedColumn =
        fillCount <= 0
            ? 1
            : static_cast<int>(std::min<long long>(fillCount + 1LL, registerGrid.columnCount() - 1));

    progress.setMinimum(1);
    progress.setMaximum(sourceRows);
    progress.setStatus(phrases::statusWorking());

    const RegisterLookup lookup(registerGrid, registerRows, registerMarker != 0, index);
    const RowFiller filler(registerGrid, sourceGrid, lastCopiedColumn, registerMarker, sourceMarker);
    std::vector<FillPart> parts(1);
    // With the index, every code is looked up before any row is filled: only figure and marker columns
    // are written, never the codes, so each lookup finds what it would have found in turn.
    std::vector<int> targets;
    if (lookup.indexed()) {
        std::vector<std::string_view> codes(static_cast<std::size_t>(sourceRows));
        for (int s = 0; s < sourceRows; ++s) codes[static_cast<std::size_t>(s)] = sourceGrid.cell(s, 0);
        targets = lookup.findAll(codes);
    }
    // A large table's rows whose register rows lie in the register's later half are filled on a second
    // core. Every register row is then written by one thread only, in source order as before, and every
    // source row by one thread: the grids and the lists come out as one thread makes them.
    const int half = registerRows / 2;
    const bool split = !targets.empty() && sourceRows >= kRowsWorthSplitting;
    constexpr int kRowsAhead = 4;
    std::thread worker;
    std::exception_ptr workerFailed;
    if (split) {
        parts.resize(2);
        try {
            worker = std::thread([&] {
                try {
                    for (int s = 0; s < sourceRows; ++s) {
                        const int t = targets[static_cast<std::size_t>(s)];
                        if (t < half) continue;
                        if (s + kRowsAhead < sourceRows)
                            registerGrid.prefetchRow(targets[static_cast<std::size_t>(s + kRowsAhead)]);
                        filler.fill(s, t, parts[1]);
                    }
                } catch (...) {
                    workerFailed = std::current_exception();
                }
            });
        } catch (const std::system_error&) {
            parts.resize(1);  // no thread to be had under a memory limit: all rows are filled here
        }
    }
    const bool shared = worker.joinable();
    try {
        for (int s = 0; s < sourceRows; ++s) {
            // While the second thread writes into the grids nothing may read them, and a window's yield
            // lets them be painted: a large list is filled without one (it takes a few tens of ms).
            if (!shared) progress.yield();
            const int t =
                targets.empty() ? lookup.find(sourceGrid.cell(s, 0)) : targets[static_cast<std::size_t>(s)];
            if (!shared || t < half) {
                if (!targets.empty() && s + kRowsAhead < sourceRows)
                    registerGrid.prefetchRow(targets[static_cast<std::size_t>(s + kRowsAhead)]);
                filler.fill(s, t, parts[0]);
            }
            progress.setPosition(s + 1);
        }
    } catch (...) {
        if (worker.joinable()) worker.join();
        throw;
    }
    if (worker.joinable()) worker.join();
    if (workerFailed) std::rethrow_exception(workerFailed);
    collect(parts, result);

    result.summary =
        text::join(phrases::summaryStart(), text::writeInteger(result.notFoundCount),
                   phrases::summaryMiddle(), text::writeInteger(result.mismatchCount), phrases::summaryEnd());
    std::sort(result.mismatchRegisterRows.begin(), result.mismatchRegisterRows.end());
    result.mismatchRegisterRows.erase(
        std::unique(result.mismatchRegisterRows.begin(), result.mismatchRegisterRows.end()),
        result.mismatchRegisterRows.end());
    progress.finish();
    return result;
}

Text comparisonRefusal(const model::Grid& registerGrid, const model::Grid& sourceGrid) {
    const bool noRegister = registerGrid.columnCount() == 0;
    const bool noSource = sourceGrid.columnCount() == 0;
    if (noRegister && noSource) return phrases::compareNeedsTables();
    if (noRegister) return phrases::compareNeedsTable1();
    if (noSource) return phrases::compareNeedsTable2();
    return {};
}

}  // namespace velmora::reconcile
