#pragma once
// The store's exception family and its string table (ids 1..26). Every
// exception carries the id it was raised with, so callers can tell causes
// apart without parsing the text.
#include <string>

#include "platform/Exception.h"

// Message text of a string-table id, "%s" not yet filled in ("" for an
// unknown id).
std::string QDBMessageText(int id);
// The message of id with its "%s" replaced by arg.
std::string QDBFormatMessage(int id, const std::string& arg = std::string());

class EQDBError : public Exception {
public:
    // Raised with the table's message id; arg fills the message's "%s".
    explicit EQDBError(int id, const std::string& arg = std::string())
        : Exception(QDBFormatMessage(id, arg)), FIdent(id) {}
    int Ident() const { return FIdent; }

private:
    int FIdent;
};

GW_DECLARE_EXCEPTION(EQDBListError, EQDBError)
GW_DECLARE_EXCEPTION(EQDBFileError, EQDBError)
GW_DECLARE_EXCEPTION(EQDBIndexError, EQDBError)
GW_DECLARE_EXCEPTION(EQDBInvalidPW, EQDBError)
GW_DECLARE_EXCEPTION(EQDBNoCompress, EQDBError)
GW_DECLARE_EXCEPTION(EQDBBadKey, EQDBError)
GW_DECLARE_EXCEPTION(EQDBOutOfBounds, EQDBIndexError)
GW_DECLARE_EXCEPTION(EQDBNoData, EQDBIndexError)
GW_DECLARE_EXCEPTION(EQDBReadOnly, EQDBIndexError)
GW_DECLARE_EXCEPTION(EQDBNoFile, EQDBIndexError)

// String-table ids by meaning.
enum : int {
    qmFileNotFound = 1,
    qmNotValid = 2,
    qmDriveNotReady = 3,
    qmReadOnly = 4,
    qmNoHandles = 5,
    qmInUse = 6,
    qmDiskFull = 7,
    qmUnidentified = 8,
    qmNoIndexMemory = 9,
    qmCannotCopy = 10,
    qmCannotExtend = 11,
    qmDuplicateKey = 12,
    qmSortedInsert = 13,
    qmOutOfBounds = 14,
    qmNoTempFile = 15,
    qmNoFile = 16,
    qmNoMemory = 17,
    qmBadKey = 18,
    qmInvalidPassword = 19,
    qmEmpty = 20,
    qmNoCopyName = 21,
    qmIsFolder = 22,
    qmNotAFile = 23,
    qmNameTooLong = 24,
    qmFolderReadOnly = 25,
    qmAccessDenied = 26,
};

// Raises the EQDBFileError that an errno value stands for; name is the file
// the failing call was about. A refused write says whether the file is
// read-only or its folder cannot be written; "in use" is left to a file
// another saver holds.
[[noreturn]] void RaiseQDBFileError(int err, const std::string& name);
