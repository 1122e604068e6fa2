// SPDX-License-Identifier: GPL-3.0-or-later
// How many workbooks this process is opening at the moment, on any thread.
#pragma once

namespace velmora::import {

// The workbook libraries (GLib under libgsf) end the process when one of their allocations fails, so
// the import takes no extra thread, whose stack is reserved whole, while another thread is inside them.
int workbooksOpening();

// Counts one workbook being opened for as long as it lives.
class OpeningWorkbook {
public:
    OpeningWorkbook();
    ~OpeningWorkbook();
    OpeningWorkbook(const OpeningWorkbook&) = delete;
    OpeningWorkbook& operator=(const OpeningWorkbook&) = delete;
};

}  // namespace velmora::import
