// SPDX-License-Identifier: GPL-3.0-or-later
#include "fileio/input_file.h"

namespace velmora::fileio {

using failure::Failure;
using failure::Reason;

bool readInputFile(const std::string& path, std::string& bytes, std::size_t limit, Failure& why) {
    InputFile file(path);
    const bool read = file.readAll(bytes, limit);
    why = file.failure();
    return read;
}

bool isMissingFile(const Failure& why) { return why.reason() == Reason::FileMissing; }

}  // namespace velmora::fileio
