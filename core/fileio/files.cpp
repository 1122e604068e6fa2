// SPDX-License-Identifier: GPL-3.0-or-later
// What both systems' sides of files.h share: path parts, temporary names, and the whole-file write
// built on AtomicFile.
#include "fileio/files.h"

#include <utility>

#include "fileio/files_system.h"

namespace velmora::fileio {

namespace detail {

bool isTemporaryName(std::string_view name) {
    if (name.starts_with(".gsf-save-")) return true;
    if (!name.starts_with('.') || !name.ends_with(kTemporarySuffix)) return false;
    if (name.starts_with(kTemporaryPrefix)) return true;
    name.remove_suffix(kTemporarySuffix.size());
    const auto dot = name.rfind('.');
    const std::string_view pid = name.substr(dot + 1);
    return dot != 0 && !pid.empty() && pid.find_first_not_of("0123456789") == std::string_view::npos;
}

}  // namespace detail

std::string_view folderPartOf(std::string_view path) {
    const auto slash = path.find_last_of(detail::pathSeparators());
    return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash + 1);
}

std::string_view namePartOf(std::string_view path) { return path.substr(folderPartOf(path).size()); }

text::FilePath folderOfFile(const text::FilePath& path) {
    std::string folder(folderPartOf(path.native()));
    if (folder.empty()) return text::FilePath(".");
    // "C:" alone would name the drive's current folder, not its root.
    const bool root = folder.size() == 1 || (folder.size() == 3 && folder[1] == ':');
    if (!root) folder.pop_back();
    return text::FilePath(std::move(folder));
}

std::filesystem::path filesystemPathOf(const std::string& path) {
    return std::filesystem::path(std::u8string(path.begin(), path.end()));
}

std::string joinPath(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (!path.empty() && detail::pathSeparators().find(path.back()) == std::string_view::npos)
        path += detail::preferredSeparator();
    path += name;
    return path;
}

AtomicFile::AtomicFile(std::string target, FileMode mode) : m_target(std::move(target)), m_mode(mode) {}

AtomicFile::~AtomicFile() { discard(); }

failure::Failure AtomicFile::commitBytes(std::string_view bytes) {
    if (m_fd < 0) {
        if (const failure::Failure opened = open(); opened.failed()) return opened;
    }
    if (const failure::Failure written = append(bytes); written.failed()) return written;
    return commit();
}

failure::Failure writeFileAtomically(const std::string& path, std::string_view bytes, FileMode mode) {
    AtomicFile file(path, mode);
    return file.commitBytes(bytes);
}

}  // namespace velmora::fileio
