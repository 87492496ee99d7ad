#include "store/QDB.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <vector>

#include "store/QDBCompress.h"
#include "store/QDBMatch.h"

using namespace qdb;

namespace {

const uint8_t kMagic[4] = {'Q', 'D', 'B', 0};
const uint8_t kPasswordMagic[4] = {'Q', 'P', 'W', 0};
const uint8_t kIndexMagic[4] = {'Q', 'I', 'X', 0};
constexpr int64_t kMaxInt32 = 0x7FFFFFFF;
// An unprotected data section of this length has "QPW\0" as its length field
// and would be read as a password block.
constexpr int64_t kPasswordMagicAsLength = 0x00575051;
// The smallest index entry: an empty key's zero byte and three int32.
constexpr int64_t kMinEntryBytes = 13;
constexpr int64_t kCopyChunk = 524288;

void PutInt32(std::vector<uint8_t>& out, int64_t v) {
    auto u = static_cast<uint32_t>(v);
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(u >> (8 * i)));
}

int32_t GetInt32(const uint8_t* p) {
    return static_cast<int32_t>(uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) |
                                (uint32_t(p[3]) << 24));
}

void WriteInt32(TStream& s, int64_t v) {
    std::vector<uint8_t> b;
    PutInt32(b, v);
    s.WriteBuffer(b.data(), 4);
}

bool PathExists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

// Replaces a work file by a fresh one in the same private folder.
void PutInPlace(const std::string& fresh, const std::string& target) {
    if (std::rename(fresh.c_str(), target.c_str()) != 0) {
        int err = errno;
        ::unlink(fresh.c_str());
        RaiseQDBFileError(err, target);
    }
}

}  // namespace

void SetQDBWorkFolder(const std::string& folder) { SetWorkFolderSetting(folder); }
std::string GetQDBWorkFolder() { return WorkFolderSetting(); }
void InitializeQDB() { SetWorkFolderSetting(std::string()); }

TQDB::TQDB() = default;

TQDB::~TQDB() {
    try {
        // A refused save was reported by Close(); letting go of the store
        // gives its work up.
        if (FOpen && (FMode == omCreateNew || FSaveRefused)) Discard();
        else Close();
    } catch (...) {
        // A destructor cannot report; Close() has released everything.
    }
}

// ---- names and keys

std::string TQDB::ExpandName(const std::string& name) {
    if (name.empty()) return name;
    std::error_code ec;
    std::filesystem::path p = std::filesystem::absolute(name, ec);
    std::string full = ec ? name : p.lexically_normal().string();
    if (ExtractFileExt(full).empty()) full += ".QDB";
    return full;
}

std::string TQDB::NormalizeKey(const std::string& key) {
    // The file ends a key at its zero byte and keeps at most 255 characters;
    // cutting here keeps what is stored and what is found the same.
    std::string k = key.substr(0, key.find('\0'));
    if (k.size() > static_cast<size_t>(kMaxKeyLength)) k.resize(kMaxKeyLength);
    return k;
}

// ---- opening and closing

void TQDB::SetFileName(const std::string& name) {
    // The name stays readable after Close(); naming it again then reopens.
    if (ExpandName(name) == FFileName && (FOpen || FFileName.empty())) return;
    Open(name, omOpenOrCreate);
}

void TQDB::Open(const std::string& name, TOpenMode mode) {
    try {
        Close();
        FFileName = ExpandName(name);
        if (!FFileName.empty()) {
            FMode = mode;
            bool exists = FileExists(FFileName);
            // A reader is told what is there instead of a file; a missing
            // one is "not found".
            if (mode == omReadExisting && !exists) (void)TWorkFile(FFileName, fmOpenRead);
            if (mode == omOpenOrCreate && !exists) CreateEmptyQDBFile();
            // A read-only store keeps its sections in memory; the others
            // edit them in work files.
            if (mode != omReadExisting) {
                RemoveDeadWorkFolders();
                FWorkFolder = MakePrivateFolder();
                FDataName = MakeTempFile(FWorkFolder, "QDB");
                FIndexName = FWorkFolder + "/QIX" + FDataName.substr(FWorkFolder.size() + 4);
            }
            if (mode == omCreateNew) StartEmptyStore();
            else LoadQDBIndex();
            if (mode == omReadExisting) FReadOnly = true;
            FOpen = true;
        }
    } catch (...) {
        Discard();
        FFileName.clear();
        throw;
    }
    Fire(OnFileAssigned);
}

