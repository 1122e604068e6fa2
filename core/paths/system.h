// SPDX-License-Identifier: GPL-3.0-or-later
// What the run's places ask of the system; one side per system (system_posix.cpp, system_windows.cpp).
#pragma once

#include <string>

namespace velmora::paths::system {

// `path` with every link resolved, absolute; `path` itself when that cannot be done.
std::string realPathOf(const std::string& path);

// An environment variable as UTF-8; empty when unset.
std::string environmentValue(const char* name);

// The account's home folder as the system records it; empty when unknown.
std::string accountHome();

// Creates each missing folder of `path`, the new ones private to the account.
void createPrivateFolders(const std::string& path);

}  // namespace velmora::paths::system
