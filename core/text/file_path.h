// SPDX-License-Identifier: GPL-3.0-or-later
// A file name as the file system takes it, kept apart from GBK texts by its type: both are byte
// strings, and a file name shown as GBK, or a GBK cell used as a file name, would garble either.
#pragma once

#include <string>
#include <utility>

namespace velmora::text {

// UTF-8 on Windows; on POSIX systems whatever bytes the file system gave, which need not be valid in
// any encoding. Made only explicitly from a string, and read back only through native().
class FilePath {
public:
    FilePath() = default;
    explicit FilePath(std::string native) : m_native(std::move(native)) {}

    const std::string& native() const { return m_native; }
    bool empty() const { return m_native.empty(); }

    friend bool operator==(const FilePath&, const FilePath&) = default;

private:
    std::string m_native;
};

}  // namespace velmora::text
