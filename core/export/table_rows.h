// SPDX-License-Identifier: GPL-3.0-or-later
// The rows of a scratch table handed to the workbook writer, read on a thread of their own.
#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "export/scratch_database.h"
#include "text/rules.h"
#include "xls/workbook_writer.h"

namespace velmora::exporting {

// Runs `select` (a SELECT of `columns` text columns) on a thread of its own, a few blocks of rows ahead
// of the writer that takes them, so reading the table and building the workbook share the time instead
// of adding up. The connection belongs to that thread until every row has been read. Texts are taken as
// the bytes they are: GBK stays GBK. When nextRow first returns false, the statement is finalised and the
// connection free again.
class TableRows : public xls::RowSource {
public:
    TableRows(sqlite3* db, const std::string& select, int columns, int expectedRows);
    ~TableRows() override;
    TableRows(const TableRows&) = delete;
    TableRows& operator=(const TableRows&) = delete;

    bool nextRow(std::vector<text::Text>& cells) override;
    std::size_t rowCountHint() const override { return static_cast<std::size_t>(m_expected); }
    // Every row was read without error, and there were exactly as many as expected. Call it once
    // nextRow has returned false.
    bool complete();

private:
    struct Block {
        std::vector<text::Text> cells;  // row after row
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
    Block m_current;
    int m_nextInCurrent = 0;
    std::thread m_reader;  // last, so it starts once everything it uses is there
};

}  // namespace velmora::exporting
