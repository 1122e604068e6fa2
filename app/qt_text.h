// SPDX-License-Identifier: GPL-3.0-or-later
// The one place where the core's GBK texts and Qt's strings meet.
#pragma once

#include <QFile>
#include <QString>
#include <string>

#include "text/encoding.h"

namespace velmora::app {

inline QString fromGbk(std::string_view gbk) { return QString::fromStdString(text::utf8FromGbk(gbk)); }

// GB18030 keeps every character a user can type, so nothing typed into a box is lost.
inline text::Text toGbk(const QString& value) { return text::gbkFromUtf8(value.toStdString()); }

// Paths go to the core in the file-system encoding.
inline std::string toNativePath(const QString& path) { return QFile::encodeName(path).toStdString(); }
inline QString fromNativePath(const std::string& path) { return QFile::decodeName(path.c_str()); }

}  // namespace velmora::app