void TQDB::CreateEmptyQDBFile() {
    std::vector<uint8_t> bytes(kMagic, kMagic + 4);
    PutInt32(bytes, 0);
    bytes.insert(bytes.end(), kIndexMagic, kIndexMagic + 4);
    PutInt32(bytes, 5);
    PutInt32(bytes, 0);
    bytes.push_back(0);
    TContainerWriter out(FFileName);
    out.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    // Another process may have made the file meanwhile, and even saved into
    // it: theirs stays, and this store opens it.
    (void)out.CommitCheckedAs(FFileName, false);
}

void TQDB::StartEmptyStore() {
    // A save that Close() would refuse is refused before any work.
    (void)CheckedTarget(FFileName);
    FFileAge = TFileAge();
    FData = std::make_unique<TWorkFile>(FDataName, fmOpenReadWrite);
    TWorkFile index(FIndexName, fmCreate);
    WriteInt32(index, 0);
    FKeys.SetCaseSensitive(false);
    FDirty = true;
}

void TQDB::ReadQDBFile(std::vector<uint8_t>& index) {
    if (FileIsReadOnly(FFileName)) FReadOnly = true;
    TWorkFile in(FFileName, fmOpenRead);
    // The age of the very file read, even when it is replaced meanwhile.
    FFileAge = FileAge(in);
    const int64_t fileSize = in.GetSize();
    uint8_t tag[4];
    if (in.Read(tag, 4) != 4 || std::memcmp(tag, kMagic, 4) != 0) throw EQDBFileError(qmNotValid, FFileName);
    if (in.Read(tag, 4) != 4) NotValid();
    std::optional<TDigest> key;
    if (std::memcmp(tag, kPasswordMagic, 4) == 0) {
        TDigest stored;
        if (in.Read(stored.data(), 20) != 20) NotValid();
        if (FPassword.empty() && OnDemandPassword) OnDemandPassword(this, FPassword);
        FPassword = FPassword.substr(0, kMaxPasswordLength);
        if (PasswordCheckValue(FPassword) != stored) throw EQDBInvalidPW(qmInvalidPassword);
        key = PasswordKey(FPassword);
    } else {
        in.Seek(-4, soCurrent);
    }
    // Every length is checked against what the file really holds before
    // anything is allocated or copied.
    auto readLength = [&] {
        uint8_t b[4];
        if (in.Read(b, 4) != 4) NotValid();
        int64_t n = GetInt32(b);
        if (n < 0 || n > fileSize - in.GetPosition()) NotValid();
        return n;
    };
    const TDigest* cipher = key ? &*key : nullptr;
    const bool inMemory = FMode == omReadExisting;
    std::unique_ptr<TStream> data;
    if (inMemory) data = std::make_unique<TMemoryStream>();
    else data = std::make_unique<TWorkFile>(FDataName, fmCreate);
    // A file that ends after the data section lacks its index magic.
    int64_t dataLength = readLength();
    CopySection(in, *data, dataLength, cipher, FFileName);
    if (in.Read(tag, 4) != 4 || std::memcmp(tag, kIndexMagic, 4) != 0) throw EQDBFileError(qmNotValid, FFileName);
    int64_t indexLength = readLength();
    TMemoryStream plainIndex;
    CopySection(in, plainIndex, indexLength, cipher, FFileName);
    if (!inMemory) {
        TWorkFile f(FIndexName, fmCreate);
        f.WriteBuffer(plainIndex.Memory(), plainIndex.GetSize());
    }
    index = std::move(plainIndex.Data());
    FData = std::move(data);
}

