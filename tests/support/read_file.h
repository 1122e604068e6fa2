// SPDX-License-Identifier: GPL-3.0-or-later
// A file's bytes for a test to compare, read the way the program reads its inputs.
#pragma once

#include <cstddef>
#include <string>

#include "failure/failure.h"
#include "fileio/input_file.h"

namespace velmora::testsupport {

// False if the file cannot be opened or read, is no regular file, or holds more than `limit` bytes.
inline bool readWholeFile(const std::string& path, std::string& bytes,
                          std::size_t limit = std::size_t(1) << 31) {
    failure::Failure ignored;
    return fileio::readInputFile(path, bytes, limit, ignored);
}

}  // namespace velmora::testsupport
