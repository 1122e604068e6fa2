// SPDX-License-Identifier: GPL-3.0-or-later
// Windows ends no process by a signal for a full file or a closed pipe: the write fails, as wanted. What
// the program prints (--version, --help) goes out with "\n" line ends, as on Linux and as the batch's.
#include "app/process.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>

namespace velmora::app {

void prepareProcess() {
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}

}  // namespace velmora::app
