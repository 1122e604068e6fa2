// SPDX-License-Identifier: GPL-3.0-or-later
// The C library of Windows has only the common error numbers; the system's own errors are mapped in
// fileio/system_windows.cpp.
#include "failure/system_errors.h"

namespace velmora::failure {

Reason reasonOfSystemOnlyErrno(int) { return Reason::None; }

}  // namespace velmora::failure
