// SPDX-License-Identifier: GPL-3.0-or-later
// The one place where the batch turns its arguments into file names and the core's GBK texts and file
// names into what it prints. Nothing else in cli/ converts between them (a test checks that), so a file
// name is never printed through the GBK converter nor a GBK text passed on as a file name.
#pragma once

#include <string>
#include <string_view>

#include "text/encoding.h"
#include "text/file_path.h"

namespace velmora::cli {

// An argument naming a file or folder, as the process got it: the file system's bytes on POSIX systems,
// UTF-8 on Windows (startProcess converts the wide arguments), which is what the core's file names hold.
inline text::FilePath pathFromArgument(std::string argument) { return text::FilePath(std::move(argument)); }

// The batch prints UTF-8 (on Windows' console too, through startProcess's stream).
inline std::string consoleFromGbk(std::string_view gbk) { return text::utf8FromGbk(gbk); }

// A file name printed as given: bytes the clerk's terminal shows as they came.
inline const std::string& consoleFromPath(const text::FilePath& path) { return path.native(); }

}  // namespace velmora::cli
