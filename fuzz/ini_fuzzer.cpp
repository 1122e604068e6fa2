// SPDX-License-Identifier: GPL-3.0-or-later
// Parses arbitrary bytes as vozuz.ini, reads and writes keys, and checks the written file reads back; and
// that a file saved back in the encoding it was read in is told to be in that encoding again.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "settings/file_encoding.h"
#include "settings/ini_file.h"

using velmora::settings::FileEncoding;
using velmora::settings::IniFile;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    IniFile ini = IniFile::parse(input);
    (void)ini.value("Sec", "key");
    ini.setValue("Sec", "key", "v1");
    ini.setValue("\xB1\xED\x31", "k", "2");
    const IniFile again = IniFile::parse(ini.serialize());
    if (again.value("sec", "KEY") != "v1") __builtin_trap();
    if (again.value("\xB1\xED\x31", "k") != "2") __builtin_trap();

    FileEncoding encoding = FileEncoding::Gbk;
    const std::string saved = velmora::settings::encodeSettingsFile(
        velmora::settings::decodeSettingsFile(input, encoding), encoding);
    // UTF-8 without a mark is told by its content, which characters GBK lacks may change ("?").
    if (encoding != FileEncoding::Utf8 && velmora::settings::detectEncoding(saved) != encoding)
        __builtin_trap();
    return 0;
}
