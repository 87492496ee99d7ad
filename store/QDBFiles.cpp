#include "store/QDBFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <map>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

#include "platform/Leftovers.h"
#include "store/QDBError.h"

namespace qdb {

namespace {
std::string& Setting() {
    static std::string folder;
    return folder;
}

bool IsFolder(const std::string& path) {
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string WithoutTrailingSlash(std::string s) {
    while (s.size() > 1 && s.back() == '/') s.pop_back();
    return s;
}
}  // namespace

void SetWorkFolderSetting(const std::string& folder) { Setting() = WithoutTrailingSlash(folder); }
const std::string& WorkFolderSetting() { return Setting(); }

std::string WorkFolderBase() {
    if (IsFolder(Setting())) return Setting();
    const char* tmp = std::getenv("TMPDIR");
    if (tmp && IsFolder(tmp)) return WithoutTrailingSlash(tmp);
    return "/tmp";
}

namespace {
// A work folder is "qdb-" + the owner tag + "-" + six random characters.
std::string WorkFolderOwner(const std::string& name) {
    if (name.size() < 4 + 3 + 7 || name.compare(0, 4, "qdb-") != 0 || name[name.size() - 7] != '-') return "";
    return name.substr(4, name.size() - 4 - 7);
}
}  // namespace

void RemoveDeadWorkFolders() { RemoveDeadLeftovers(WorkFolderBase(), WorkFolderOwner, RemovePrivateFolder); }

namespace {
// The lock files of this process's work folders, held open until the folder
// is removed.
std::mutex& HeldLock() {
    static std::mutex lock;
    return lock;
}
std::map<std::string, int>& Held() {
    static std::map<std::string, int> held;
    return held;
}

void ReleaseHeld(const std::string& folder) {
    std::lock_guard<std::mutex> guard(HeldLock());
    auto it = Held().find(folder);
    if (it == Held().end()) return;
    ::close(it->second);
    Held().erase(it);
}
}  // namespace

std::string MakePrivateFolder() {
    const std::string pattern = WorkFolderBase() + "/qdb-" + ProcessOwnerTag() + "-XXXXXX";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        if (!::mkdtemp(name.data())) break;
        std::string folder(name.data());
        const int fd =
            ::open((folder + "/" + kOwnerLockName).c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0 && LockAsOwner(fd)) {
            std::lock_guard<std::mutex> guard(HeldLock());
            Held()[folder] = fd;
            return folder;
        }
        // A cleaner took the fresh folder for a dead owner's.
        if (fd >= 0) ::close(fd);
        ::rmdir(folder.c_str());
    }
    throw EQDBIndexError(qmNoTempFile);
}

std::string MakeTempFile(const std::string& folder, const std::string& prefix) {
    std::string pattern = folder + "/" + prefix + "XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd = ::mkstemp(name.data());
    if (fd < 0) throw EQDBIndexError(qmNoTempFile);
    ::close(fd);
    return std::string(name.data());
}

void RemovePrivateFolder(const std::string& folder) {
    if (folder.empty()) return;
    // Never followed: a link (or anything else) of that name goes as itself.
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (dir < 0) {
        struct stat st;
        if (::lstat(folder.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) ::unlink(folder.c_str());
        ReleaseHeld(folder);
        return;
    }
    std::vector<std::string> names;
    const int listed = ::dup(dir);
    if (DIR* d = listed >= 0 ? ::fdopendir(listed) : nullptr) {
        while (dirent* e = ::readdir(d)) {
            std::string n = e->d_name;
            if (n != "." && n != "..") names.push_back(n);
        }
        ::closedir(d);
    } else if (listed >= 0) {
        ::close(listed);
    }
    // The work files hold the plain bytes of protected containers: emptied
    // first, so that nothing of them outlives a failed unlink or a second
    // link to the file.
    for (const std::string& n : names) {
        struct stat st;
        if (::fstatat(dir, n.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode)) {
            const int fd = ::openat(dir, n.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
            if (fd >= 0) {
                (void)::ftruncate(fd, 0);
                ::close(fd);
            }
        }
        ::unlinkat(dir, n.c_str(), 0);
    }
    ::close(dir);
    ::rmdir(folder.c_str());
    // Our own lock goes last, once nothing of the folder is left.
    ReleaseHeld(folder);
}

void RefuseNonFile(const struct stat& st, const std::string& name) {
    if (S_ISDIR(st.st_mode)) throw EQDBFileError(qmIsFolder, name);
    if (!S_ISREG(st.st_mode)) throw EQDBFileError(qmNotAFile, name);
}

namespace {
// An open of path failed with err: what is there, if it is no file, else
// the cause.
[[noreturn]] void RaiseOpenError(int err, const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) == 0) RefuseNonFile(st, path);
    RaiseQDBFileError(err, path);
}
}  // namespace

TWorkFile::TWorkFile(const std::string& path, int mode) {
    int flags = mode == fmCreate                ? O_RDWR | O_CREAT | O_TRUNC
                : (mode & 3) == fmOpenReadWrite ? O_RDWR
                : (mode & 3) == fmOpenWrite     ? O_WRONLY
                                                : O_RDONLY;
    // Not blocking, so that a pipe in a container's place cannot stall the
    // open; only files are read.
    OpenFd(path, flags | O_NONBLOCK, 0600);
    if (FFd < 0) RaiseOpenError(errno, path);
    struct stat st;
    if (::fstat(FFd, &st) == 0) RefuseNonFile(st, path);
}

namespace {
// The platform stream stops short on an error and leaves errno set; an end of
// file leaves it clear. A short write with errno clear is a full device.
int64_t Checked(int64_t done, int64_t count, bool writing, const std::string& name) {
    if (done < count && (errno != 0 || writing)) RaiseQDBFileError(errno != 0 ? errno : ENOSPC, name);
    return done;
}
}  // namespace

int64_t TWorkFile::Read(void* buffer, int64_t count) {
    errno = 0;
    return Checked(TFileStream::Read(buffer, count), count, false, FPath);
}

int64_t TWorkFile::Write(const void* buffer, int64_t count) {
    errno = 0;
    return Checked(TFileStream::Write(buffer, count), count, true, FPath);
}

std::string CheckedTarget(const std::string& target) {
    std::string file = ResolveSaveTarget(target);
    const std::string folder = ExtractFilePath(file);
    const std::string where = folder.empty() ? "." : folder;
    // The temporary file is made beside the file: its folder must be there.
    if (!IsFolder(where)) RaiseQDBFileError(ENOENT, file);
    if (!NameFits(folder, ExtractFileName(file))) throw EQDBFileError(qmNameTooLong, target);
    struct stat st;
    const bool exists = ::stat(file.c_str(), &st) == 0;
    if (!exists && errno != ENOENT) RaiseQDBFileError(errno, target);
    if (exists) {
        // Nothing but a file is replaced; a pipe would also stall the lock.
        RefuseNonFile(st, target);
        // Before the folder: a read-only file is said to be one.
        if (FileIsReadOnly(file)) throw EQDBReadOnly(qmReadOnly, target);
    }
    if (::access(where.c_str(), W_OK) != 0) RaiseQDBFileError(errno, file);
    return file;
}

TContainerWriter::TContainerWriter(const std::string& target) try : TSafeFileStream(CheckedTarget(target)) {
} catch (const EStreamError&) {
    RaiseQDBFileError(errno, target);
}

int64_t TContainerWriter::Write(const void* buffer, int64_t count) {
    errno = 0;
    return Checked(TFileStream::Write(buffer, count), count, true, Target());
}

void TContainerWriter::CommitChecked() { CommitCheckedAs(Target(), true); }

bool TContainerWriter::CommitCheckedAs(const std::string& name, bool replace) {
    errno = 0;
    try {
        return CommitAs(name, replace);
    } catch (const EStreamError&) {
        RaiseQDBFileError(errno ? errno : EIO, name);
    }
}

int64_t ChunkLength(int64_t n) { return std::clamp<int64_t>(n, 1024, 524288); }

void CopySection(TStream& source, TStream& target, int64_t n, const TDigest* key, const std::string& fileName) {
    int64_t chunk = ChunkLength(n);
    if (auto* memory = dynamic_cast<TMemoryStream*>(&target)) {
        // Straight into the memory stream (n is already checked against
        // what the source holds).
        int64_t at = memory->GetPosition();
        try {
            memory->SetSize(at + n);
        } catch (const std::bad_alloc&) {
            throw EQDBNoCompress(qmNoMemory);
        }
        uint8_t* p = memory->Memory() + at;
        if (source.Read(p, n) != n) throw EQDBIndexError(qmNotValid, fileName);
        if (key)
            for (int64_t done = 0; done < n; done += chunk)
                Encipher(p + done, static_cast<size_t>(std::min(chunk, n - done)), *key);
        memory->SetPosition(at + n);
        return;
    }
    std::vector<uint8_t> buf;
    try {
        buf.resize(static_cast<size_t>(std::min(chunk, n)));
    } catch (const std::bad_alloc&) {
        throw EQDBNoCompress(qmNoMemory);
    }
    for (int64_t done = 0; done < n;) {
        int64_t len = std::min(chunk, n - done);
        if (source.Read(buf.data(), len) != len) throw EQDBIndexError(qmNotValid, fileName);
        if (key) Encipher(buf.data(), static_cast<size_t>(len), *key);
        target.WriteBuffer(buf.data(), len);
        done += len;
    }
}

namespace {
TFileAge AgeOf(const struct stat& st) {
    TFileAge age;
    age.Valid = true;
    age.Seconds = st.st_mtim.tv_sec;
    age.Nanoseconds = st.st_mtim.tv_nsec;
    age.Device = static_cast<uint64_t>(st.st_dev);
    age.Inode = static_cast<uint64_t>(st.st_ino);
    return age;
}

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

int& LockWait() {
    static int milliseconds = 5000;
    return milliseconds;
}
}  // namespace

TFileAge FileAge(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return TFileAge();
    return AgeOf(st);
}

TFileAge FileAge(const TWorkFile& file) {
    struct stat st;
    if (::fstat(file.Handle(), &st) != 0) return TFileAge();
    return AgeOf(st);
}

void SetLockWaitSetting(int milliseconds) { LockWait() = std::max(0, milliseconds); }
int LockWaitSetting() { return LockWait(); }

TContainerLock::TContainerLock(const std::string& path) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(LockWait());
    for (;;) {
        // Not blocking: a pipe put in the file's place waits for no writer.
        FFd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (FFd < 0) {
            if (errno == ENOENT) return;  // no file: nothing to check or to guard
            RaiseOpenError(errno, path);
        }
        struct stat opened;
        if (::fstat(FFd, &opened) == 0 && !S_ISREG(opened.st_mode)) {
            ::close(FFd);
            FFd = -1;
            RefuseNonFile(opened, path);
        }
        int locked;
        while ((locked = ::flock(FFd, LOCK_EX | LOCK_NB)) != 0 && (errno == EWOULDBLOCK || errno == EINTR) &&
               Clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        const int err = errno;
        if (locked != 0 && err != EWOULDBLOCK && err != EINTR) {
            // A file system without locks: save unguarded, as the check
            // alone did before.
            struct stat st;
            if (::fstat(FFd, &st) == 0) FAge = AgeOf(st);
            return;
        }
        if (locked != 0) {
            ::close(FFd);
            FFd = -1;
            throw EQDBFileError(qmInUse, path);
        }
        // The lock holds the file that was opened; a saver that renamed
        // another file in its place meanwhile has left that one behind.
        struct stat held, named;
        if (::fstat(FFd, &held) == 0 && ::stat(path.c_str(), &named) == 0 && SameFile(held, named)) {
            FAge = AgeOf(held);
            return;
        }
        ::close(FFd);
        FFd = -1;
    }
}

TContainerLock::~TContainerLock() {
    if (FFd >= 0) ::close(FFd);  // closing the last descriptor drops the lock
}

bool NameFits(const std::string& folder, const std::string& name) {
    const std::string where = folder.empty() ? "." : folder;
    long maxName = ::pathconf(where.c_str(), _PC_NAME_MAX);
    if (maxName <= 0) maxName = NAME_MAX;
    long maxPath = ::pathconf(where.c_str(), _PC_PATH_MAX);
    if (maxPath <= 0) maxPath = PATH_MAX;
    return static_cast<long>(name.size()) <= maxName && static_cast<long>(folder.size() + name.size()) < maxPath;
}

bool FileIsReadOnly(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return false;
    return (st.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0;
}

}  // namespace qdb
