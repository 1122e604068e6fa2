// SPDX-License-Identifier: GPL-3.0-or-later
// Opening the files the program reads (workbooks, the settings): every reader opens its file here, so a
// folder, a FIFO or a device given as a file is refused at once instead of hanging or being read as data.
#pragma once

#include <cstddef>
#include <string>

#include "failure/failure.h"

namespace velmora::fileio {

// An open input file, closed with the object.
class InputFile {
public:
    // Opens `path` read-only without waiting on a FIFO or device, and keeps it only when it is a
    // regular file. On failure valid() is false and failure() says why: NotRegularFile, or the reason
    // for the errno met (FileMissing, NoReadPermission ...).
    explicit InputFile(const std::string& path);
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    bool valid() const { return m_fd >= 0; }
    int descriptor() const { return m_fd; }
    std::size_t size() const { return m_size; }  // as it was when opened
    const failure::Failure& failure() const { return m_failure; }

    // Reads the whole file into `bytes`; false (with failure() set) when it is larger than `limit`
    // (OverProgramLimit: the limit is the caller's) or a read fails.
    bool readAll(std::string& bytes, std::size_t limit);
    // Reads up to `count` bytes from the start of the file, whatever was read before, so a reader can
    // judge what the file is before taking all of it; fewer when the file is shorter.
    bool readStart(std::string& bytes, std::size_t count);

private:
    void fail(failure::Failure why);
    // One read from the current position into `into`: the bytes read, 0 at the end, or -1 after fail().
    long long readSome(char* into, std::size_t count);

    int m_fd = -1;
    std::size_t m_size = 0;
    failure::Failure m_failure;
};

// Reads a whole input file through InputFile.
bool readInputFile(const std::string& path, std::string& bytes, std::size_t limit, failure::Failure& why);

// Whether a failure of InputFile means the file is not there at all.
bool isMissingFile(const failure::Failure& why);

}  // namespace velmora::fileio
