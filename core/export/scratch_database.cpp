// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/scratch_database.h"

#include <sqlite3.h>

#include <cerrno>

#include "fileio/files.h"

namespace velmora::exporting {

text::FilePath scratchDatabasePath(std::string_view temporaryFolder) {
    const std::string joined = std::string(temporaryFolder) + "/db.tmp";
    std::string path;
    path.reserve(joined.size());
    for (std::size_t i = 0; i < joined.size(); ++i) {
        path += joined[i];
        if (joined[i] == '/' && i + 1 < joined.size() && joined[i + 1] == '/') ++i;
    }
    return text::FilePath(std::move(path));
}

namespace {

// A journal left by an interrupted earlier run would be rolled back into a fresh file.
void removeJournals(const std::string& path) {
    for (const char* suffix : {"-journal", "-wal", "-shm"}) fileio::removeFile(path + suffix);
}

std::string lockPathBeside(const std::string& path) {
    return fileio::joinPath(fileio::folderOfFile(text::FilePath(path)).native(), kScratchLockName);
}

}  // namespace

void emptyScratchDatabase(const text::FilePath& scratchPath) {
    const std::string& path = scratchPath.native();
    fileio::TimedLock lock;
    if (lock.lockFile(lockPathBeside(path), std::chrono::milliseconds(0)).failed()) return;
    fileio::emptyFile(path);
    removeJournals(path);
}

std::string quoteIdentifier(std::string_view name) {
    std::string quoted = "\"";
    for (char c : name) {
        quoted += c;
        if (c == '"') quoted += '"';
    }
    return quoted + "\"";
}

ScratchDatabase::~ScratchDatabase() { sqlite3_close_v2(m_db); }

failure::Failure ScratchDatabase::create(const text::FilePath& scratchPath, std::string_view templateBytes,
                                         std::chrono::milliseconds lockLimit,
                                         const std::function<void()>& whileWaiting) {
    const std::string& path = scratchPath.native();
    if (const failure::Failure locked = m_lock.lockFile(lockPathBeside(path), lockLimit, whileWaiting);
        locked.failed())
        return locked;
    // The template is built in and checked by the tests: only a want of memory leaves it empty.
    if (templateBytes.empty()) return failure::Failure(failure::Reason::OutOfMemory);
    if (const failure::Failure written =
            fileio::writeFileAtomically(path, templateBytes, fileio::FileMode::Private);
        written.failed())
        return written;
    removeJournals(path);
    // One thread uses a connection, so SQLite need not lock around every call. NOFOLLOW: the file just
    // written is the file opened.
    const int opened = sqlite3_open_v2(
        path.c_str(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_NOFOLLOW, nullptr);
    if (opened != SQLITE_OK) return lastFailure();
    // The file is rebuilt on every call, so crash safety buys nothing here.
    // A cache that holds the whole table of a usual grid keeps the copy from spilling pages to the file
    // mid-transaction and the read-back from fetching them again; a grid of millions of cells spills
    // either way, and a larger cache would only add to the memory the export takes.
    if (execute("PRAGMA journal_mode=MEMORY") && execute("PRAGMA synchronous=OFF") &&
        execute("PRAGMA cache_size=-32768"))
        return {};
    return lastFailure();
}

failure::Failure ScratchDatabase::lastFailure() const {
    if (m_db == nullptr) return failure::Failure(failure::Reason::OutOfMemory);
    switch (sqlite3_errcode(m_db)) {
        case SQLITE_FULL:
            return failure::Failure(failure::Reason::DiskFull, ENOSPC);
        case SQLITE_NOMEM:
            return failure::Failure(failure::Reason::OutOfMemory);
        default:
            break;
    }
    // An I/O error or a file that would not open: what the system said, where SQLite kept it; else
    // SQLite's own code (a busy or damaged database, say), so the failures are told apart.
    if (const int error = sqlite3_system_errno(m_db); error != 0) return fileio::failureOfSystemError(error);
    return failure::Failure::fromSqlite(sqlite3_extended_errcode(m_db));
}

bool ScratchDatabase::execute(const char* sql) {
    return m_db != nullptr && sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

Statement::Statement(sqlite3* db, const std::string& sql) {
    if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &m_stmt, nullptr) != SQLITE_OK) {
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
    }
}

Statement::~Statement() { sqlite3_finalize(m_stmt); }

}  // namespace velmora::exporting
