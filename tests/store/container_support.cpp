#include "ContainerBuilder.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include <gtest/gtest.h>

#include "store/QDBCipher.h"

namespace qdbtest {

namespace {
std::string Section(std::string bytes, const std::string& password) {
    if (password.empty()) return bytes;
    qdb::TDigest key = qdb::PasswordKey(password);
    size_t chunk = std::clamp<size_t>(bytes.size(), 1024, 524288);
    for (size_t at = 0; at < bytes.size(); at += chunk) {
        size_t n = std::min(chunk, bytes.size() - at);
        qdb::Encipher(reinterpret_cast<uint8_t*>(&bytes[at]), n, key);
    }
    return bytes;
}

int32_t ReadInt32(const std::string& b, size_t& pos) {
    if (pos + 4 > b.size()) throw std::runtime_error("truncated");
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= uint32_t(uint8_t(b[pos + i])) << (8 * i);
    pos += 4;
    return static_cast<int32_t>(v);
}

void Expect(const std::string& b, size_t& pos, const char* tag) {
    if (b.compare(pos, 4, std::string(tag, 4)) != 0) throw std::runtime_error(std::string("missing ") + tag);
    pos += 4;
}
}  // namespace

TMemoryStream Bytes(const std::string& s) { return TMemoryStream(std::vector<uint8_t>(s.begin(), s.end())); }

std::string Text(const TMemoryStream& m) { return std::string(m.Data().begin(), m.Data().end()); }

void Add(TQDB& db, const std::string& key, const std::string& bytes) {
    TMemoryStream m = Bytes(bytes);
    db.AddItem(key, m);
}

std::string Read(TQDB& db, const std::string& key) {
    TMemoryStream m;
    EXPECT_TRUE(db.GetItemByKey(key, m)) << key;
    return Text(m);
}

std::string Int32(int64_t v) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i) s[i] = static_cast<char>(uint32_t(v) >> (8 * i));
    return s;
}

std::string IndexBytes(const std::vector<TEntry>& entries) {
    std::string s = Int32(static_cast<int64_t>(entries.size()));
    for (const TEntry& e : entries) s += e.Key + '\0' + Int32(e.Offset) + Int32(e.Size) + Int32(e.Flags);
    return s;
}

std::string ContainerBytes(const std::string& data, const std::string& index, const std::string& password) {
    std::string s("QDB\0", 4);
    if (!password.empty()) {
        qdb::TDigest check = qdb::PasswordCheckValue(password);
        s += std::string("QPW\0", 4) + std::string(check.begin(), check.end());
    }
    s += Int32(static_cast<int64_t>(data.size())) + Section(data, password);
    s += std::string("QIX\0", 4) + Int32(static_cast<int64_t>(index.size())) + Section(index, password);
    return s;
}

std::string ContainerOf(const std::vector<std::pair<std::string, std::string>>& items, const std::string& password) {
    std::string data;
    std::vector<TEntry> entries;
    for (const auto& [key, bytes] : items) {
        entries.push_back({key, static_cast<int32_t>(data.size()), static_cast<int32_t>(bytes.size()), 0});
        data += bytes;
    }
    std::sort(entries.begin(), entries.end(), [](const TEntry& a, const TEntry& b) { return a.Key > b.Key; });
    return ContainerBytes(data, IndexBytes(entries), password);
}

TContainer ParseContainer(const std::string& bytes, const std::string& password) {
    TContainer c;
    size_t pos = 0;
    Expect(bytes, pos, "QDB\0");
    if (bytes.compare(pos, 4, std::string("QPW\0", 4)) == 0) {
        c.Protected = true;
        qdb::TDigest check = qdb::PasswordCheckValue(password);
        if (bytes.compare(pos + 4, 20, std::string(check.begin(), check.end())) != 0)
            throw std::runtime_error("wrong password");
        pos += 24;
    }
    auto section = [&]() {
        int32_t n = ReadInt32(bytes, pos);
        if (n < 0 || pos + size_t(n) > bytes.size()) throw std::runtime_error("bad section length");
        std::string s = bytes.substr(pos, size_t(n));
        pos += size_t(n);
        return c.Protected ? Section(s, password) : s;  // the key stream deciphers too
    };
    c.Data = section();
    Expect(bytes, pos, "QIX\0");
    std::string index = section();
    if (pos != bytes.size()) throw std::runtime_error("bytes after the index");
    size_t at = 0;
    int32_t count = ReadInt32(index, at);
    for (int32_t i = 0; i < count; ++i) {
        size_t zero = index.find('\0', at);
        if (zero == std::string::npos) throw std::runtime_error("unterminated key");
        TEntry e;
        e.Key = index.substr(at, zero - at);
        at = zero + 1;
        e.Offset = ReadInt32(index, at);
        e.Size = ReadInt32(index, at);
        e.Flags = static_cast<uint32_t>(ReadInt32(index, at));
        c.Entries.push_back(e);
    }
    return c;
}

std::string ItemBytes(const TContainer& c, const std::string& key) {
    for (const TEntry& e : c.Entries)
        if (e.Key == key) return c.Data.substr(size_t(e.Offset), size_t(e.Size));
    throw std::runtime_error("no item " + key);
}

}  // namespace qdbtest
