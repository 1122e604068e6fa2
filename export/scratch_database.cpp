// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/scratch_database.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "fileio/files.h"

namespace velmora::exporting {

std::string scratchDatabasePath(std::string_view temporaryFolder) {
    const std::string joined = std::string(temporaryFolder) + "/db.tmp";
    std::string path;
    path.reserve(joined.size());
    for (std::size_t i = 0; i < joined.size(); ++i) {
        path += joined[i];
        if (joined[i] == '/' && i + 1 < joined.size() && joined[i + 1] == '/') ++i;
    }
    return path;
}

std::string quoteIdentifier(std::string_view name) {
    std::string quoted = "\"";
    for (char c : name) {
        quoted += c;
        if (c == '"') quoted += '"';
    }
    return quoted + "\"";
}

ScratchDatabase::~ScratchDatabase() {
    sqlite3_close_v2(m_db);
    if (m_lockFd >= 0) ::close(m_lockFd);  // closing releases the lock
}

bool ScratchDatabase::create(const std::string& path, std::string_view templateBytes) {
    // Every program on the machine shares db.tmp in the temporary folder: hold the folder locked while
    // the file is rebuilt and used, so two exports at once never write into each other's table.
    const std::string_view folderPart = fileio::folderPartOf(path);
    const std::string folder = folderPart.empty() ? "." : std::string(folderPart);
    m_lockFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_lockFd >= 0) {
        while (::flock(m_lockFd, LOCK_EX) != 0 && errno == EINTR) {
        }
    }
    if (templateBytes.empty() || !fileio::writeFileAtomically(path, templateBytes)) return false;
    // A journal left by an interrupted earlier run would be rolled back into the fresh file.
    for (const char* suffix : {"-journal", "-wal", "-shm"}) ::unlink((path + suffix).c_str());
    // One thread uses a connection, so SQLite need not lock around every call.
    if (sqlite3_open_v2(path.c_str(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) !=
        SQLITE_OK)
        return false;
    // The file is rebuilt on every call, so crash safety buys nothing here.
    // A cache that holds the whole table keeps the copy from spilling pages to the file mid-transaction
    // and the read-back from fetching them again.
    return execute("PRAGMA journal_mode=MEMORY") && execute("PRAGMA synchronous=OFF") &&
           execute("PRAGMA cache_size=-131072");
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
