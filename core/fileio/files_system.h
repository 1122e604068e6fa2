// SPDX-License-Identifier: GPL-3.0-or-later
// Inside fileio: what files.cpp and each system's side (files_posix.cpp, files_windows.cpp) share.
#pragma once

#include <string_view>

namespace velmora::fileio::detail {

inline constexpr std::string_view kTemporaryPrefix = ".velmora-";
inline constexpr std::string_view kTemporarySuffix = ".part";

// Ours (".velmora-<random>.part"), the earlier ".<name>.<pid>.part", and libgsf's ".gsf-save-<random>".
bool isTemporaryName(std::string_view name);

// The characters that end a folder's part of a path, and the one a join puts in (each system's side).
std::string_view pathSeparators();
char preferredSeparator();

}  // namespace velmora::fileio::detail
