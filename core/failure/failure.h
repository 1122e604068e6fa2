// SPDX-License-Identifier: GPL-3.0-or-later
// Why something could not be done: one vocabulary for the whole core, carried up to the message the
// clerk reads. A reason keeps the system's error number where there is one.
#pragma once

#include <string>

#include "failure/place.h"
#include "text/file_path.h"
#include "text/rules.h"

namespace velmora::failure {

enum class Reason {
    None,
    NoWritePermission,      // the file or its folder may not be written by this account
    ReadOnlyFileSystem,     // the file system holding the file is mounted read-only
    DiskFull,               // no space left, or over the account's quota
    FileTooLarge,           // beyond the largest file the system or a resource limit allows
    FileInUse,              // another program holds the file
    LockTimedOut,           // another export kept the folder or the scratch database past the time limit
    ScratchFolderUnusable,  // the private folder for scratch files cannot be made or is not private
    FolderMissing,          // a folder on the path does not exist
    NotRegularFile,         // a folder, a pipe or a device where a file was expected
    NotAFolder,             // a file (or anything else) where a folder was expected
    IsLink,                 // a link where a real folder was expected
    OtherAccountOwns,       // it belongs to another account
    OpenToOthers,           // other accounts may write into it
    PipeClosed,             // whoever read the output (a pipe) has gone away
    ForeignLink,            // a link that may not be followed (another account's) stands at the name
    NameTooLong,            // the path or a name in it is longer than the system accepts
    TooManyRows,            // more rows than a workbook holds
    TooManyColumns,         // more columns than a workbook holds
    CellTooLong,            // a cell's text beyond what a workbook cell holds
    OutOfMemory,            // the memory needed could not be had
    CannotRead,             // a file could not be read
    OverProgramLimit,       // larger than this program reads (its own limit, not the system's)
    NoSettings,             // a settings file holding none of the settings
    FileMissing,            // the file to read does not exist
    NoReadPermission,       // the file to read may not be read by this account
    SystemError,            // any other error the system reported
    // A workbook's own failures, met in its content; the place says where, as far as its reader knows:
    NotAWorkbook,        // no workbook of any format this program reads
    UnsupportedVersion,  // a workbook of a layout or version this program does not read
    WorkbookDamaged,     // content that cannot be made sense of
    WorkbookEncrypted,   // protected by a password
    WorkbookTooLarge,    // beyond what its format, its rows and columns, or an honest inflation hold
};

class Failure {
public:
    Failure() = default;
    explicit Failure(Reason reason, int systemError = 0) : m_reason(reason), m_systemError(systemError) {}

    // The scratch folder `folder` cannot be used, because of `cause`: one of NotAFolder, IsLink,
    // OtherAccountOwns, OpenToOthers, or the reason of the system error met.
    static Failure scratchFolderUnusable(text::FilePath folder, Reason cause, int systemError = 0);
    static Failure scratchFolderUnusable(text::FilePath folder, int systemError);
    // The same failure, met while using the scratch folder `folder`, which its sentence then names.
    Failure inScratchFolder(text::FilePath folder) const;

    // A workbook's failure (NotAWorkbook to WorkbookTooLarge) at `place`.
    static Failure inWorkbook(Reason reason, Place place = {});
    // The file `path` could not be opened to read, because of `cause`.
    static Failure cannotOpen(text::FilePath path, const Failure& cause);
    // The same failure, met reading the file `path`: its sentence is then the clerk's whole message,
    // naming the file.
    Failure inFile(text::FilePath path) const;
    // The same failure with its place's sheet set (one-based), for a failure met within that sheet.
    Failure inSheet(int sheet) const;

    // The reason for a system error number (errno) met while writing; 0 gives no failure.
    static Failure fromErrno(int systemError);
    // The same for an error met while opening a file to read.
    static Failure fromReadErrno(int systemError);
    // An error the scratch database's library reported with its own result code and no system error.
    static Failure fromSqlite(int resultCode);

    bool failed() const { return m_reason != Reason::None; }
    bool ok() const { return m_reason == Reason::None; }
    Reason reason() const { return m_reason; }
    int systemError() const { return m_systemError; }  // 0 when the reason is not the system's
    int sqliteCode() const { return m_sqliteCode; }    // the library's result code; 0 when none
    Reason cause() const { return m_cause; }  // why a scratch folder was unusable, or a file unopened
    const text::FilePath& scratchFolder() const { return m_scratchFolder; }  // empty when none is named
    const Place& place() const { return m_place; }                           // where within the file
    const text::FilePath& file() const { return m_file; }                    // empty when none is named
    // True for a workbook's own failures, the reasons from NotAWorkbook on.
    bool inContent() const { return m_reason >= Reason::NotAWorkbook; }

    // The sentence the clerk reads (GBK); empty when nothing failed.
    text::Text describe() const;

    friend bool operator==(const Failure&, const Failure&) = default;

private:
    Reason m_reason = Reason::None;
    int m_systemError = 0;
    int m_sqliteCode = 0;
    Reason m_cause = Reason::None;
    text::FilePath m_scratchFolder;
    Place m_place;
    text::FilePath m_file;
};

}  // namespace velmora::failure
