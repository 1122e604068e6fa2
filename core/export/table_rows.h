// SPDX-License-Identifier: GPL-3.0-or-later
// The rows of a scratch table handed to the workbook writer, read on a thread of their own.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "export/scratch_database.h"
#include "text/rules.h"
#include "xls/workbook_writer.h"

namespace velmora::exporting {

// Runs `select` (a SELECT of `columns` text columns) on a thread of its own, ahead of the writer that
// takes the rows, so reading the table and building the workbook share the time instead of adding up.
// A usual table is read back whole long before the writer is done with it, so the connection is free
// for the next table while the writer still works; a table of millions of cells waits for the writer
// once about kCellsAhead cells are read ahead. The connection belongs to that thread until waitForRead
// returns. Texts are taken as the bytes they are: GBK stays GBK.
class TableRows : public xls::RowSource {
public:
    TableRows(sqlite3* db, const std::string& select, int columns, int expectedRows);
    ~TableRows() override;
    TableRows(const TableRows&) = delete;
    TableRows& operator=(const TableRows&) = delete;

    bool nextRow(std::vector<text::Text>& cells) override;
    bool nextRowView(std::vector<std::string_view>& cells) override;
    std::size_t rowCountHint() const override { return static_cast<std::size_t>(m_expected); }
    // Waits until the reader has let go of the connection: every row read, a read failed, or stop()
    // was called. True when every row was read without error and there were exactly as many as expected.
    bool waitForRead();
    // The writer gives up: the reader stops at its next block.
    void stop();
    // Every row was read without error, there were exactly as many as expected, and the writer took
    // them all. Call it once nextRow has returned false.
    bool complete();

private:
    // A block's texts lie end to end in one buffer: no allocation per cell.
    struct Block {
        std::string bytes;
        std::vector<std::uint32_t> ends;  // where each cell ends in `bytes`, row after row
        int rows = 0;
    };

    void readRows(sqlite3* db, const std::string& select);
    bool end(std::unique_lock<std::mutex>& lock);
    bool completeLocked() const;
    bool fillBlock(sqlite3_stmt* statement, Block& block, bool& ended);

    const int m_columns;
    const int m_expected;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Block> m_ready;   // read, not yet taken
    std::vector<Block> m_spare;  // taken, to be filled again
    bool m_ended = false;        // the reader has pushed its last block and let go of the connection
    bool m_failed = false;
    bool m_stopping = false;  // the writer gave up early
    int m_read = 0;
    std::size_t m_cellsReady = 0;  // in m_ready
    Block m_current;
    int m_nextInCurrent = 0;
    std::vector<std::string_view> m_views;  // nextRow's, before they are copied
    std::thread m_reader;                   // last, so it starts once everything it uses is there
};

}  // namespace velmora::exporting
