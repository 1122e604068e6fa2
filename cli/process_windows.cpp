// SPDX-License-Identifier: GPL-3.0-or-later
// On Windows the arguments come from the wide command line (the narrow one is in the system code page
// and loses every character outside it), and text for a console is written as UTF-16, which shows right
// whatever the console's code page; redirected output stays UTF-8 bytes with "\n" line ends, as on Linux.
#include <windows.h>
// These need windows.h first.
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>
#include <iostream>
#include <streambuf>

#include "cli/process.h"

namespace velmora::cli {
namespace {

std::string utf8Of(const wchar_t* wide) {
    const int count = ::WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(count > 0 ? count - 1 : 0), '\0');
    if (count > 1) ::WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8.data(), count, nullptr, nullptr);
    return utf8;
}

// UTF-8 in, UTF-16 to the console; a character cut by a write waits for its other bytes.
class ConsoleBuffer : public std::streambuf {
public:
    explicit ConsoleBuffer(HANDLE console) : m_console(console) {}

protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) return sync() == 0 ? 0 : traits_type::eof();
        m_pending += traits_type::to_char_type(c);
        if (m_pending.size() >= 4096 && !flushComplete()) return traits_type::eof();
        return c;
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        m_pending.append(s, static_cast<std::size_t>(n));
        if (m_pending.size() >= 4096 && !flushComplete()) return 0;
        return n;
    }
    int sync() override { return flushComplete() ? 0 : -1; }

private:
    // Writes every complete character held; keeps an incomplete one for the next write.
    bool flushComplete() {
        std::size_t end = m_pending.size();
        for (std::size_t back = 0; back < 4 && back < end; ++back) {
            const auto byte = static_cast<unsigned char>(m_pending[end - 1 - back]);
            if ((byte & 0xC0) == 0x80) continue;  // a continuation byte: look further back
            const std::size_t need = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
            if (need > back + 1) end -= back + 1;
            break;
        }
        if (end == 0) return true;
        const int count =
            ::MultiByteToWideChar(CP_UTF8, 0, m_pending.data(), static_cast<int>(end), nullptr, 0);
        std::wstring wide(static_cast<std::size_t>(count), L'\0');
        ::MultiByteToWideChar(CP_UTF8, 0, m_pending.data(), static_cast<int>(end), wide.data(), count);
        m_pending.erase(0, end);
        for (std::size_t done = 0; done < wide.size();) {
            DWORD written = 0;
            const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(wide.size() - done, 8192));
            if (!::WriteConsoleW(m_console, wide.data() + done, chunk, &written, nullptr) || written == 0)
                return false;
            done += written;
        }
        return true;
    }

    HANDLE m_console;
    std::string m_pending;
};

// Points `stream` at the console when the handle is one; otherwise the bytes go out unchanged.
void prepareStream(std::ostream& stream, DWORD which, std::FILE* file) {
    HANDLE handle = ::GetStdHandle(which);
    DWORD mode = 0;
    if (handle != INVALID_HANDLE_VALUE && handle != nullptr && ::GetConsoleMode(handle, &mode)) {
        static ConsoleBuffer* buffers[2] = {};
        ConsoleBuffer*& buffer = buffers[which == STD_OUTPUT_HANDLE ? 0 : 1];
        buffer = new ConsoleBuffer(handle);  // lives as long as the process
        stream.rdbuf(buffer);
        return;
    }
    _setmode(_fileno(file), _O_BINARY);
}

}  // namespace

std::vector<std::string> startProcess(int, char**) {
    // Errors the user should see as a message, not as a dialog box of the system.
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    prepareStream(std::cout, STD_OUTPUT_HANDLE, stdout);
    prepareStream(std::cerr, STD_ERROR_HANDLE, stderr);
    std::vector<std::string> arguments;
    int count = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (wide == nullptr) return arguments;
    for (int i = 1; i < count; ++i) arguments.push_back(utf8Of(wide[i]));
    ::LocalFree(wide);
    return arguments;
}

void giveBackFreedMemory() {
    // The system's heap gives back free pages by itself.
}

}  // namespace velmora::cli
