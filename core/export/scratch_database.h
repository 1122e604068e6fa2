// SPDX-License-Identifier: GPL-3.0-or-later
// The scratch database a grid passes through on its way into a workbook: db.tmp in the account's private
// scratch folder, kept between runs.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <string_view>

#include "failure/failure.h"
#include "fileio/timed_lock.h"
#include "text/file_path.h"

struct sqlite3;
struct sqlite3_stmt;

namespace velmora::exporting {

// The file beside db.tmp that two exports take in turn, so neither writes into the other's table.
inline constexpr const char* kScratchLockName = "export.lock";

// Returns the scratch file's path: the folder, "/db.tmp", and every doubled "/" in the result made
// single (one pass, left to right, as "//" at the start of a network path would be).
text::FilePath scratchDatabasePath(std::string_view temporaryFolder);

// Empties the scratch file at `path` once its tables have served, so it keeps no names or figures between
// exports; skipped when another export holds the lock (its own end empties it).
void emptyScratchDatabase(const text::FilePath& path);

// Quotes an SQL identifier, doubling any double quote inside it.
std::string quoteIdentifier(std::string_view name);

// One connection to the scratch file; closed when it goes out of scope.
class ScratchDatabase {
public:
    ScratchDatabase() = default;
    ~ScratchDatabase();
    ScratchDatabase(const ScratchDatabase&) = delete;
    ScratchDatabase& operator=(const ScratchDatabase&) = delete;

    // Takes the lock beside `path` (waiting at most `lockLimit`, calling `whileWaiting` meanwhile), writes
    // the inflated template to `path` readable by this account only (replacing any earlier file and
    // stale journals) and opens it. Fails when the lock is not had in time, the template is empty, the
    // file cannot be written, or it is no database.
    failure::Failure create(const text::FilePath& path, std::string_view templateBytes,
                            std::chrono::milliseconds lockLimit = fileio::kLockTimeLimit,
                            const std::function<void()>& whileWaiting = {});
    bool execute(const char* sql);
    sqlite3* handle() const { return m_db; }
    // Why the last call on the connection failed: a full disk, a want of memory, the system's error.
    failure::Failure lastFailure() const;

private:
    fileio::TimedLock m_lock;  // declared first, so it is released after the connection closes
    sqlite3* m_db = nullptr;
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
