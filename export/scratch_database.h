// SPDX-License-Identifier: GPL-3.0-or-later
// The scratch database a grid passes through on its way into a workbook: db.tmp in the temporary folder.
#pragma once

#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace velmora::exporting {

// Returns the scratch file's path: the folder, "/db.tmp", and every doubled "/" in the result made
// single (one pass, left to right, as "//" at the start of a network path would be).
std::string scratchDatabasePath(std::string_view temporaryFolder);

// Quotes an SQL identifier, doubling any double quote inside it.
std::string quoteIdentifier(std::string_view name);

// One connection to the scratch file; closed when it goes out of scope.
class ScratchDatabase {
public:
    ScratchDatabase() = default;
    ~ScratchDatabase();
    ScratchDatabase(const ScratchDatabase&) = delete;
    ScratchDatabase& operator=(const ScratchDatabase&) = delete;

    // Writes the inflated template to `path` (replacing any earlier file and stale journals) and opens
    // it. False when the template is empty, the file cannot be written, or it is no database.
    bool create(const std::string& path, std::string_view templateBytes);
    bool execute(const char* sql);
    sqlite3* handle() const { return m_db; }

private:
    sqlite3* m_db = nullptr;
    int m_lockFd = -1;
};

// A prepared statement, finalised when it goes out of scope.
class Statement {
public:
    Statement(sqlite3* db, const std::string& sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool valid() const { return m_stmt != nullptr; }
    sqlite3_stmt* get() const { return m_stmt; }

private:
    sqlite3_stmt* m_stmt = nullptr;
};

}  // namespace velmora::exporting
