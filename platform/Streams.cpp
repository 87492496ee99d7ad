#include "platform/Streams.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

#include "platform/Leftovers.h"

int64_t TStream::GetSize() {
    int64_t pos = Seek(0, soCurrent);
    int64_t size = Seek(0, soEnd);
    Seek(pos, soBeginning);
    return size;
}

void TStream::ReadBuffer(void* buffer, int64_t count) {
    if (count < 0 || (count != 0 && Read(buffer, count) != count)) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, int64_t count) {
    if (count < 0 || (count != 0 && Write(buffer, count) != count)) throw EWriteError("Stream write error");
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
    if (count == 0) {
        source.SetPosition(0);
        count = source.GetSize();
    }
    int64_t done = 0;
    std::vector<uint8_t> buf(static_cast<size_t>(std::min<int64_t>(count, 1 << 16)));
    while (done < count) {
        int64_t n = std::min<int64_t>(count - done, static_cast<int64_t>(buf.size()));
        source.ReadBuffer(buf.data(), n);
        WriteBuffer(buf.data(), n);
        done += n;
    }
    return done;
}

// ---- memory stream

int64_t TMemoryStream::Read(void* buffer, int64_t count) {
    if (count <= 0 || FPos >= GetSize()) return 0;
    int64_t n = std::min<int64_t>(count, GetSize() - FPos);
    std::memcpy(buffer, FData.data() + FPos, static_cast<size_t>(n));
    FPos += n;
    return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count) {
    if (count <= 0) return 0;
    if (FPos + count > GetSize()) FData.resize(static_cast<size_t>(FPos + count));
    std::memcpy(FData.data() + FPos, buffer, static_cast<size_t>(count));
    FPos += count;
    return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
    int64_t base = origin == soBeginning ? 0 : origin == soCurrent ? FPos : GetSize();
    int64_t p = base + offset;
    FPos = p < 0 ? 0 : p;
    return FPos;
}

void TMemoryStream::SetSize(int64_t size) {
    if (size < 0) size = 0;
    FData.resize(static_cast<size_t>(size));
    if (FPos > size) FPos = size;
}

void TMemoryStream::LoadFromStream(TStream& s) {
    s.SetPosition(0);
    int64_t n = s.GetSize();
    FData.resize(static_cast<size_t>(n));
    if (n) s.ReadBuffer(FData.data(), n);
    FPos = 0;
}

void TMemoryStream::LoadFromFile(const std::string& path) {
    TFileStream f(path, fmOpenRead);
    LoadFromStream(f);
}

void TMemoryStream::SaveToFile(const std::string& path) {
    TSafeFileStream f(path);
    SaveToStream(f);
    f.Commit();
}

// ---- read-only view

int64_t TReadOnlyMemoryStream::Read(void* buffer, int64_t count) {
    if (count <= 0 || FPos >= FSize) return 0;
    int64_t n = std::min<int64_t>(count, FSize - FPos);
    std::memcpy(buffer, FData + FPos, static_cast<size_t>(n));
    FPos += n;
    return n;
}

int64_t TReadOnlyMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
    int64_t base = origin == soBeginning ? 0 : origin == soCurrent ? FPos : FSize;
    int64_t p = base + offset;
    FPos = p < 0 ? 0 : p;
    return FPos;
}

TStreamSection::TStreamSection(TStream& base, int64_t start, int64_t length)
    : FBase(base), FStart(start), FLength(std::max<int64_t>(0, std::min(length, base.GetSize() - start))) {}

int64_t TStreamSection::Read(void* buffer, int64_t count) {
    if (count <= 0 || FPos >= FLength) return 0;
    FBase.SetPosition(FStart + FPos);
    const int64_t n = FBase.Read(buffer, std::min(count, FLength - FPos));
    FPos += n;
    return n;
}

int64_t TStreamSection::Seek(int64_t offset, TSeekOrigin origin) {
    const int64_t base = origin == soBeginning ? 0 : origin == soCurrent ? FPos : FLength;
    FPos = std::max<int64_t>(0, base + offset);
    return FPos;
}

// ---- file stream

void TFileStream::OpenFd(const std::string& path, int flags, int perms) {
    FPath = path;
    do {
        FFd = ::open(path.c_str(), flags | O_CLOEXEC, perms);
    } while (FFd < 0 && errno == EINTR);
}

