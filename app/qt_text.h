// SPDX-License-Identifier: GPL-3.0-or-later
// The one place where the core's GBK texts and Qt's strings meet.
#pragma once

#include <QDir>
#include <QFile>
#include <QString>
#include <string>

#include "text/encoding.h"

namespace velmora::app {

inline QString fromGbk(std::string_view gbk) { return QString::fromStdString(text::utf8FromGbk(gbk)); }

// GB18030 keeps every character a user can type, so nothing typed into a box is lost.
inline text::Text toGbk(const QString& value) { return text::gbkFromUtf8(value.toStdString()); }

// Paths go to the core in the file-system encoding: on Windows always UTF-8, which the core turns into the
// system's UTF-16 at each call (the ANSI code page would lose what it cannot spell). Coming back they take
// Qt's separators, as every path Qt hands out has them.
inline std::string toNativePath(const QString& path) {
#ifdef Q_OS_WIN
    return path.toStdString();
#else
    return QFile::encodeName(path).toStdString();
#endif
}
inline QString fromNativePath(const std::string& path) {
#ifdef Q_OS_WIN
    return QDir::fromNativeSeparators(QString::fromStdString(path));
#else
    return QFile::decodeName(path.c_str());
#endif
}

}  // namespace velmora::app
