#include "store/QDBCipher.h"

#include <QCryptographicHash>
#include <cstring>

namespace qdb {

TDigest Digest(const std::string& text) {
    QByteArray h = QCryptographicHash::hash(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())),
                                            QCryptographicHash::Sha1);
    TDigest d{};
    std::memcpy(d.data(), h.constData(), d.size());
    return d;
}

TDigest PasswordKey(const std::string& password) { return Digest(password.substr(0, kMaxPasswordLength)); }

TDigest PasswordCheckValue(const std::string& password) {
    TDigest key = PasswordKey(password);
    return Digest(std::string(key.begin(), key.end()));
}

namespace {
inline uint32_t LoadLE(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline void StoreLE(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}
inline uint32_t NextState(uint32_t s) { return s * 1664525u + 1013904223u; }
}  // namespace

void Encipher(uint8_t* buffer, size_t length, const TDigest& key) {
    uint32_t state = 0;
    for (int i = 0; i < 5; ++i) state ^= LoadLE(key.data() + 4 * i);
    size_t words = length / 4;
    for (size_t i = 0; i < words; ++i) {
        state = NextState(state);
        uint8_t* p = buffer + 4 * i;
        StoreLE(p, LoadLE(p) ^ state);
    }
    for (size_t i = words * 4; i < length; ++i) {
        state = NextState(state);
        buffer[i] ^= static_cast<uint8_t>(state & 255);
    }
}

}  // namespace qdb
