// The store's key filters: any pattern against any key ends without harm,
// and a key is always found by itself: as the whole-key simple pattern and
// as the grep pattern that quotes each of its characters.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "store/QDBMatch.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    const bool caseSensitive = data[0] & 1;
    const char startAnchor = static_cast<char>(data[1]), endAnchor = static_cast<char>(data[2]);
    const std::string rest(reinterpret_cast<const char*>(data + 3), size - 3);
    const size_t cut = rest.find('\0');
    const std::string pattern = rest.substr(0, cut).substr(0, 255);
    const std::string key = cut == std::string::npos ? pattern : rest.substr(cut + 1).substr(0, 255);

    qdb::SimpleMatch(pattern, key, caseSensitive, startAnchor, endAnchor);
    qdb::GrepMatch(pattern, key, caseSensitive);

    // Anchors are looked for in the pattern as compared (upper-cased
    // without case sensitivity).
    auto compared = [&](char c) { return !caseSensitive && c >= 'a' && c <= 'z' ? char(c - 32) : c; };
    if (!key.empty() && compared(key.front()) != startAnchor && compared(key.back()) != endAnchor &&
        !qdb::SimpleMatch(key, key, caseSensitive, startAnchor, endAnchor))
        std::abort();
    std::string quoted;
    for (char c : key) quoted += std::string("\\") + c;
    if (!qdb::GrepMatch(quoted, key, caseSensitive) || !qdb::GrepMatch("^" + quoted + "$", key, caseSensitive))
        std::abort();
    return 0;
}