TFileStream::TFileStream(const std::string& path, int mode) {
    if (mode == fmCreate) {
        OpenFd(path, O_RDWR | O_CREAT | O_TRUNC, 0644);
        if (FFd < 0) throw EFCreateError("Cannot create file \"" + path + "\"");
        return;
    }
    int acc = (mode & 3) == fmOpenWrite ? O_WRONLY : (mode & 3) == fmOpenReadWrite ? O_RDWR : O_RDONLY;
    OpenFd(path, acc, 0);
    if (FFd < 0) throw EFOpenError("Cannot open file \"" + path + "\"");
    struct stat st;
    if (::fstat(FFd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(FFd);
        FFd = -1;
        throw EFOpenError("Cannot open file \"" + path + "\"");
    }
}

TFileStream::~TFileStream() {
    if (FFd >= 0) ::close(FFd);
}

int64_t TFileStream::Read(void* buffer, int64_t count) {
    int64_t done = 0;
    auto* p = static_cast<uint8_t*>(buffer);
    while (done < count) {
        ssize_t n = ::read(FFd, p + done, static_cast<size_t>(std::min<int64_t>(count - done, 1 << 30)));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += n;
    }
    return done;
}

int64_t TFileStream::Write(const void* buffer, int64_t count) {
    int64_t done = 0;
    auto* p = static_cast<const uint8_t*>(buffer);
    while (done < count) {
        ssize_t n = ::write(FFd, p + done, static_cast<size_t>(std::min<int64_t>(count - done, 1 << 30)));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += n;
    }
    return done;
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
    int whence = origin == soBeginning ? SEEK_SET : origin == soCurrent ? SEEK_CUR : SEEK_END;
    off_t r = ::lseek(FFd, static_cast<off_t>(offset), whence);
    if (r < 0) {
        // Seeking before the start lands on the start, as a memory stream does.
        r = ::lseek(FFd, 0, SEEK_SET);
    }
    return static_cast<int64_t>(r);
}

int64_t TFileStream::GetSize() {
    struct stat st;
    if (::fstat(FFd, &st) != 0) return 0;
    return static_cast<int64_t>(st.st_size);
}

void TFileStream::SetSize(int64_t size) {
    if (::ftruncate(FFd, static_cast<off_t>(size)) != 0) throw EWriteError("Stream write error");
    if (GetPosition() > size) Seek(size, soBeginning);
}

void TFileStream::Sync() {
    if (::fsync(FFd) != 0) throw EWriteError("Stream write error");
}

// ---- replace-on-commit file

static std::string RandomSuffix() {
    static std::random_device rd;
    static const char digits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string s;
    for (int i = 0; i < 12; ++i) s += digits[rd() % 36];
    return s;
}

// The target's name as the temporary file's name carries it: cut (at a
// character's first byte) so that the whole temporary name stays within the
// 255 bytes a folder entry may have, whatever the owner tag's length.
static std::string TempBase(const std::string& base) {
    constexpr size_t kMaxBase = 200;
    if (base.size() <= kMaxBase) return base;
    size_t n = kMaxBase;
    while (n > 0 && (static_cast<unsigned char>(base[n]) & 0xC0) == 0x80) --n;
    return base.substr(0, n);
}

// A save's temporary file: "." + the target's name + "." + the owner tag +
// "." + twelve random characters + ".tmp", beside the target. The owner of
// such a name, or "" for other names.
static std::string SaveLeftoverOwner(const std::string& base, const std::string& name) {
    const std::string prefix = "." + TempBase(base) + ".", suffix = ".tmp";
    if (name.size() <= prefix.size() + suffix.size() || name.compare(0, prefix.size(), prefix) != 0 ||
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
        return "";
    const std::string middle = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
    const size_t dot = middle.rfind('.');
    if (dot == std::string::npos || middle.size() - dot - 1 != 12) return "";
    return middle.substr(0, dot);
}

// A link is saved through: the file it names is replaced (a dangling link's
// file is made) and the link stays. Links in the folders above are followed
// by the calls themselves.
std::string ResolveSaveTarget(const std::string& path) {
    std::string at = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        if (::lstat(at.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return at;
        std::vector<char> buf(static_cast<size_t>(std::max<off_t>(st.st_size, 255)) + 1);
        const ssize_t n = ::readlink(at.c_str(), buf.data(), buf.size());
        if (n <= 0 || static_cast<size_t>(n) >= buf.size()) return at;
        const std::string to(buf.data(), static_cast<size_t>(n));
        at = to[0] == '/' ? to : ExtractFilePath(at) + to;
    }
    return path;  // a loop of links: the calls on it report that
}

// What a file made with 0644 gets under this process's umask.
static unsigned NewFileMode() {
    unsigned mask = 0;
    bool known = false;
    if (FILE* f = std::fopen("/proc/self/status", "r")) {
        char line[256];
        while (!known && std::fgets(line, sizeof line, f))
            if (std::strncmp(line, "Umask:", 6) == 0) {
                mask = static_cast<unsigned>(std::strtoul(line + 6, nullptr, 8));
                known = true;
            }
        std::fclose(f);
    }
    if (!known) {
        mask = ::umask(022);
        ::umask(mask);
    }
    return 0644 & ~mask;
}

TSafeFileStream::TSafeFileStream(const std::string& name) : FTarget(ResolveSaveTarget(name)) {
    const std::string& target = FTarget;
    std::string folder = ExtractFilePath(target);
    std::string base = ExtractFileName(target);
    // Temporary files of saves of this target that were killed.
    RemoveDeadLeftovers(
        folder, [&](const std::string& name) { return SaveLeftoverOwner(base, name); },
        [](const std::string& path) { ::unlink(path.c_str()); });
    for (int attempt = 0; attempt < 100 && FFd < 0; ++attempt) {
        // Private until the commit gives it its mode: the new content of a
        // private file is never readable by others, not even for a moment.
        OpenFd(folder + "." + TempBase(base) + "." + ProcessOwnerTag() + "." + RandomSuffix() + ".tmp",
               O_RDWR | O_CREAT | O_EXCL, 0600);
        if (FFd < 0 && errno != EEXIST) break;
        if (FFd >= 0 && !LockAsOwner(FFd)) {
            ::close(FFd);  // removed by a cleaner that took it for a dead saver's
            FFd = -1;
        }
    }
    if (FFd < 0) throw EFCreateError("Cannot create file \"" + target + "\"");
    // Keep the old file's permissions where there is one.
    struct stat st;
    FMode = ::stat(target.c_str(), &st) == 0 ? st.st_mode & 07777 : NewFileMode();
}

TSafeFileStream::~TSafeFileStream() {
    if (FLockFd >= 0) ::close(FLockFd);
    if (FCommitted) return;
    // Removed before the lock goes with the descriptor.
    ::unlink(FPath.c_str());
    if (FFd >= 0) {
        ::close(FFd);
        FFd = -1;
    }
}

void TSafeFileStream::Commit() { CommitAs(FTarget, true); }

namespace {
// rename that leaves an existing target alone (EEXIST). File systems without
// the kernel's no-replace flag get the same from a second link, which also
// fails on a taken name.
int RenameNoReplace(const char* from, const char* to) {
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return -1;
#endif
    if (::link(from, to) != 0) return -1;
    ::unlink(from);
    return 0;
}
}  // namespace

bool TSafeFileStream::CommitAs(const std::string& target, bool replace) {
    if (FCommitted) return true;
    if (FFd >= 0) {
        (void)::fchmod(FFd, static_cast<mode_t>(FMode));
        Sync();
        // Closing reports write errors some file systems keep until then; a
        // second descriptor keeps the owner's lock until the rename.
        FLockFd = ::fcntl(FFd, F_DUPFD_CLOEXEC, 0);
        const int closed = ::close(FFd);
        FFd = -1;
        if (closed != 0) {
            ::unlink(FPath.c_str());
            throw EWriteError("Stream write error");
        }
    }
    const int renamed = replace ? ::rename(FPath.c_str(), target.c_str())
                                : RenameNoReplace(FPath.c_str(), target.c_str());
    if (renamed != 0) {
        if (!replace && errno == EEXIST) return false;
        const int err = errno;
        ::unlink(FPath.c_str());
        errno = err;
        throw EFCreateError("Cannot create file \"" + target + "\"");
    }
    FCommitted = true;
    FTarget = target;
    if (FLockFd >= 0) {
        ::close(FLockFd);
        FLockFd = -1;
    }
    SyncParentFolder(FTarget);
    return true;
}

void SyncParentFolder(const std::string& path) {
    std::string folder = ExtractFilePath(path);
    if (folder.empty()) folder = ".";
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        (void)::fsync(fd);
        ::close(fd);
    }
}

bool FileExists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool FolderExists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string ExtractFileName(const std::string& path) {
    auto p = path.find_last_of('/');
    return p == std::string::npos ? path : path.substr(p + 1);
}

std::string ExtractFilePath(const std::string& path) {
    auto p = path.find_last_of('/');
    return p == std::string::npos ? std::string() : path.substr(0, p + 1);
}

std::string ExtractFileExt(const std::string& path) {
    std::string name = ExtractFileName(path);
    auto p = name.find_last_of('.');
    return p == std::string::npos ? std::string() : name.substr(p);
}

std::string ChangeFileExt(const std::string& path, const std::string& ext) {
    std::string name = ExtractFileName(path);
    auto p = name.find_last_of('.');
    std::string stem = p == std::string::npos ? path : path.substr(0, path.size() - (name.size() - p));
    return stem + ext;
}