void TQDB::LoadQDBIndex() {
    std::vector<uint8_t> index;
    ReadQDBFile(index);
    const int64_t dataLength = FData->GetSize();
    const size_t size = index.size();
    size_t pos = 0;
    if (size < 4) NotValid();
    int64_t count = GetInt32(index.data());
    pos = 4;
    if (count < 0 || count > static_cast<int64_t>(size - 4) / kMinEntryBytes) NotValid();

    StartProgress(count, poLoadIndex);
    FKeys.Clear();
    FAdmin.Clear();
    std::vector<std::pair<std::string, TIndex>> items;
    items.reserve(static_cast<size_t>(count));
    for (int64_t i = 1; i <= count; ++i) {
        const uint8_t* p = index.data() + pos;
        size_t window = std::min<size_t>(size - pos, kMaxKeyLength + 1);
        auto* zero = static_cast<const uint8_t*>(std::memchr(p, 0, window));
        if (!zero) NotValid();  // no terminator, or a key longer than 255
        std::string key(reinterpret_cast<const char*>(p), static_cast<size_t>(zero - p));
        pos += key.size() + 1;
        if (size - pos < 12) NotValid();
        TIndex e;
        e.Offset = GetInt32(index.data() + pos);
        e.Size = GetInt32(index.data() + pos + 4);
        e.Flags = static_cast<uint32_t>(GetInt32(index.data() + pos + 8));
        pos += 12;
        if (e.Offset < 0 || e.Size < 0 || int64_t(e.Offset) + e.Size > dataLength) NotValid();
        if (e.Flags & ifAdministrative) {
            try {
                FAdmin.Add(key, e);
            } catch (const EQDBListError&) {
                FAdmin.Clear();
                throw EQDBIndexError(qmNoIndexMemory, FFileName);
            }
        } else {
            items.emplace_back(std::move(key), e);
        }
        ProgressPoint(i);
    }
    // The collation must be known before the keys are sorted and checked.
    int at;
    bool caseSensitive = FAdmin.Find(kCaseSensitiveKey, at) && ReadAdminFlag(kCaseSensitiveKey);
    FKeys.SetSorted(false);
    FKeys.SetCaseSensitive(caseSensitive);
    FKeys.SetCapacity(static_cast<int64_t>(items.size()));
    for (auto& item : items) FKeys.Add(item.first, item.second);
    if (!FKeys.SortUnique()) {
        FKeys.Clear();
        FAdmin.Clear();
        throw EQDBIndexError(qmNoIndexMemory, FFileName);
    }
    FCurrent = 0;
    FCurrentAdmin = 0;
    FItemCount = FKeys.Count();
    FModified = false;
    FDirty = false;
    EndProgress();
    FCurrentKey = FItemCount > 0 ? FKeys.Key(0) : std::string();
}

bool TQDB::ReadAdminFlag(const std::string& key) {
    if (!FData) throw EQDBNoFile(qmNoFile);
    if (!FAdmin.Find(key, FCurrentAdmin)) throw EQDBBadKey(qmBadKey, key);
    const TIndex& e = FAdmin.Object(FCurrentAdmin);
    if (e.Size != 1) return false;
    uint8_t b = 0;
    FData->SetPosition(e.Offset);
    if (FData->Read(&b, 1) != 1) throw EQDBIndexError(qmNotValid, FFileName);
    return b == 1;
}

void TQDB::Close() {
    if (!FOpen) return;
    StartProgress(FKeys.Count(), poClose);
    FSaveRefused = false;
    try {
        // An unchanged store leaves its file alone: same bytes, same time.
        bool rebuild = FDirty && !FReadOnly;
        if (rebuild && FSaveOnClose) {
            WriteIndexWorkFile();
        } else {
            for (int i = 0; i < FKeys.Count(); ++i) ProgressPoint(i);
        }
        if (rebuild) WriteQDBFile();
    } catch (...) {
        // A save refused before anything was replaced keeps the store open
        // with its work files: nothing is lost, and Close() may be tried
        // again.
        if (!FSaveRefused) Discard();
        throw;
    }
    Discard();
    EndProgress();
}

void TQDB::ReleaseWork() {
    FData.reset();
    RemovePrivateFolder(FWorkFolder);
    FWorkFolder.clear();
    FDataName.clear();
    FIndexName.clear();
}

void TQDB::Discard() {
    ReleaseWork();
    FKeys.Clear();
    FAdmin.Clear();
    FCache.Clear();
    FCurrent = 0;
    FCurrentKey.clear();
    FCurrentAdmin = 0;
    FItemCount = 0;
    FFindFailed = false;
    FReadOnly = false;
    FModified = false;
    FDirty = false;
    FOpen = false;
    FSaveRefused = false;
    FPassword.clear();
    FFileAge = TFileAge();
    FMode = omOpenOrCreate;
}

// ---- writing

