// SPDX-License-Identifier: GPL-3.0-or-later
// A fresh folder under the temporary folder for one test, removed again at its end.
#pragma once

#include <filesystem>
#include <string>
#include <system_error>

#include "support/this_process.h"
#include "support/utf8_path.h"

namespace velmora::testsupport {

class ScratchFolder {
public:
    // The pid keeps test processes running side by side apart; `tag` keeps one test's folders apart.
    explicit ScratchFolder(const std::string& tag)
        : m_path(std::filesystem::temp_directory_path() / ("velmora-" + tag + "-" + processTag())) {
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path);
    }
    ~ScratchFolder() {
        // A test may have taken its permissions away; give them back so the folder can go.
        std::error_code ignored;
        std::filesystem::permissions(m_path, std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(m_path, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // UTF-8, as the core takes paths (a narrow std::filesystem string is not UTF-8 on Windows).
    std::string path() const { return utf8Of(m_path); }
    std::string file(const std::string& name) const { return utf8Of(m_path / pathOf(name)); }

private:
    std::filesystem::path m_path;
};

}  // namespace velmora::testsupport
