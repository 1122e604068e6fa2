// SPDX-License-Identifier: GPL-3.0-or-later
// Opening input files on Windows: by their UTF-16 name, shared with any writer (a workbook open in a
// spreadsheet can still be read), and only when they are files on a disk, not a folder, pipe or device.
#include "fileio/input_file.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cerrno>

#include "fileio/system_windows.h"

namespace velmora::fileio {

using failure::Failure;
using failure::Reason;

InputFile::InputFile(const std::string& path) {
    const std::wstring wide = windows::widePath(path);
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        fail(Failure(Reason::NotRegularFile, EISDIR));
        return;
    }
    HANDLE file =
        ::CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        fail(windows::readFailureOf(::GetLastError()));
        return;
    }
    LARGE_INTEGER size{};
    if (::GetFileType(file) != FILE_TYPE_DISK || !::GetFileSizeEx(file, &size)) {
        ::CloseHandle(file);
        fail(Failure(Reason::NotRegularFile));
        return;
    }
    m_fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(file), _O_RDONLY | _O_BINARY);
    if (m_fd < 0) {
        ::CloseHandle(file);
        fail(Failure(Reason::SystemError, EMFILE));
        return;
    }
    m_size = static_cast<std::size_t>(size.QuadPart);
}

InputFile::~InputFile() {
    if (m_fd >= 0) ::_close(m_fd);
}

void InputFile::fail(Failure why) {
    m_failure = why;
    if (m_fd >= 0) ::_close(m_fd);
    m_fd = -1;
}

long long InputFile::readSome(char* into, std::size_t count) {
    const int got = ::_read(m_fd, into, static_cast<unsigned>(std::min<std::size_t>(count, 1u << 30)));
    if (got < 0) fail(windows::readFailureOf(::GetLastError()));
    return got;
}

bool InputFile::readStart(std::string& bytes, std::size_t count) {
    bytes.clear();
    if (!valid()) return false;
    bytes.resize(std::min(count, m_size));
    // Read at offset 0 whatever was read before, as pread does. A read at an offset moves the position of
    // a handle opened for plain reads, so the position is put back for the reads that follow.
    HANDLE file = reinterpret_cast<HANDLE>(::_get_osfhandle(m_fd));
    LARGE_INTEGER position{};
    const LARGE_INTEGER zero{};
    ::SetFilePointerEx(file, zero, &position, FILE_CURRENT);
    std::size_t done = 0;
    while (done < bytes.size()) {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(done & 0xFFFFFFFF);
        at.OffsetHigh = static_cast<DWORD>(static_cast<unsigned long long>(done) >> 32);
        DWORD got = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        if (!::ReadFile(file, bytes.data() + done, chunk, &got, &at)) {
            const DWORD error = ::GetLastError();
            if (error == ERROR_HANDLE_EOF) break;
            fail(windows::readFailureOf(error));
            bytes.clear();
            return false;
        }
        if (got == 0) break;
        done += got;
    }
    ::SetFilePointerEx(file, position, nullptr, FILE_BEGIN);
    bytes.resize(done);
    return true;
}

}  // namespace velmora::fileio