void TQDB::WriteIndexWorkFile() {
    std::vector<uint8_t> out;
    PutInt32(out, int64_t(FKeys.Count()) + FAdmin.Count());
    auto put = [&](const TIndexList& list, bool report) {
        for (int i = list.Count() - 1, n = 0; i >= 0; --i, ++n) {
            const std::string& key = list.Key(i);
            out.insert(out.end(), key.begin(), key.end());
            out.push_back(0);
            const TIndex& e = list.Object(i);
            PutInt32(out, e.Offset);
            PutInt32(out, e.Size);
            PutInt32(out, e.Flags);
            if (report) ProgressPoint(n);
        }
    };
    put(FAdmin, false);
    put(FKeys, true);
    // The old index work file stays until the new one is whole. Work files
    // are scratch (the container is the durable copy), so no fsync.
    const std::string fresh = MakeTempFile(FWorkFolder, "QDT");
    try {
        TWorkFile file(fresh, fmOpenReadWrite);
        file.WriteBuffer(out.data(), static_cast<int64_t>(out.size()));
    } catch (...) {
        ::unlink(fresh.c_str());
        throw;
    }
    PutInPlace(fresh, FIndexName);
}

void TQDB::FlushIndex() {
    if (!FOpen) throw EQDBNoFile(qmNoFile);
    if (!FModified || FReadOnly) return;
    StartProgress(FKeys.Count(), poWriteIndex);
    WriteIndexWorkFile();
    FModified = false;
    EndProgress();
}

void TQDB::WriteQDBFile() {
    if (FReadOnly) return;
    RemoveDeadWorkFolders();
    // The new container is written whole beside the old one first; only the
    // check of the old one and the rename then need the lock.
    TContainerWriter out(FFileName);
    // Through a link: the file it names, and copies beside that one.
    const std::string target = out.Target();
    out.WriteBuffer(kMagic, 4);
    std::optional<TDigest> key;
    if (!FPassword.empty()) {
        out.WriteBuffer(kPasswordMagic, 4);
        TDigest check = PasswordCheckValue(FPassword);
        out.WriteBuffer(check.data(), 20);
        key = PasswordKey(FPassword);
    }
    const TDigest* cipher = key ? &*key : nullptr;

    TWorkFile data(FDataName, fmOpenRead);
    int64_t dataLength = data.GetSize();
    const int64_t pad = !key && dataLength == kPasswordMagicAsLength ? 1 : 0;
    if (dataLength + pad > kMaxInt32) throw EQDBIndexError(qmCannotExtend, FFileName);
    WriteInt32(out, dataLength + pad);
    CopySection(data, out, dataLength, cipher, FFileName);
    if (pad) {
        const uint8_t zero = 0;
        out.WriteBuffer(&zero, 1);
    }

    out.WriteBuffer(kIndexMagic, 4);
    TWorkFile index(FIndexName, fmOpenRead);
    int64_t indexLength = index.GetSize();
    if (indexLength > kMaxInt32) throw EQDBIndexError(qmCannotExtend, FFileName);
    WriteInt32(out, indexLength);
    CopySection(index, out, indexLength, cipher, FFileName);

    std::optional<TContainerLock> lock;
    try {
        lock.emplace(target);
    } catch (const EQDBFileError&) {
        FSaveRefused = true;  // nothing was replaced
        throw;
    }
    if (FFileAge.Valid && lock->Age() != FFileAge) {
        bool allow = false;
        if (BeforeOverWrite) BeforeOverWrite(this, allow);
        if (!allow) {
            // Someone else changed the file since it was opened: keep theirs
            // and save beside it, under the first free name of the chain.
            const std::string folder = ExtractFilePath(target);
            std::string name = ExtractFileName(target);
            do {
                do {
                    name = "1." + name;
                    if (!NameFits(folder, name)) {
                        FSaveRefused = true;
                        throw EQDBFileError(qmNoCopyName, FFileName);
                    }
                } while (PathExists(folder + name));
                // A saver that holds another name's lock may take the same
                // free name: the one who comes second goes on along the chain.
            } while (!out.CommitCheckedAs(folder + name, false));
            FFileName = folder + name;
            FFileAge = FileAge(FFileName);
            return;
        }
    }
    out.CommitChecked();
    FFileAge = FileAge(FFileName);
}

// ---- items

