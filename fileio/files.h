// SPDX-License-Identifier: GPL-3.0-or-later
// File-system helpers: where the program lives, the temporary folder, and writes that never leave a
// half-written file behind.
#pragma once

#include <string>
#include <string_view>

namespace velmora::fileio {

// Returns the folder of the running program, without a trailing separator.
std::string programDirectory();

// Returns the user's temporary folder ($TMPDIR, else /tmp), with a trailing "/".
std::string temporaryFolder();

// Splits a path at its last "/": the folder part keeps that "/" (empty without one), the name part is
// what follows it (the whole path without one).
std::string_view folderPartOf(std::string_view path);
std::string_view namePartOf(std::string_view path);

// Joins a folder and a file name with one "/".
std::string joinPath(std::string_view folder, std::string_view name);

// A file written beside its target under a temporary name and renamed over the target on commit().
// If commit() is never called or fails, the temporary file is removed and the target stays as it was.
class AtomicFile {
public:
    explicit AtomicFile(std::string target);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // The temporary path to write to (for writers that open the file themselves).
    const std::string& temporaryPath() const { return m_temporary; }
    const std::string& targetPath() const { return m_target; }

    // Writes `bytes` to the temporary file, flushes it to disk and renames it over the target.
    bool commitBytes(std::string_view bytes);
    // Flushes what another writer put at temporaryPath() and renames it over the target.
    bool commit();

private:
    bool renameOverTarget();

    std::string m_target;
    std::string m_temporary;
    bool m_committed = false;
};

// Writes `bytes` to `path` through an AtomicFile; false if any step failed.
bool writeFileAtomically(const std::string& path, std::string_view bytes);

// Reads a whole file; false if it cannot be opened or read. Files above `limit` bytes are refused.
bool readWholeFile(const std::string& path, std::string& bytes, std::size_t limit = std::size_t(1) << 31);

}  // namespace velmora::fileio
