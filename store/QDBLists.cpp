#include "store/QDBLists.h"

#include "platform/MathUtil.h"

namespace qdb {

namespace {
inline unsigned char Fold(char c) {
    auto u = static_cast<unsigned char>(c);
    return u >= 'A' && u <= 'Z' ? static_cast<unsigned char>(u + 32) : u;
}
}  // namespace

int CompareKeys(const std::string& a, const std::string& b, bool caseSensitive) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        unsigned char x = Fold(a[i]), y = Fold(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    if (!caseSensitive) return 0;
    for (size_t i = 0; i < n; ++i) {
        // Same letter, other case: the lower-case (larger) byte first.
        auto x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x != y) return x > y ? -1 : 1;
    }
    return 0;
}

void TCacheList::Add(const std::string& key, TStream& stream) {
    int64_t size = stream.GetSize();
    if (size > FBudget || Contains(key)) return;
    while (size + FBytes > FBudget && EvictOldest()) {
    }
    TCache copy;
    copy.Bytes.resize(static_cast<size_t>(size));
    stream.SetPosition(0);
    stream.ReadBuffer(copy.Bytes.data(), size);
    stream.SetPosition(0);
    FItems.Add(key, std::move(copy));
    FAge.Add(key);
    FBytes += size;
    ++FLookups;
}

bool TCacheList::EvictOldest() {
    while (FAge.Count() > 0) {
        std::string key = FAge.Key(0);
        FAge.Delete(0);
        int at;
        if (FItems.Find(key, at)) {
            FBytes -= static_cast<int64_t>(FItems.Object(at).Bytes.size());
            FItems.Delete(at);
            ++FEvictions;
            return true;
        }
    }
    return false;
}

bool TCacheList::Get(const std::string& key, TMemoryStream& stream) {
    int at;
    if (!FItems.Find(key, at)) return false;
    stream.Data() = FItems.Object(at).Bytes;
    stream.SetPosition(0);
    int age = FAge.IndexOf(key);
    if (age >= 0) FAge.Delete(age);
    FAge.Add(key);
    ++FHits;
    ++FLookups;
    return true;
}

void TCacheList::Clear() {
    FItems.Clear();
    FAge.Clear();
    FBytes = 0;
    FLookups = FHits = FEvictions = 0;
}

void TCacheList::SetSize(int64_t budget) {
    FItems.Clear();
    FAge.Clear();
    FBytes = 0;
    FBudget = budget;
}

int TCacheList::HitPercentage() const {
    if (FLookups == 0) return 0;
    return static_cast<int>(Round(static_cast<double>(FHits) * 100.0 / static_cast<double>(FLookups)));
}

}  // namespace qdb
