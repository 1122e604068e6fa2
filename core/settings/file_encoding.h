// SPDX-License-Identifier: GPL-3.0-or-later
// The encodings a vozuz.ini arrives in: GBK as the program writes it, or UTF-8 and UTF-16 as editors on
// other systems save it. The settings are read in GBK whatever the file holds, and written back in the
// file's own encoding, so the editor that made it can still open it.
#pragma once

#include <string>
#include <string_view>

#include "text/rules.h"

namespace velmora::settings {

enum class FileEncoding { Gbk, Utf8, Utf8WithBom, Utf16Le, Utf16Be };

// Tells the encoding of file content: UTF-8 and UTF-16 by their byte-order mark; without one, UTF-8
// when the bytes are valid UTF-8 but not plausible GBK (GBK's own section names absent, or a two-byte
// character outside the common GB2312 area); GBK otherwise, which also covers plain ASCII.
FileEncoding detectEncoding(std::string_view bytes);

// The content as GBK text (the byte-order mark dropped); `encoding` receives what it was.
text::Text decodeSettingsFile(std::string_view bytes, FileEncoding& encoding);
// GBK text as file content in `encoding`, with its byte-order mark where it had one.
std::string encodeSettingsFile(std::string_view gbk, FileEncoding encoding);

}  // namespace velmora::settings
