// SPDX-License-Identifier: GPL-3.0-or-later
#include "failure/system_errors.h"

#include <cerrno>

namespace velmora::failure {

Reason reasonOfSystemOnlyErrno(int systemError) {
    switch (systemError) {
        case EDQUOT:  // over the account's quota
            return Reason::DiskFull;
        case ETXTBSY:  // a program running from the file
            return Reason::FileInUse;
        default:
            return Reason::None;
    }
}

}  // namespace velmora::failure
