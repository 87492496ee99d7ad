#pragma once
// TQDB: a single file holding named binary items (keyed blobs) with an index,
// an item cache, optional per-item compression and an optional password.
//
// File layout (integers 32-bit little-endian):
//   "QDB\0" ["QPW\0" + 20-byte check value] data-length data "QIX\0"
//   index-length index
// The index is a count and entries (key, zero byte, offset, size, flags),
// administrative entries first, each group in descending key order.
//
// While a container is open for writing its data and index sections live in
// two work files in a private folder (a read-only store keeps them in
// memory); the container itself is read when opened and replaced as a whole,
// atomically, when a changed store is closed. An unchanged store leaves the
// file untouched. Savers of one file, in any process, lock it from the check
// whether someone else changed it to its replacement; a saver that finds it
// changed saves beside it under "1." + its name.
//
// Three ways to open:
//   omOpenOrCreate  the FileName property: opens the file, first creating an
//                   empty container when it is missing.
//   omReadExisting  readers: opens an existing file read-only; a missing file
//                   raises EQDBFileError "Could not find the file" and
//                   nothing is created.
//   omCreateNew     writers: starts an empty container; the file is replaced
//                   only by a successful Close(), never touched before.
//                   Opening refuses a target that Close() could not replace
//                   (a folder, pipe or device, a read-only file, a folder
//                   that cannot be written, a name too long).
// Only files are read or replaced; a link is read and saved through, and
// stays a link.
// Close() reports failures; the destructor never raises (it saves like
// Close() for omOpenOrCreate, and discards an omCreateNew store that was not
// closed).
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Streams.h"
#include "store/QDBCipher.h"
#include "store/QDBError.h"
#include "store/QDBFiles.h"
#include "store/QDBLists.h"

// Work files are made below this folder when it names an existing folder,
// else below the system's temporary folder.
void SetQDBWorkFolder(const std::string& folder);
std::string GetQDBWorkFolder();
// Clears the work-folder setting.
void InitializeQDB();

class TQDB {
public:
    enum TProgressOrigin { poLoadIndex = 0, poClose = 1, poWriteIndex = 2, poPack = 3 };
    enum TOpenMode { omOpenOrCreate, omReadExisting, omCreateNew };

    using TNotifyEvent = std::function<void(TQDB* Sender)>;
    using TProgressEvent = std::function<void(TQDB* Sender, int Percent, TProgressOrigin Kind)>;
    using TConfirmEvent = std::function<void(TQDB* Sender, bool& OK)>;
    using TPasswordEvent = std::function<void(TQDB* Sender, std::string& Password)>;

    static constexpr int kMaxKeyLength = 255;
    static constexpr const char* kCaseSensitiveKey = "QDBCaseSensitive";
    static constexpr int64_t kAnySize = INT64_MAX;

    TQDB();
    ~TQDB();
    TQDB(const TQDB&) = delete;
    TQDB& operator=(const TQDB&) = delete;

    // Writing closes the open container (raising on failure) and opens the
    // named one in omOpenOrCreate mode; ".QDB" is added to a name without
    // extension. The same name again does nothing; an empty name only closes.
    // A failed open leaves the name empty.
    const std::string& GetFileName() const { return FFileName; }
    void SetFileName(const std::string& name);
    // Closes what is open, then opens name in the given mode (fires
    // OnFileAssigned).
    void Open(const std::string& name, TOpenMode mode);
    // Writes a changed container back (atomically) and closes the store; does
    // nothing when none is open. On failure the store is closed all the same,
    // the old file is left as it was, and the error passes on. Two refusals
    // keep the store open with its items, so that Close() can be tried again:
    // EQDBFileError 6 when another saver holds the file longer than the lock
    // wait, and EQDBFileError 21 when the file was changed by someone else
    // and the next "1." name beside it would be too long.
    void Close();
    bool IsOpen() const { return FOpen; }
    TOpenMode OpenMode() const { return FMode; }

    // Adds the stream's whole content under key (keys compare without regard
    // to case unless the container says otherwise; a key is cut at a zero
    // byte and to 255 characters). A duplicate raises EQDBIndexError 12.
    void AddItem(TStream& stream, const std::string& key);
    void AddItem(const std::string& key, TStream& stream) { AddItem(stream, key); }
    // Makes the item of key current and fires OnFound; false when absent (the
    // current item stays, but GetItem then raises EQDBBadKey).
    bool FindKey(const std::string& key);
    // The current item's plain bytes into stream (emptied first), rewound.
    // An item of more than maxSize plain bytes is damaged data to a reader
    // that knows its items' sizes: EQDBIndexError 2, raised before memory
    // for the item is taken. A compressed item never expands past
    // qdb::kMaxExpandedSize.
    void GetItem(TMemoryStream& stream, int64_t maxSize = kAnySize);
    // FindKey + GetItem; false (stream empty) when the key is absent.
    bool GetItemByKey(const std::string& key, TMemoryStream& stream, int64_t maxSize = kAnySize);
    // Key of item index; the no-data or out-of-bounds warning and "" when
    // there is none.
    std::string GetKey(int index);
    void GoToItem(int index);

    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate();
    // Writes the in-memory index to the index work file when modified.
    void FlushIndex();
    // Copies the live items, in key order, into a fresh data work file.
    void Pack();

