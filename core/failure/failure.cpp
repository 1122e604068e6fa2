// SPDX-License-Identifier: GPL-3.0-or-later
#include "failure/failure.h"

#include <cerrno>
#include <string>

#include "failure/system_errors.h"
#include "text/encoding.h"
#include "text/phrases.h"

namespace velmora::failure {
namespace {

const char* sentenceOf(Reason reason) {
    switch (reason) {
        case Reason::None:
            return "";
        case Reason::NoWritePermission:
            return "没有写入权限";
        case Reason::ReadOnlyFileSystem:
            return "所在的文件系统是只读的";
        case Reason::DiskFull:
            return "磁盘空间不足";
        case Reason::FileTooLarge:
            return "文件超过系统允许的大小";
        case Reason::FileInUse:
            return "文件被其他程序占用";
        case Reason::LockTimedOut:
            return "另一次导出正在进行,等待超时";
        case Reason::ScratchFolderUnusable:
            return "临时文件夹不可用";
        case Reason::FolderMissing:
            return "文件夹不存在";
        case Reason::NotRegularFile:
            return "不是普通文件";
        case Reason::NotAFolder:
            return "不是文件夹";
        case Reason::IsLink:
            return "是链接,不是文件夹";
        case Reason::OtherAccountOwns:
            return "属于其他账户";
        case Reason::OpenToOthers:
            return "其他账户也可以写入";
        case Reason::PipeClosed:
            return "读取输出的管道已关闭";
        case Reason::ForeignLink:
            return "该位置是不安全的链接";
        case Reason::NameTooLong:
            return "文件名太长";
        case Reason::TooManyRows:
            return "超过工作簿的行数上限 65,535";
        case Reason::TooManyColumns:
            return "超过工作簿的列数上限 256";
        case Reason::CellTooLong:
            return "单元格文字超过 32,767 个字符";
        case Reason::OutOfMemory:
            return "内存不足";
        case Reason::CannotRead:
            return "无法读取文件";
        case Reason::OverProgramLimit:
            return "文件超过本程序读取的大小上限";
        case Reason::NoSettings:
            return "文件中没有任何一项导入设置";
        case Reason::FileMissing:
            return "文件不存在";
        case Reason::NoReadPermission:
            return "没有读取权限";
        case Reason::SystemError:
            return "读写出错";
        case Reason::NotAWorkbook:
            return "不是可读取的工作簿";
        case Reason::UnsupportedVersion:
            return "工作簿的版本无法读取";
        case Reason::WorkbookDamaged:
            return "工作簿已损坏";
        case Reason::WorkbookEncrypted:
            return "工作簿已加密(设有密码)";
        case Reason::WorkbookTooLarge:
            return "工作簿过大";
    }
    return "读写出错";
}

}  // namespace

Failure Failure::fromErrno(int systemError) {
    if (const Reason own = reasonOfSystemOnlyErrno(systemError); own != Reason::None)
        return Failure(own, systemError);
    switch (systemError) {
        case 0:
            return {};
        case EACCES:
        case EPERM:
            return Failure(Reason::NoWritePermission, systemError);
        case EROFS:
            return Failure(Reason::ReadOnlyFileSystem, systemError);
        case EPIPE:
            return Failure(Reason::PipeClosed, systemError);
        case ENOSPC:
            return Failure(Reason::DiskFull, systemError);
        case EFBIG:
            return Failure(Reason::FileTooLarge, systemError);
        case EBUSY:
        case EWOULDBLOCK:
            return Failure(Reason::FileInUse, systemError);
        case ENOENT:
        case ENOTDIR:
            return Failure(Reason::FolderMissing, systemError);
        case EISDIR:
            return Failure(Reason::NotRegularFile, systemError);
        case ELOOP:
            return Failure(Reason::ForeignLink, systemError);
        case ENAMETOOLONG:
            return Failure(Reason::NameTooLong, systemError);
        case ENOMEM:
            return Failure(Reason::OutOfMemory, systemError);
        default:
            return Failure(Reason::SystemError, systemError);
    }
}

Failure Failure::fromReadErrno(int systemError) {
    switch (systemError) {
        case EACCES:
        case EPERM:
            return Failure(Reason::NoReadPermission, systemError);
        case ENOENT:
            return Failure(Reason::FileMissing, systemError);
        default:
            return fromErrno(systemError);
    }
}

Failure Failure::fromSqlite(int resultCode) {
    Failure failure(Reason::SystemError);
    failure.m_sqliteCode = resultCode;
    return failure;
}

Failure Failure::scratchFolderUnusable(text::FilePath folder, Reason cause, int systemError) {
    Failure failure(Reason::ScratchFolderUnusable, systemError);
    failure.m_cause = cause;
    failure.m_scratchFolder = std::move(folder);
    return failure;
}

Failure Failure::scratchFolderUnusable(text::FilePath folder, int systemError) {
    return scratchFolderUnusable(std::move(folder), fromErrno(systemError).reason(), systemError);
}

Failure Failure::inScratchFolder(text::FilePath folder) const {
    Failure failure = *this;
    failure.m_scratchFolder = std::move(folder);
    return failure;
}

Failure Failure::inWorkbook(Reason reason, Place place) {
    Failure failure(reason);
    failure.m_place = std::move(place);
    return failure;
}

Failure Failure::cannotOpen(text::FilePath path, const Failure& cause) {
    Failure failure(Reason::CannotRead, cause.m_systemError);
    failure.m_cause = cause.m_reason;
    failure.m_file = std::move(path);
    return failure;
}

Failure Failure::inFile(text::FilePath path) const {
    Failure failure = *this;
    failure.m_file = std::move(path);
    return failure;
}

Failure Failure::inSheet(int sheet) const {
    Failure failure = *this;
    failure.m_place.sheet = sheet;
    return failure;
}

namespace {

std::string sentenceWithNumber(Reason reason, int systemError, int sqliteCode = 0) {
    std::string sentence = sentenceOf(reason);
    // The number lets whoever helps the clerk look the error up; the named reasons say enough.
    if (reason == Reason::SystemError && systemError != 0)
        sentence += "(系统错误 " + std::to_string(systemError) + ")";
    else if (reason == Reason::SystemError && sqliteCode != 0)
        sentence += "(SQLite 错误 " + std::to_string(sqliteCode) + ")";
    return sentence;
}

// The clerk's message for a file that could not be read: the problem, where in the workbook it lies
// when its reader knows, and the file.
text::Text fileSentence(Reason reason, Reason cause, int systemError, const Place& place,
                        const text::FilePath& path) {
    const text::Text file = text::gbkFromPath(path);
    const text::Text where = place.describe();
    switch (reason) {
        case Reason::NotRegularFile:
            return text::join(phrases::importNotAFile(), file);
        case Reason::OutOfMemory:
            return text::join(phrases::importOutOfMemory(), file);
        case Reason::NotAWorkbook:
        case Reason::UnsupportedVersion:
            return text::join(phrases::importNotWorkbook(), file);
        case Reason::WorkbookDamaged:
            if (!where.empty())
                return text::join(phrases::importDamagedBefore(), where, phrases::importDamagedAfter(), file);
            return text::join(phrases::importDamaged(), file);
        case Reason::WorkbookEncrypted:
            return text::join(phrases::importEncrypted(), file);
        case Reason::WorkbookTooLarge:
            if (!where.empty())
                return text::join(phrases::importTooLargeBefore(), where, phrases::importTooLargeAfter(),
                                  file);
            return text::join(phrases::importTooLarge(), file);
        default:
            break;
    }
    // Any other: the file could not be opened or read, for what the system said then.
    const Reason why = reason == Reason::CannotRead ? cause : reason;
    text::Text message = text::join(phrases::importCannotOpen(), file);
    if (why != Reason::None) message += text::gbkFromUtf8("（" + sentenceWithNumber(why, systemError) + "）");
    return message;
}

}  // namespace

text::Text Failure::describe() const {
    if (m_reason == Reason::None) return {};
    if (!m_file.empty()) return fileSentence(m_reason, m_cause, m_systemError, m_place, m_file);
    if (inContent()) {
        const text::Text where = m_place.describe();
        text::Text sentence = text::gbkFromUtf8(sentenceOf(m_reason));
        if (!where.empty()) sentence += text::join(text::gbkFromUtf8("("), where, text::gbkFromUtf8(")"));
        return sentence;
    }
    // Scratch files live out of the clerk's sight: the folder is named, so whoever helps can find it.
    if (m_reason == Reason::ScratchFolderUnusable && !m_scratchFolder.empty()) {
        text::Text sentence =
            text::gbkFromUtf8(std::string(sentenceOf(m_reason)) + ":") + text::gbkFromPath(m_scratchFolder);
        if (m_cause != Reason::None)
            sentence += text::gbkFromUtf8("," + sentenceWithNumber(m_cause, m_systemError));
        return sentence;
    }
    text::Text sentence = text::gbkFromUtf8(sentenceWithNumber(m_reason, m_systemError, m_sqliteCode));
    if (!m_scratchFolder.empty())
        sentence += text::gbkFromUtf8(",临时文件夹 ") + text::gbkFromPath(m_scratchFolder);
    return sentence;
}

}  // namespace velmora::failure
