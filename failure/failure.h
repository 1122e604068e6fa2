// SPDX-License-Identifier: GPL-3.0-or-later
// Why something could not be done: one vocabulary for the whole core, carried up to the message the
// clerk reads. A reason keeps the system's error number where there is one.
#pragma once

#include "text/rules.h"

namespace velmora::failure {

enum class Reason {
    None,
    NoWritePermission,      // the file or its folder may not be written by this account
    DiskFull,               // no space left, or over the account's quota
    FileTooLarge,           // beyond the largest file the system or a resource limit allows
    FileInUse,              // another program holds the file
    LockTimedOut,           // another export kept the folder or the scratch database past the time limit
    ScratchFolderUnusable,  // the private folder for scratch files cannot be made or is not private
    FolderMissing,          // a folder on the path does not exist
    NotRegularFile,         // a folder, a pipe or a device where a file was expected
    ForeignLink,            // a link that may not be followed (another account's) stands at the name
    NameTooLong,            // the path or a name in it is longer than the system accepts
    TooManyRows,            // more rows than a workbook holds
    TooManyColumns,         // more columns than a workbook holds
    CellTooLong,            // a cell's text beyond what a workbook cell holds
    OutOfMemory,            // the memory needed could not be had
    CannotRead,             // a file could not be read
    FileMissing,            // the file to read does not exist
    NoReadPermission,       // the file to read may not be read by this account
    SystemError,            // any other error the system reported
};

class Failure {
public:
    Failure() = default;
    explicit Failure(Reason reason, int systemError = 0) : m_reason(reason), m_systemError(systemError) {}

    // The reason for a system error number (errno) met while writing; 0 gives no failure.
    static Failure fromErrno(int systemError);
    // The same for an error met while opening a file to read.
    static Failure fromReadErrno(int systemError);

    bool failed() const { return m_reason != Reason::None; }
    bool ok() const { return m_reason == Reason::None; }
    Reason reason() const { return m_reason; }
    int systemError() const { return m_systemError; }  // 0 when the reason is not the system's

    // The sentence the clerk reads (GBK); empty when nothing failed.
    text::Text describe() const;

    friend bool operator==(const Failure&, const Failure&) = default;

private:
    Reason m_reason = Reason::None;
    int m_systemError = 0;
};

}  // namespace velmora::failure