    int Count() const { return FItemCount; }
    int ItemIndex() const { return FCurrent; }
    const std::string& CurrentKey() const { return FCurrentKey; }
    bool Modified() const { return FModified; }
    bool CaseSensitive() const { return FKeys.CaseSensitive(); }

    // Applies the selected matcher with Filter to key (true when no filter).
    bool MatchesFilter(const std::string& key) const;

    const std::string& GetFilter() const { return FFilter; }
    void SetFilter(const std::string& filter);
    bool GetUseGrepMatch() const { return FUseGrepMatch; }
    void SetUseGrepMatch(bool v) { FUseGrepMatch = v; }
    bool GetCompression() const { return FCompression; }
    void SetCompression(bool v) { FCompression = v; }
    bool GetReadOnly() const { return FReadOnly; }
    // A store opened with omReadExisting stays read-only while open.
    void SetReadOnly(bool v) { FReadOnly = v || (FOpen && FMode == omReadExisting); }
    bool GetSaveOnClose() const { return FSaveOnClose; }
    void SetSaveOnClose(bool v) { FSaveOnClose = v; }
    int64_t GetCacheSize() const { return FCache.Size(); }
    void SetCacheSize(int64_t bytes) { FCache.SetSize(bytes); }
    // Cache hit percentage; writing any value resets the counters.
    int GetCacheFrequency() const { return FCache.HitPercentage(); }
    void SetCacheFrequency(int) { FCache.ResetCounters(); }
    std::string GetAboutVersion() const { return "2.00"; }

    TProgressEvent ProgressUpdate;
    TNotifyEvent WarnNoData;
    TNotifyEvent WarnOutOfBounds;
    TNotifyEvent WarnReadOnly;
    // Asked, with the file locked, whether a file changed by someone else
    // may be replaced; other savers of it wait meanwhile.
    TConfirmEvent BeforeOverWrite;
    TConfirmEvent BeforeKill;
    TNotifyEvent OnAdded;
    TNotifyEvent OnChanged;
    TNotifyEvent OnDeleted;
    TNotifyEvent OnKilled;
    TPasswordEvent OnDemandPassword;
    TNotifyEvent OnFileAssigned;
    TNotifyEvent OnFound;
    TNotifyEvent OnNavigate;

private:
    // Engine
    void CreateEmptyQDBFile();
    void ReadQDBFile(std::vector<uint8_t>& index);
    void LoadQDBIndex();
    void StartEmptyStore();
    void WriteIndexWorkFile();
    void WriteQDBFile();
    void ReleaseWork();
    void Discard();
    void ReadItemBytes(const qdb::TIndex& index, TMemoryStream& stream, int64_t maxSize);
    bool ReadAdminFlag(const std::string& key);

    // Warnings: the handler when assigned, else the exception.
    void NoData();
    void OutOfBounds();
    void ReadOnlyWarning();
    [[noreturn]] void NotValid() const;

    void StartProgress(int64_t count, TProgressOrigin kind);
    void ProgressPoint(int64_t i);
    void EndProgress();
    void Fire(const TNotifyEvent& e) {
        if (e) e(this);
    }

    static std::string ExpandName(const std::string& name);
    static std::string NormalizeKey(const std::string& key);

    qdb::TIndexList FKeys{true, false};
    qdb::TIndexList FAdmin{true, false};
    qdb::TCacheList FCache;

    std::string FFileName;
    qdb::TFileAge FFileAge;
    TOpenMode FMode = omOpenOrCreate;
    bool FOpen = false;
    bool FModified = false;     // the in-memory index is newer than the index work file
    bool FDirty = false;        // the work files differ from the container
    bool FSaveRefused = false;  // the last Close() kept the store open
    int FCurrent = 0;
    std::string FCurrentKey;
    int FCurrentAdmin = 0;
    int FItemCount = 0;
    bool FFindFailed = false;
    std::string FFailedKey;
    int FUpdateCount = 0;
    std::string FPassword;
    char FStartAnchor = '<';
    char FEndAnchor = '>';
    std::string FFilter;
    bool FUseGrepMatch = false;
    bool FCompression = false;
    bool FReadOnly = false;
    bool FSaveOnClose = true;
    int64_t FProgressStep = 1;
    TProgressOrigin FProgressKind = poLoadIndex;

    std::string FWorkFolder;
    std::string FDataName;
    std::string FIndexName;
    std::unique_ptr<TStream> FData;  // the data section: a work file, or memory when read-only
};
