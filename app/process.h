// SPDX-License-Identifier: GPL-3.0-or-later
// What the window program sets up in its process before anything else; one side per system
// (process_posix.cpp, process_windows.cpp).
#pragma once

namespace velmora::app {

// A file-size limit or a closed pipe must fail the write that meets it, which the export reports, not
// end the program; the standard streams write their bytes as given. Called first of all.
void prepareProcess();

}  // namespace velmora::app
