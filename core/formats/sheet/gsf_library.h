// SPDX-License-Identifier: GPL-3.0-or-later
// libgsf, set up once for every reader and writer in the process.
#pragma once

namespace velmora::sheet {

// Initialises libgsf and quiets its complaints about damaged files, which every caller reports as a
// status of its own. Safe to call from several threads at once: the readers of both tables may start
// together, and libgsf must be initialised exactly once.
void initialiseGsf();

}  // namespace velmora::sheet
