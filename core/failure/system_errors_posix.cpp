// SPDX-License-Identifier: GPL-3.0-or-later
#include <cerrno>

#include "failure/system_errors.h"

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
