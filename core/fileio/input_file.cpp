// SPDX-License-Identifier: GPL-3.0-or-later
#include "fileio/input_file.h"

namespace velmora::fileio {

using failure::Failure;
using failure::Reason;

bool InputFile::readAll(std::string& bytes, std::size_t limit) {
    bytes.clear();
    if (!valid()) return false;
    if (m_size > limit) {
        fail(Failure(Reason::OverProgramLimit));
        return false;
    }
    bytes.resize(m_size);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const long long got = readSome(bytes.data() + done, bytes.size() - done);
        if (got < 0) {
            bytes.clear();
            return false;
        }
        if (got == 0) break;  // shrunk since it was opened: what is there is the file
        done += static_cast<std::size_t>(got);
    }
    bytes.resize(done);
    return true;
}

bool readInputFile(const std::string& path, std::string& bytes, std::size_t limit, Failure& why) {
    InputFile file(path);
    const bool read = file.readAll(bytes, limit);
    why = file.failure();
    return read;
}

bool isMissingFile(const Failure& why) { return why.reason() == Reason::FileMissing; }

}  // namespace velmora::fileio
