// SPDX-License-Identifier: GPL-3.0-or-later
// Test helper: holds a file open without sharing, as a spreadsheet holds the CSV it shows, until its
// standard input closes. Prints "held" once it has the file.
#include <windows.h>

#include <cstdio>

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) return 2;
    HANDLE file = ::CreateFileW(argv[1], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    std::fputs("held\n", stdout);
    std::fflush(stdout);
    char byte;
    DWORD got = 0;
    while (::ReadFile(::GetStdHandle(STD_INPUT_HANDLE), &byte, 1, &got, nullptr) && got == 1) {
    }
    ::CloseHandle(file);
    return 0;
}
