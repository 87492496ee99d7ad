#pragma once
// Byte streams that the readers, writers and the store work on: a memory
// stream, a file stream and a file stream that replaces its target only when
// committed (temporary file in the same folder, fsync, rename, fsync folder).
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Exception.h"

enum TSeekOrigin { soBeginning = 0, soCurrent = 1, soEnd = 2 };

class TStream {
public:
    virtual ~TStream() = default;
    // Reads up to count bytes, returns how many were read.
    virtual int64_t Read(void* buffer, int64_t count) = 0;
    // Writes up to count bytes, returns how many were written.
    virtual int64_t Write(const void* buffer, int64_t count) = 0;
    virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
    virtual int64_t GetSize();
    virtual void SetSize(int64_t size) = 0;

    int64_t GetPosition() { return Seek(0, soCurrent); }
    void SetPosition(int64_t pos) { Seek(pos, soBeginning); }
    int64_t Remaining() { return GetSize() - GetPosition(); }

    // Exactly count bytes or EReadError "Stream read error".
    void ReadBuffer(void* buffer, int64_t count);
    // Exactly count bytes or EWriteError "Stream write error".
    void WriteBuffer(const void* buffer, int64_t count);
    // Copies count bytes from source (count 0: the whole source from its
    // start). Returns the number copied.
    int64_t CopyFrom(TStream& source, int64_t count);

    template <typename T>
    T ReadValue() {
        T v;
        ReadBuffer(&v, sizeof(T));
        return v;
    }
    template <typename T>
    void WriteValue(const T& v) {
        WriteBuffer(&v, sizeof(T));
    }
};

class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::vector<uint8_t> data) : FData(std::move(data)) {}
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t GetSize() override { return static_cast<int64_t>(FData.size()); }
    void SetSize(int64_t size) override;

    uint8_t* Memory() { return FData.data(); }
    const std::vector<uint8_t>& Data() const { return FData; }
    std::vector<uint8_t>& Data() { return FData; }
    void Clear() {
        FData.clear();
        FPos = 0;
    }
    void LoadFromStream(TStream& s);
    void SaveToStream(TStream& s) { s.WriteBuffer(FData.data(), static_cast<int64_t>(FData.size())); }
    void LoadFromFile(const std::string& path);
    // Saves through a replace-on-commit file: the old file survives a failure.
    void SaveToFile(const std::string& path);

private:
    std::vector<uint8_t> FData;
    int64_t FPos = 0;
};

// Read-only view over bytes owned elsewhere (no copy).
class TReadOnlyMemoryStream : public TStream {
public:
    TReadOnlyMemoryStream(const void* data, int64_t size) : FData(static_cast<const uint8_t*>(data)), FSize(size) {}
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void*, int64_t) override { return 0; }
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t GetSize() override { return FSize; }
    void SetSize(int64_t) override { throw EWriteError("Stream write error"); }

private:
    const uint8_t* FData;
    int64_t FSize;
    int64_t FPos = 0;
};

// Read-only view of length bytes of another stream from start on (fewer
// where the stream ends sooner): reads stop at the section's end, and
// positions count from its start.
class TStreamSection : public TStream {
public:
    TStreamSection(TStream& base, int64_t start, int64_t length);
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void*, int64_t) override { return 0; }
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t GetSize() override { return FLength; }
    void SetSize(int64_t) override { throw EWriteError("Stream write error"); }

private:
    TStream& FBase;
    int64_t FStart;
    int64_t FLength;
    int64_t FPos = 0;
};

enum TFileMode {
    fmOpenRead = 0,
    fmOpenWrite = 1,
    fmOpenReadWrite = 2,
    fmCreate = 0xFFFF,  // create or truncate, read and write
};

class TFileStream : public TStream {
public:
    // Raises EFOpenError "Cannot open file \"name\"" or EFCreateError
    // "Cannot create file \"name\"".
    TFileStream(const std::string& path, int mode);
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t GetSize() override;
    void SetSize(int64_t size) override;
    // Flushes to the disk (fsync); raises EWriteError on failure.
    void Sync();
    const std::string& FileName() const { return FPath; }

protected:
    TFileStream() = default;
    void OpenFd(const std::string& path, int flags, int perms);
    int FFd = -1;
    std::string FPath;
};

// Writes a new file next to the target; Commit() makes it the target in one
// rename. Destroying it uncommitted removes the temporary file and leaves the
// target untouched. A target that is a link stands for the file it names.
class TSafeFileStream : public TFileStream {
public:
    explicit TSafeFileStream(const std::string& target);
    ~TSafeFileStream() override;
    void Commit();
    // Commit under another name in the target's folder. With replace false a
    // file of that name is left alone: the result is then false, and the
    // written bytes wait for another name.
    bool CommitAs(const std::string& target, bool replace);
    const std::string& Target() const { return FTarget; }
    const std::string& TempName() const { return FPath; }

private:
    std::string FTarget;
    bool FCommitted = false;
    // The mode the file gets at the commit (the old file's, or a new file's).
    unsigned FMode = 0644;
    // Keeps the owner's lock on the temporary file from its close to its
    // rename.
    int FLockFd = -1;
};

// The file a save to path replaces: path itself, or where its links lead (a
// dangling link's last name).
std::string ResolveSaveTarget(const std::string& path);
// fsync of the folder that holds path (after a rename), best effort.
void SyncParentFolder(const std::string& path);
bool FileExists(const std::string& path);
// True when the path exists and is a folder (a link to a folder counts).
bool FolderExists(const std::string& path);
std::string ExtractFileExt(const std::string& path);  // ".bmp" (with the dot) or ""
std::string ExtractFileName(const std::string& path);
std::string ExtractFilePath(const std::string& path);  // with trailing separator, or ""
std::string ChangeFileExt(const std::string& path, const std::string& ext);
