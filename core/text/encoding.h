// SPDX-License-Identifier: GPL-3.0-or-later
// Conversions between the GBK texts of the core and the encodings at its edges.
#pragma once

#include <string>
#include <string_view>

#include "text/file_path.h"
#include "text/rules.h"

namespace velmora::text {

// Whether every byte is below 0x80: such a text reads the same in GBK, UTF-8 and every 8-bit code page.
bool isAscii(std::string_view text);

// Converts UTF-8 to GB18030, so every GBK character keeps its GBK bytes and no character is lost.
// A byte that is not valid UTF-8 becomes "?".
Text gbkFromUtf8(std::string_view utf8);

// Converts GBK/GB18030 bytes to UTF-8. A byte that starts no valid character becomes U+FFFD.
std::string utf8FromGbk(std::string_view gbk);

// Converts UTF-16LE code units to GB18030; an unpaired surrogate becomes "?".
Text gbkFromUtf16(std::u16string_view utf16);

// Converts 8-bit text in the code page a workbook names (Windows, DOS, Mac, ISO: 936, 1252, 10029, ...;
// 1200 and 1201 are UTF-16LE and UTF-16BE) to GB18030. Code pages iconv does not know are taken as 1252;
// undecodable bytes become "?".
Text gbkFromCodePage(std::string_view bytes, int codePage);

// Converts GBK/GB18030 bytes to UTF-16 code units; undecodable bytes become U+FFFD.
std::u16string utf16FromGbk(std::string_view gbk);

// A file name as the clerk reads it in a message: its bytes taken as UTF-8, which they are on Windows and
// for every name this program makes.
inline Text gbkFromPath(const FilePath& path) { return gbkFromUtf8(path.native()); }

// A GBK name (a proposed file name, the report's) as the file name this program makes of it: UTF-8.
inline FilePath pathFromGbk(std::string_view gbk) { return FilePath(utf8FromGbk(gbk)); }

}  // namespace velmora::text
