// SPDX-License-Identifier: GPL-3.0-or-later
// Paths and the UTF-8 strings the core takes, converted the same way on both systems: on Windows a
// narrow std::filesystem string is in the C library's code page, which is not UTF-8.
#pragma once

#include <filesystem>
#include <string>

namespace velmora::testsupport {

inline std::string utf8Of(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

inline std::filesystem::path pathOf(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

}  // namespace velmora::testsupport
