#pragma once
// File routines of the store: the private work folder, work files whose
// failures raise the store's file errors, the container writer and the
// chunked section copy.
#include <cstdint>
#include <string>

struct stat;

#include "platform/Streams.h"
#include "store/QDBCipher.h"

namespace qdb {

// The folder below which work folders are made: the configured one when it
// names an existing folder, else $TMPDIR, else /tmp.
std::string WorkFolderBase();
void SetWorkFolderSetting(const std::string& folder);
const std::string& WorkFolderSetting();

// A fresh folder (mode 0700, named after this process, unpredictable) for
// one store's work files, with the lock file this process holds until
// RemovePrivateFolder. Raises EQDBIndexError 15 when none can be made.
std::string MakePrivateFolder();
// A fresh empty file in folder named prefix + random characters; raises
// EQDBIndexError 15 when none can be made.
std::string MakeTempFile(const std::string& folder, const std::string& prefix);
// Removes the private folder and whatever it holds (it is ours alone),
// following no link.
void RemovePrivateFolder(const std::string& folder);
// Removes this user's work folders whose owner no longer runs.
void RemoveDeadWorkFolders();

// A file stream whose failures (open, read, write) raise EQDBFileError by
// their cause.
class TWorkFile : public TFileStream {
public:
    TWorkFile(const std::string& path, int mode);
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int Handle() const { return FFd; }
};

// Raises EQDBFileError when st is no file: a folder, or a pipe, socket or
// device.
void RefuseNonFile(const struct stat& st, const std::string& name);

// Refuses a save to target before any work is done: its folder must exist
// and be writable, its name must fit, and what the name holds must be a file
// that is not read-only (EQDBReadOnly). A link stands for the file it names;
// the result is that file's name.
std::string CheckedTarget(const std::string& target);

// Writes a container next to its target and puts it in place on Commit
// (fsync, rename, fsync of the folder); failures raise EQDBFileError. Unless
// committed, the target is left as it was.
class TContainerWriter : public TSafeFileStream {
public:
    explicit TContainerWriter(const std::string& target);
    int64_t Write(const void* buffer, int64_t count) override;
    void CommitChecked();
    // Commits under name (in the target's folder); with replace false a
    // taken name is left alone and the result is false.
    bool CommitCheckedAs(const std::string& name, bool replace);
};

// Chunk length of a section of n bytes: clamp(n, 1024, 524288). Reader and
// writer of a protected container both derive it from n alone.
int64_t ChunkLength(int64_t n);

// Copies n bytes from source to target in chunks, each chunk run through the
// key stream afresh when key is given. A short read raises EQDBIndexError
// "not a valid QDB file" naming fileName.
void CopySection(TStream& source, TStream& target, int64_t n, const TDigest* key, const std::string& fileName);

// Modification time and identity of a file; Valid is false when there is
// none. Every save makes a new file, so a changed identity tells a replaced
// file even where the clock is too coarse to.
struct TFileAge {
    bool Valid = false;
    int64_t Seconds = 0;
    int64_t Nanoseconds = 0;
    uint64_t Device = 0;
    uint64_t Inode = 0;
    bool operator==(const TFileAge& o) const {
        return Valid == o.Valid && Seconds == o.Seconds && Nanoseconds == o.Nanoseconds && Device == o.Device &&
               Inode == o.Inode;
    }
    bool operator!=(const TFileAge& o) const { return !(*this == o); }
};
TFileAge FileAge(const std::string& path);
// The age of the file an open work file reads.
TFileAge FileAge(const TWorkFile& file);

// An advisory lock (flock) on the file a name names, held from the check of
// that file to its replacement. Every saver takes it, so one saver's check
// and rename are one step for the others. A file that is replaced while the
// lock is awaited is locked anew.
class TContainerLock {
public:
    // Waits up to LockWaitSetting() milliseconds; raises EQDBFileError "in
    // use by another program" naming path when the lock is not granted.
    explicit TContainerLock(const std::string& path);
    ~TContainerLock();
    TContainerLock(const TContainerLock&) = delete;
    TContainerLock& operator=(const TContainerLock&) = delete;
    // The locked file's age; invalid when the name names no file.
    const TFileAge& Age() const { return FAge; }

private:
    int FFd = -1;
    TFileAge FAge;
};
void SetLockWaitSetting(int milliseconds);
int LockWaitSetting();

// True when name may be made in folder: its entry within the file system's
// name length and the whole path within the system's.
bool NameFits(const std::string& folder, const std::string& name);

// True when nobody may write the file (no write permission bit set) or this
// process may not.
bool FileIsReadOnly(const std::string& path);

}  // namespace qdb
