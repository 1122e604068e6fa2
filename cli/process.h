// SPDX-License-Identifier: GPL-3.0-or-later
// What the batch command sets up in its process before anything else; one side per system
// (process_posix.cpp, process_windows.cpp).
#pragma once

#include <string>
#include <vector>

namespace velmora::cli {

// Prepares the process and its standard streams, and returns the arguments after the program's name as
// UTF-8, the encoding of every path the core is given.
std::vector<std::string> startProcess(int argc, char** argv);

// Hands what the heap holds free back to the system, where the heap keeps it otherwise (see startProcess).
void giveBackFreedMemory();

}  // namespace velmora::cli
