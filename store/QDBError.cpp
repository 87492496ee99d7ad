#include "store/QDBError.h"
#include "platform/Streams.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace {
const char* const kMessages[] = {
    "",
    "Could not find the file %s",
    "The file %s is not a valid QDB file",
    "The drive you are trying to access is not ready",
    "%s is marked as read-only",
    "No more file handles are available",
    "The file %s seems to be in use by another program",
    "The drive is full",
    "Unidentified problem -  %s",
    "Not enough memory to extend the index to %s",
    "Unable to copy %s",
    "Unable to extend the file %s",
    "Duplicate keys are not allowed",
    "Cannot insert into a sorted list",
    "The list index is out of bounds",
    "Could not create a necessary temporary file",
    "Illegal operation - no file assigned",
    "Insufficient memory to compress or expand",
    "The key '%s' does not exist",
    "The password you have provided is invalid",
    "File %s is empty",
    "The file %s was changed by another program, and the name of a copy beside it would be too long",
    "%s is a folder, not a file",
    "%s is a pipe, socket or device, not a file",
    "The file name %s is too long",
    "The folder %s cannot be written",
    "Access to the file %s is denied",
};
}  // namespace

std::string QDBMessageText(int id) {
    if (id < 1 || id > qmAccessDenied) return std::string();
    return kMessages[id];
}

std::string QDBFormatMessage(int id, const std::string& arg) {
    std::string text = QDBMessageText(id);
    auto p = text.find("%s");
    if (p != std::string::npos) text.replace(p, 2, arg);
    return text;
}

namespace {
std::string FolderOf(const std::string& name) {
    std::string folder = ExtractFilePath(name);
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder.empty() ? "." : folder;
}

// Permission refused: a file nobody may write is read-only whoever asks
// (the superuser too); else the folder, when it cannot be written.
[[noreturn]] void RaiseRefused(const std::string& name) {
    struct stat st;
    if (::stat(name.c_str(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & 0222) == 0)
        throw EQDBFileError(qmReadOnly, name);
    const std::string folder = FolderOf(name);
    if (::access(folder.c_str(), W_OK) != 0) throw EQDBFileError(qmFolderReadOnly, folder);
    throw EQDBFileError(qmAccessDenied, name);
}
}  // namespace

void RaiseQDBFileError(int err, const std::string& name) {
    switch (err) {
        case ENOENT: {
            // A missing folder is the "path not found" case, a missing file the
            // "file not found" one.
            std::string folder = ExtractFilePath(name);
            if (folder.empty()) folder = ".";
            struct stat st;
            if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) throw EQDBFileError(qmDriveNotReady);
            throw EQDBFileError(qmFileNotFound, name);
        }
        case ENOTDIR:
        case ENXIO:
        case ENODEV:
        case ENOMEDIUM: throw EQDBFileError(qmDriveNotReady);
        case EMFILE:
        case ENFILE: throw EQDBFileError(qmNoHandles);
        case EACCES:
        case EPERM:
        case EROFS: RaiseRefused(name);
        case EBUSY:
        case ETXTBSY: throw EQDBFileError(qmInUse, name);
        case EISDIR: throw EQDBFileError(qmIsFolder, name);
        case ENAMETOOLONG: throw EQDBFileError(qmNameTooLong, name);
        case ENOSPC:
        case EDQUOT:
        case EFBIG: throw EQDBFileError(qmDiskFull);
        default: throw EQDBFileError(qmUnidentified, std::to_string(err));
    }
}
