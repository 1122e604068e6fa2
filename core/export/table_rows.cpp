// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/table_rows.h"

#include <sqlite3.h>

#include <algorithm>
#include <new>
#include <utility>

namespace velmora::exporting {
namespace {

// A block holds about this many cells, whatever the width of the rows.
constexpr int kCellsPerBlock = 16384;
// What a fast reader may hold ahead of the writer: a 65,535-row table of ten columns fits, so its
// connection is free early; a sheet of millions of cells is held to about this many.
constexpr std::size_t kCellsAhead = std::size_t(1) << 20;

}  // namespace

TableRows::TableRows(sqlite3* db, const std::string& select, int columns, int expectedRows)
    : m_columns(columns), m_expected(expectedRows), m_reader([this, db, select] { readRows(db, select); }) {}

TableRows::~TableRows() {
    stop();
    m_reader.join();
}

void TableRows::stop() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
}

bool TableRows::fillBlock(sqlite3_stmt* statement, Block& block, bool& ended) {
    const int rowsPerBlock = std::max(1, kCellsPerBlock / std::max(1, m_columns));
    block.bytes.clear();
    block.ends.clear();
    block.ends.reserve(static_cast<std::size_t>(rowsPerBlock) * static_cast<std::size_t>(m_columns));
    block.rows = 0;
    while (block.rows < rowsPerBlock) {
        const int rc = sqlite3_step(statement);
        if (rc != SQLITE_ROW) {
            ended = true;
            return rc == SQLITE_DONE;
        }
        for (int c = 0; c < m_columns; ++c) {
            const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(statement, c));
            // The columns are NOT NULL, so no text means SQLite ran out of memory.
            if (bytes == nullptr) {
                ended = true;
                return false;
            }
            block.bytes.append(bytes, static_cast<std::size_t>(sqlite3_column_bytes(statement, c)));
            block.ends.push_back(static_cast<std::uint32_t>(block.bytes.size()));
        }
        ++block.rows;
    }
    return true;
}

void TableRows::readRows(sqlite3* db, const std::string& select) {
    bool sound = false;
    {
        Statement statement(db, select);
        bool ended = !statement.valid();
        sound = statement.valid();
        while (!ended && sound) {
            Block block;
            {
                std::unique_lock lock(m_mutex);
                m_changed.wait(lock, [this] { return m_stopping || m_cellsReady < kCellsAhead; });
                if (m_stopping) {
                    sound = false;
                    break;
                }
                if (!m_spare.empty()) {
                    block = std::move(m_spare.back());
                    m_spare.pop_back();
                }
            }
            try {
                sound = fillBlock(statement.get(), block, ended);
            } catch (const std::bad_alloc&) {  // on this thread it would end the program: a failed read
                sound = false;
                ended = true;
            }
            std::lock_guard lock(m_mutex);
            m_read += block.rows;
            // The end is told only once the statement is gone, so an empty last block is not passed on.
            if (block.rows > 0) {
                m_cellsReady += block.ends.size();
                m_ready.push_back(std::move(block));
            }
            m_changed.notify_all();
        }
    }  // the statement is finalised before the end is told: the connection is then free
    std::lock_guard lock(m_mutex);
    m_failed = !sound;
    m_ended = true;
    m_changed.notify_all();
}

bool TableRows::waitForRead() {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_ended; });
    return !m_failed && m_read == m_expected;
}

bool TableRows::nextRowView(std::vector<std::string_view>& cells) {
    if (m_nextInCurrent >= m_current.rows) {
        std::unique_lock lock(m_mutex);
        // Only one spare is kept: the reader runs ahead by the blocks it holds, not by what was taken.
        if (!m_current.ends.empty() && m_spare.empty()) m_spare.push_back(std::move(m_current));
        m_current = {};
        m_changed.wait(lock, [this] { return !m_ready.empty() || m_ended; });
        if (m_ready.empty()) return end(lock);
        m_current = std::move(m_ready.front());
        m_ready.pop_front();
        m_cellsReady -= m_current.ends.size();
        m_nextInCurrent = 0;
        m_changed.notify_all();
    }
    cells.resize(static_cast<std::size_t>(m_columns));
    const std::size_t first = static_cast<std::size_t>(m_nextInCurrent) * static_cast<std::size_t>(m_columns);
    std::size_t begin = first == 0 ? 0 : m_current.ends[first - 1];
    for (std::size_t c = 0; c < cells.size(); ++c) {
        const std::size_t end = m_current.ends[first + c];
        cells[c] = std::string_view(m_current.bytes).substr(begin, end - begin);
        begin = end;
    }
    ++m_nextInCurrent;
    return true;
}

bool TableRows::nextRow(std::vector<text::Text>& cells) {
    if (!nextRowView(m_views)) return false;
    cells.resize(m_views.size());
    for (std::size_t c = 0; c < m_views.size(); ++c) cells[c].assign(m_views[c]);
    return true;
}

bool TableRows::end(std::unique_lock<std::mutex>& lock) {
    m_current = {};
    m_nextInCurrent = 0;
    lock.unlock();
    return false;
}

bool TableRows::complete() {
    std::lock_guard lock(m_mutex);
    return completeLocked();
}

bool TableRows::completeLocked() const {
    return m_ended && !m_failed && m_ready.empty() && m_nextInCurrent >= m_current.rows &&
           m_read == m_expected;
}

}  // namespace velmora::exporting
