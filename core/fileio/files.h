// SPDX-License-Identifier: GPL-3.0-or-later
// File-system helpers: where the program lives, the temporary folder, and writes that never leave a
// half-written file behind.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "failure/failure.h"
#include "text/file_path.h"

namespace velmora::fileio {

// Returns the folder of the running program, without a trailing separator.
std::string programDirectory();

// Returns the user's temporary folder ($TMPDIR, else /tmp; on Windows the system's), with a trailing
// separator.
std::string temporaryFolder();

// Splits a path at its last separator ("/", on Windows also "\\"): the folder part keeps it (empty
// without one), the name part is what follows it (the whole path without one).
std::string_view folderPartOf(std::string_view path);
std::string_view namePartOf(std::string_view path);
inline text::FilePath namePartOf(const text::FilePath& path) {
    return text::FilePath(std::string(namePartOf(path.native())));
}
// The folder holding `path`, named as a folder stands on its own, for messages and locks: without its
// closing separator unless it is a root ("/", "C:\\"), and "." when the path has no folder part.
text::FilePath folderOfFile(const text::FilePath& path);

// A path of the core (UTF-8; on POSIX systems whatever bytes it was given) as std::filesystem takes it:
// a narrow string would be read in the system's code page on Windows.
std::filesystem::path filesystemPathOf(const std::string& path);
inline std::filesystem::path filesystemPathOf(const text::FilePath& path) {
    return filesystemPathOf(path.native());
}

// Joins a folder and a file name with one separator ("/", on Windows "\\").
std::string joinPath(std::string_view folder, std::string_view name);
inline text::FilePath joinPath(const text::FilePath& folder, const text::FilePath& name) {
    return text::FilePath(joinPath(folder.native(), name.native()));
}

// What a written file's permissions become. A replaced file (Shared and OwnerOnly) keeps its mode and
// group, so the colleagues who could read or write it still can; root also keeps its owner.
enum class FileMode {
    Shared,     // outputs: a new file gets 0666 less the umask, as an editor's would
    OwnerOnly,  // settings: a new file is readable by this account only
    Private,    // scratch files: always readable by this account only, and a link at the name is
                // replaced itself, never followed; not flushed to disk, as they are made anew for
                // every use and mean nothing after a crash
};

// A file written beside its target under an unpredictable temporary name and renamed over the target on
// commit(), so a reader sees the old file or the whole new one. The temporary file is created afresh with
// mode 0600 and never through a link, so no other account can plant a file or a link where it goes. An
// existing target this account may not write is refused and left alone; a target that is a link of
// this account (or root) is written through, the file it leads to being replaced, in that file's folder;
// a link of another account is refused. Another account's file this account may write (a colleague's, in
// a group folder) becomes this account's, keeping its mode and group, except that the world gets no more
// than the umask allows and set-id bits go. If commit() is never called or fails, the temporary file is
// removed and the target stays as it was.
class AtomicFile {
public:
    explicit AtomicFile(std::string target, FileMode mode = FileMode::Shared);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Checks the target and creates the temporary file; also removes this account's temporaries of
    // earlier, killed runs from that folder.
    failure::Failure open();
    // The open temporary file, for writers that write it themselves; -1 before open().
    int descriptor() const { return m_fd; }

    // Writes `bytes` after what was written before, once open. On a failure the temporary file is
    // removed, so every later append() and commit() fails too.
    failure::Failure append(std::string_view bytes);
    // Opens if needed, writes `bytes`, and commits.
    failure::Failure commitBytes(std::string_view bytes);
    // Flushes the file to disk, gives it its mode (the target's, and group and owner where allowed),
    // renames it over the target and flushes the folder.
    failure::Failure commit();

private:
    void discard();

    std::string m_target;
    FileMode m_mode;
    std::string m_destination;  // the target with its links followed
    std::string m_temporary;
    bool m_replacing = false;   // a file stood at the destination
    bool m_othersFile = false;  // another account's, and we are not root
    unsigned m_keptMode = 0;
    unsigned m_keptOwner = 0, m_keptGroup = 0;
    int m_fd = -1;
};

// Writes `bytes` to `path` through an AtomicFile.
failure::Failure writeFileAtomically(const std::string& path, std::string_view bytes,
                                     FileMode mode = FileMode::Shared);

// Removes this account's temporary files that runs killed before this process started left in
// `folder`: ours, and libgsf's own save files. Returns how many went.
int removeStaleTemporaries(const std::string& folder);

// Empties the file at `path`, never through a link there; nothing happens when there is no file.
void emptyFile(const std::string& path);

// Removes the file at `path` when there is one.
void removeFile(const std::string& path);

// The reason for an error number the system gave through a library (SQLite's system error, say): errno
// on POSIX systems, GetLastError's number on Windows.
failure::Failure failureOfSystemError(int systemError);

}  // namespace velmora::fileio
