// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/process.h"

#include <csignal>

namespace velmora::app {

void prepareProcess() {
    std::signal(SIGXFSZ, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);
}

}  // namespace velmora::app
