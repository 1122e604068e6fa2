// SPDX-License-Identifier: GPL-3.0-or-later
// The one place where the core's GBK texts and file names meet Qt's strings. Nothing else in the window
// converts between QString and byte strings (a test checks that), so each conversion names the encoding
// it reads: a file name shown through the GBK converter, or a UTF-8 literal read as GBK, would garble.
#pragma once

#include <QDir>
#include <QFile>
#include <QString>
#include <string>
#include <string_view>

#include "text/encoding.h"
#include "text/file_path.h"

namespace velmora::app {

// GBK bytes of the core, as the clerk reads them.
inline QString fromGbk(std::string_view gbk) { return QString::fromStdString(text::utf8FromGbk(gbk)); }
// A literal in these sources is UTF-8, never GBK: fromSource() takes it.
QString fromGbk(const char*) = delete;

// GB18030 keeps every character a user can type, so nothing typed into a box is lost.
inline text::Text toGbk(const QString& value) { return text::gbkFromUtf8(value.toStdString()); }

// A UTF-8 text of these sources (a caption, an object name, the version).
inline QString fromSource(const char* utf8) { return QString::fromUtf8(utf8); }
// Core texts are GBK: fromGbk() takes them.
QString fromSource(const std::string&) = delete;
QString fromSource(std::string_view) = delete;

// File names go to the core in the file-system encoding: on Windows always UTF-8, which the core turns into
// the system's UTF-16 at each call (the ANSI code page would lose what it cannot spell). Coming back they
// take Qt's separators, as every path Qt hands out has them.
inline text::FilePath toNativePath(const QString& path) {
#ifdef Q_OS_WIN
    return text::FilePath(path.toStdString());
#else
    return text::FilePath(QFile::encodeName(path).toStdString());
#endif
}
inline QString fromNativePath(const text::FilePath& path) {
#ifdef Q_OS_WIN
    return QDir::fromNativeSeparators(QString::fromStdString(path.native()));
#else
    return QFile::decodeName(path.native().c_str());
#endif
}

}  // namespace velmora::app
