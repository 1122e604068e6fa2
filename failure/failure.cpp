// SPDX-License-Identifier: GPL-3.0-or-later
#include "failure/failure.h"

#include <cerrno>
#include <string>

#include "text/encoding.h"

namespace velmora::failure {
namespace {

const char* sentenceOf(Reason reason) {
    switch (reason) {
        case Reason::None:
            return "";
        case Reason::NoWritePermission:
            return "没有写入权限";
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
        case Reason::FileMissing:
            return "文件不存在";
        case Reason::NoReadPermission:
            return "没有读取权限";
        case Reason::SystemError:
            return "读写出错";
    }
    return "读写出错";
}

}  // namespace

Failure Failure::fromErrno(int systemError) {
    switch (systemError) {
        case 0:
            return {};
        case EACCES:
        case EPERM:
        case EROFS:
            return Failure(Reason::NoWritePermission, systemError);
        case ENOSPC:
        case EDQUOT:
            return Failure(Reason::DiskFull, systemError);
        case EFBIG:
            return Failure(Reason::FileTooLarge, systemError);
        case EBUSY:
        case ETXTBSY:
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

text::Text Failure::describe() const {
    text::Text sentence = text::gbkFromUtf8(sentenceOf(m_reason));
    // The number lets whoever helps the clerk look the error up; the named reasons say enough.
    if (m_reason == Reason::SystemError && m_systemError != 0)
        sentence += text::gbkFromUtf8("(系统错误 " + std::to_string(m_systemError) + ")");
    return sentence;
}

}  // namespace velmora::failure
