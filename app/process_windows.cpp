// SPDX-License-Identifier: GPL-3.0-or-later
// Windows ends no process by a signal for a full file or a closed pipe: the write fails, as wanted.
#include "app/process.h"

namespace velmora::app {

void prepareProcess() {}

}  // namespace velmora::app
