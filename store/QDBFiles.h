#pragma once
// File routines of the store: the private work folder, work files whose
// failures raise the store's file errors, the container writer and the
// chunked section copy.
#include <cstdint>
#include <string>

#include "platform/Streams.h"
#include "store/QDBCipher.h"

namespace qdb {

// The folder below which work folders are made: the configured one when it
// names an existing folder, else $TMPDIR, else /tmp.
std::string WorkFolderBase();
void SetWorkFolderSetting(const std::string& folder);
const std::string& WorkFolderSetting();

// A fresh folder (mode 0700, named after this process, unpredictable) for
// one store's work files.
// Raises EQDBIndexError 15 when none can be made.
std::string MakePrivateFolder();
// A fresh empty file in folder named prefix + random characters; raises
// EQDBIndexError 15 when none can be made.
std::string MakeTempFile(const std::string& folder, const std::string& prefix);
// Removes the private folder and whatever it holds (it is ours alone).
void RemovePrivateFolder(const std::string& folder);
// Removes this user's work folders whose process no longer runs.
void RemoveDeadWorkFolders();

// A file stream whose failures (open, read, write) raise EQDBFileError by
// their cause.
class TWorkFile : public TFileStream {
public:
    TWorkFile(const std::string& path, int mode);
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
};

// Writes a container next to its target and puts it in place on Commit
// (fsync, rename, fsync of the folder); failures raise EQDBFileError. Unless
// committed, the target is left as it was.
class TContainerWriter : public TSafeFileStream {
public:
    explicit TContainerWriter(const std::string& target);
    int64_t Write(const void* buffer, int64_t count) override;
    void CommitChecked();
};

// Chunk length of a section of n bytes: clamp(n, 1024, 524288). Reader and
// writer of a protected container both derive it from n alone.
int64_t ChunkLength(int64_t n);

// Copies n bytes from source to target in chunks, each chunk run through the
// key stream afresh when key is given. A short read raises EQDBIndexError
// "not a valid QDB file" naming fileName.
void CopySection(TStream& source, TStream& target, int64_t n, const TDigest* key, const std::string& fileName);

// Modification time of a file; Valid is false when there is none.
struct TFileAge {
    bool Valid = false;
    int64_t Seconds = 0;
    int64_t Nanoseconds = 0;
    bool operator==(const TFileAge& o) const {
        return Valid == o.Valid && Seconds == o.Seconds && Nanoseconds == o.Nanoseconds;
    }
    bool operator!=(const TFileAge& o) const { return !(*this == o); }
};
TFileAge FileAge(const std::string& path);

// True when nobody may write the file (no write permission bit set) or this
// process may not.
bool FileIsReadOnly(const std::string& path);

}  // namespace qdb