void TQDB::AddItem(TStream& stream, const std::string& key) {
    if (!FOpen) throw EQDBNoFile(qmNoFile);
    stream.SetPosition(0);
    if (FReadOnly) {
        ReadOnlyWarning();
        return;
    }
    std::string k = NormalizeKey(key);
    int at;
    if (FKeys.Find(k, at)) throw EQDBIndexError(qmDuplicateKey);
    const int64_t offset = FData->Seek(0, soEnd);
    if (offset < 0) throw EQDBIndexError(qmNotValid, FFileName);
    const int64_t plainSize = stream.GetSize();
    if (!FCompression && offset + plainSize > kMaxInt32) throw EQDBIndexError(qmCannotExtend, FFileName);
    // What could not be expanded again is not compressed.
    if (FCompression && plainSize > kMaxExpandedSize) throw EQDBNoCompress(qmNoMemory);

    // The bytes go in first; only a complete write gets a key.
    TIndex e;
    e.Offset = static_cast<int32_t>(offset);
    try {
        int64_t size;
        if (FCompression) {
            size = Compress(stream, *FData);
            e.Flags = ifCompressed;
        } else {
            size = plainSize > 0 ? FData->CopyFrom(stream, plainSize) : 0;
        }
        if (offset + size > kMaxInt32) throw EQDBIndexError(qmCannotExtend, FFileName);
        e.Size = static_cast<int32_t>(size);
        at = FKeys.Add(k, e);
    } catch (...) {
        try {
            FData->SetSize(offset);
        } catch (...) {
            // The unreferenced tail is harmless; the first error matters.
        }
        stream.SetPosition(0);
        throw;
    }
    FCurrent = at;
    FCurrentKey = k;
    FFindFailed = false;
    FCache.Add(k, stream);
    FItemCount = FKeys.Count();
    FModified = true;
    FDirty = true;
    Fire(OnAdded);
    if (FUpdateCount <= 0) Fire(OnNavigate);
    stream.SetPosition(0);
}

bool TQDB::FindKey(const std::string& key) {
    std::string k = NormalizeKey(key);
    int at;
    if (!FKeys.Find(k, at)) {
        FFindFailed = true;
        FFailedKey = k;
        return false;
    }
    GoToItem(at);
    Fire(OnFound);
    return true;
}

void TQDB::GetItem(TMemoryStream& stream, int64_t maxSize) {
    if (!FOpen) throw EQDBNoFile(qmNoFile);
    stream.Clear();
    if (FKeys.Count() == 0) {
        NoData();
        return;
    }
    if (FFindFailed) throw EQDBBadKey(qmBadKey, FFailedKey);
    const std::string key = FKeys.Key(FCurrent);
    if (FCache.Get(key, stream)) {
        if (stream.GetSize() <= maxSize) return;
        stream.Clear();
        NotValid();
    }
    ReadItemBytes(FKeys.Object(FCurrent), stream, maxSize);
    FCache.Add(key, stream);
    stream.SetPosition(0);
}

bool TQDB::GetItemByKey(const std::string& key, TMemoryStream& stream, int64_t maxSize) {
    if (!FOpen) throw EQDBNoFile(qmNoFile);
    if (!FindKey(key)) {
        stream.Clear();
        return false;
    }
    GetItem(stream, maxSize);
    return true;
}

void TQDB::ReadItemBytes(const TIndex& index, TMemoryStream& stream, int64_t maxSize) {
    try {
        FData->SetPosition(index.Offset);
        if (index.Flags & ifCompressed) {
            Expand(*FData, stream, index.Size, FFileName, std::min(maxSize, kMaxExpandedSize));
        } else {
            if (index.Size > maxSize) NotValid();
            stream.SetSize(index.Size);
            if (FData->Read(stream.Memory(), index.Size) != index.Size) NotValid();
        }
    } catch (const EQDBNoCompress&) {
        throw;
    } catch (const Exception&) {
        stream.Clear();
        throw EQDBIndexError(qmNotValid, FFileName);
    }
    stream.SetPosition(0);
}

std::string TQDB::GetKey(int index) {
    if (FKeys.Count() == 0) {
        NoData();
        return std::string();
    }
    if (index < 0 || index >= FKeys.Count()) {
        OutOfBounds();
        return std::string();
    }
    return FKeys.Key(index);
}

