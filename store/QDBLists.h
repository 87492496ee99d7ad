#pragma once
// The store's in-memory lists: key lists (sorted or not, with or without
// regard to case), the index entries and the item cache with its byte budget.
#include <algorithm>
#include <cstdint>
#include <new>
#include <string>
#include <vector>

#include "platform/Streams.h"
#include "store/QDBError.h"

namespace qdb {

// Collation of keys: letters compare without regard to case first; with
// case sensitivity a lower-case letter then sorts before its capital. Sorting
// and searching use the same order.
int CompareKeys(const std::string& a, const std::string& b, bool caseSensitive);

// One item: where its bytes lie in the data section and how they are stored.
struct TIndex {
    int32_t Offset = 0;
    int32_t Size = 0;
    uint32_t Flags = 0;
};
enum : uint32_t { ifAdministrative = 1, ifCompressed = 2 };

constexpr int64_t kMaxListCapacity = 67108864;  // 4^13

// A list of (key, object) pairs.
template <typename T>
class TQDBStringList {
public:
    explicit TQDBStringList(bool sorted = false, bool caseSensitive = false)
        : FSorted(sorted), FCaseSensitive(caseSensitive) {}

    int Count() const { return static_cast<int>(FItems.size()); }
    bool Sorted() const { return FSorted; }
    void SetSorted(bool sorted) { FSorted = sorted; }
    bool CaseSensitive() const { return FCaseSensitive; }

    const std::string& Key(int i) const { return FItems[Checked(i)].Key; }
    T& Object(int i) { return FItems[Checked(i)].Object; }
    const T& Object(int i) const { return FItems[Checked(i)].Object; }

    // Sorted: inserts at its place (a duplicate raises EQDBListError 12);
    // unsorted: appends. Returns the entry's index.
    int Add(const std::string& key, T object = T()) {
        int at = Count();
        if (FSorted && Find(key, at)) throw EQDBListError(qmDuplicateKey);
        try {
            FItems.insert(FItems.begin() + at, TEntry{key, std::move(object)});
        } catch (const std::bad_alloc&) {
            throw EQDBListError(qmNoMemory);
        }
        return at;
    }

    void Delete(int i) { FItems.erase(FItems.begin() + Checked(i)); }
    void Clear() { FItems.clear(); }

    void SetCapacity(int64_t capacity) {
        if (capacity < Count() || capacity > kMaxListCapacity) throw EQDBListError(qmOutOfBounds);
        try {
            FItems.reserve(static_cast<size_t>(capacity));
        } catch (const std::bad_alloc&) {
            throw EQDBListError(qmNoMemory);
        }
    }

    // Binary search; index gets the match or the insertion point.
    bool Find(const std::string& key, int& index) const {
        int low = 0, high = Count() - 1;
        bool found = false;
        while (high >= low) {
            int mid = (low + high) / 2;
            int c = CompareKeys(FItems[mid].Key, key, FCaseSensitive);
            if (c < 0) {
                low = mid + 1;
            } else {
                high = mid - 1;
                if (c == 0) {
                    found = true;
                    low = mid;
                }
            }
        }
        index = low;
        return found;
    }

    // Linear search for unsorted lists; -1 when absent.
    int IndexOf(const std::string& key) const {
        for (int i = 0; i < Count(); ++i)
            if (CompareKeys(FItems[i].Key, key, FCaseSensitive) == 0) return i;
        return -1;
    }

    // Sorts the entries and flags the list as sorted; false when two keys are
    // equal in the list's collation (the list is sorted regardless).
    bool SortUnique() {
        auto less = [this](const TEntry& a, const TEntry& b) { return CompareKeys(a.Key, b.Key, FCaseSensitive) < 0; };
        std::stable_sort(FItems.begin(), FItems.end(), less);
        FSorted = true;
        for (size_t i = 1; i < FItems.size(); ++i)
            if (!less(FItems[i - 1], FItems[i])) return false;
        return true;
    }

    // Going case-insensitive drops every entry equal to its predecessor
    // without regard to case.
    void SetCaseSensitive(bool caseSensitive) {
        bool dropping = FCaseSensitive && !caseSensitive;
        FCaseSensitive = caseSensitive;
        if (!dropping) return;
        for (int i = Count() - 1; i >= 1; --i)
            if (CompareKeys(FItems[i].Key, FItems[i - 1].Key, false) == 0) Delete(i);
    }

private:
    struct TEntry {
        std::string Key;
        T Object;
    };
    int Checked(int i) const {
        if (i < 0 || i >= Count()) throw EQDBListError(qmOutOfBounds);
        return i;
    }
    std::vector<TEntry> FItems;
    bool FSorted;
    bool FCaseSensitive;
};

using TIndexList = TQDBStringList<TIndex>;

// One cached item: a copy of its plain bytes.
struct TCache {
    std::vector<uint8_t> Bytes;
};

// Keys of the cache, oldest first.
struct TNoObject {};
using TAgeList = TQDBStringList<TNoObject>;

// Item cache keyed case-sensitively, bounded by a byte budget; the oldest
// entries are evicted first.
class TCacheList {
public:
    explicit TCacheList(int64_t budget = 65536) : FBudget(budget) {}

    // Copies the stream (from its start) into the cache unless it is larger
    // than the budget; the stream is rewound.
    void Add(const std::string& key, TStream& stream);
    // Copies a cached item into stream (emptied first) and rewinds it; false
    // when the key is not cached.
    bool Get(const std::string& key, TMemoryStream& stream);
    bool Contains(const std::string& key) const {
        int at;
        return FItems.Find(key, at);
    }
    void Clear();
    // Empties the cache and takes the new budget.
    void SetSize(int64_t budget);
    int64_t Size() const { return FBudget; }
    void ResetCounters() { FHits = FLookups = FEvictions = 0; }
    int HitPercentage() const;

    int64_t BytesCached() const { return FBytes; }
    int64_t Lookups() const { return FLookups; }
    int64_t Hits() const { return FHits; }
    int64_t Evictions() const { return FEvictions; }
    int Count() const { return FItems.Count(); }

private:
    bool EvictOldest();
    TQDBStringList<TCache> FItems{true, true};
    TAgeList FAge{false, true};
    int64_t FBudget;
    int64_t FBytes = 0;
    int64_t FLookups = 0;
    int64_t FHits = 0;
    int64_t FEvictions = 0;
};

}  // namespace qdb
