// SPDX-License-Identifier: GPL-3.0-or-later
// Inside failure: the error numbers only some systems have (system_errors_posix.cpp,
// system_errors_windows.cpp).
#pragma once

#include "failure/failure.h"

namespace velmora::failure {

// The reason for an error number this system alone has; Reason::None for the common ones.
Reason reasonOfSystemOnlyErrno(int systemError);

}  // namespace velmora::failure