void TQDB::GoToItem(int index) {
    if (FKeys.Count() == 0) {
        NoData();
        return;
    }
    if (index < 0 || index >= FKeys.Count()) {
        OutOfBounds();
        return;
    }
    FCurrent = index;
    FCurrentKey = FKeys.Key(index);
    FFindFailed = false;
    if (FUpdateCount <= 0) Fire(OnNavigate);
}

void TQDB::EndUpdate() {
    if (FUpdateCount <= 0) return;
    if (--FUpdateCount == 0) Fire(OnNavigate);
}

// ---- packing

void TQDB::Pack() {
    if (!FOpen) throw EQDBNoFile(qmNoFile);
    if (FReadOnly) {
        ReadOnlyWarning();
        return;
    }
    const int remembered = FCurrent;
    const std::string packed = MakeTempFile(FWorkFolder, "QDB");
    StartProgress(FKeys.Count(), poPack);
    // New offsets are applied only once the packed file is in place, so a
    // failure leaves every entry pointing into the old data.
    std::vector<int32_t> adminOffsets, dataOffsets;
    try {
        TWorkFile out(packed, fmOpenReadWrite);
        std::vector<uint8_t> buf;
        auto copy = [&](const TIndex& e) {
            auto at = static_cast<int32_t>(out.GetPosition());
            FData->SetPosition(e.Offset);
            for (int64_t done = 0; done < e.Size;) {
                int64_t n = std::min<int64_t>(kCopyChunk, e.Size - done);
                buf.resize(static_cast<size_t>(n));
                if (FData->Read(buf.data(), n) != n) throw EQDBIndexError(qmNotValid, FFileName);
                out.WriteBuffer(buf.data(), n);
                done += n;
            }
            return at;
        };
        for (int i = 0; i < FAdmin.Count(); ++i) adminOffsets.push_back(copy(FAdmin.Object(i)));
        for (int i = 0; i < FKeys.Count(); ++i) {
            dataOffsets.push_back(copy(FKeys.Object(i)));
            ProgressPoint(i + 1);
        }
    } catch (...) {
        ::unlink(packed.c_str());
        throw;
    }
    PutInPlace(packed, FDataName);
    for (int i = 0; i < FAdmin.Count(); ++i) FAdmin.Object(i).Offset = adminOffsets[i];
    for (int i = 0; i < FKeys.Count(); ++i) FKeys.Object(i).Offset = dataOffsets[i];
    FModified = true;
    FDirty = true;
    FData = std::make_unique<TWorkFile>(FDataName, fmOpenReadWrite);
    if (FKeys.Count() > 0) GoToItem(remembered);
    EndProgress();
}

// ---- filter

void TQDB::SetFilter(const std::string& filter) { FFilter = filter.substr(0, kMaxKeyLength); }

bool TQDB::MatchesFilter(const std::string& key) const {
    if (FFilter.empty()) return true;
    if (FUseGrepMatch) return GrepMatch(FFilter, key, FKeys.CaseSensitive());
    return SimpleMatch(FFilter, key, FKeys.CaseSensitive(), FStartAnchor, FEndAnchor);
}

// ---- warnings and progress

void TQDB::NoData() {
    if (WarnNoData) WarnNoData(this);
    else throw EQDBNoData(qmEmpty, FFileName);
}

void TQDB::OutOfBounds() {
    if (WarnOutOfBounds) WarnOutOfBounds(this);
    else throw EQDBOutOfBounds(qmOutOfBounds, FFileName);
}

void TQDB::ReadOnlyWarning() {
    if (WarnReadOnly) WarnReadOnly(this);
    else throw EQDBReadOnly(qmReadOnly, FFileName);
}

void TQDB::NotValid() const { throw EQDBIndexError(qmNotValid, FFileName); }

void TQDB::StartProgress(int64_t count, TProgressOrigin kind) {
    FProgressStep = count / 10 + 1;
    FProgressKind = kind;
}

void TQDB::ProgressPoint(int64_t i) {
    if (ProgressUpdate && i % FProgressStep == 0)
        ProgressUpdate(this, static_cast<int>(i * 10 / FProgressStep), FProgressKind);
}

void TQDB::EndProgress() {
    if (ProgressUpdate) ProgressUpdate(this, 0, FProgressKind);
}
