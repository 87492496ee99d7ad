#include "store/QDBMatch.h"

#include <bitset>
#include <vector>

namespace qdb {

namespace {

inline char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }
inline char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }
inline bool IsLetter(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
inline bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
inline bool IsSpace(unsigned char c) { return c == ' ' || (c >= 9 && c <= 13); }
inline bool IsWordChar(unsigned char c) { return IsLetter(c) || IsDigit(c) || c == '_'; }

std::string Upper(std::string s) {
    for (char& c : s) c = UpperAscii(c);
    return s;
}

enum TGrepCode { gcLiteral, gcAny, gcClass, gcKeyStart, gcKeyEnd, gcWordStart, gcWordEnd };

struct TGrepElement {
    TGrepElement(TGrepCode code, unsigned char ch = 0) : Code(code), Char(ch) {}
    TGrepCode Code;
    unsigned char Char;
    std::bitset<256> Set;
};

using TCharTest = bool (*)(unsigned char);

TGrepElement ClassOf(TCharTest test) {
    TGrepElement e(gcClass);
    for (int c = 0; c < 256; ++c) e.Set[c] = test(static_cast<unsigned char>(c));
    return e;
}

bool IsAlnum(unsigned char c) { return IsLetter(c) || IsDigit(c); }

// Compiles pattern; false for an invalid one.
bool Compile(const std::string& p, bool caseSensitive, std::vector<TGrepElement>& out) {
    size_t n = p.size(), i = 0;
    if (n > 0 && (p[0] == '^' || p[0] == '%')) {
        out.emplace_back(p[0] == '^' ? gcKeyStart : gcWordStart);
        i = 1;
    }
    while (i < n) {
        char c = p[i];
        bool last = i == n - 1;
        if ((c == '$' || c == '&') && last) {
            out.emplace_back(c == '$' ? gcKeyEnd : gcWordEnd);
            ++i;
        } else if (c == '$' || c == '&' || c == '^' || c == '%') {
            return false;
        } else if (c == '.') {
            out.emplace_back(gcAny);
            ++i;
        } else if (c == '\\' || c == ':') {
            if (last) return false;
            char next = p[i + 1];
            if (c == '\\') {
                out.emplace_back(gcLiteral, static_cast<unsigned char>(caseSensitive ? next : LowerAscii(next)));
            } else if (next == 'a') {
                out.push_back(ClassOf(IsLetter));
            } else if (next == 'd') {
                out.push_back(ClassOf(IsDigit));
            } else if (next == 'n') {
                out.push_back(ClassOf(IsAlnum));
            } else if (next == ' ') {
                out.push_back(ClassOf(IsSpace));
            } else {
                return false;
            }
            i += 2;
        } else if (c == '[') {
            size_t j = i + 1;
            bool complement = j < n && p[j] == '^';
            if (complement) ++j;
            TGrepElement e(gcClass);
            while (j < n && p[j] != ']') {
                auto lo = static_cast<unsigned char>(p[j]);
                if (j + 2 < n && p[j + 1] == '-' && p[j + 2] != ']') {
                    auto hi = static_cast<unsigned char>(p[j + 2]);
                    for (int k = lo; k <= hi; ++k) e.Set[k] = true;
                    j += 3;
                } else {
                    e.Set[lo] = true;
                    ++j;
                }
            }
            if (j >= n) return false;  // no closing bracket
            if (!caseSensitive) {
                // Both cases of every letter, so "[^e]" also refuses "E".
                for (int k = 'a'; k <= 'z'; ++k)
                    if (e.Set[k] || e.Set[k - 32]) e.Set[k] = e.Set[k - 32] = true;
            }
            if (complement) e.Set.flip();
            out.push_back(e);
            i = j + 1;
        } else {
            out.emplace_back(gcLiteral, static_cast<unsigned char>(caseSensitive ? c : LowerAscii(c)));
            ++i;
        }
    }
    return true;
}

bool MatchAt(const std::vector<TGrepElement>& code, const std::string& key, size_t pos, bool caseSensitive) {
    size_t n = key.size();
    auto at = [&](size_t i) { return static_cast<unsigned char>(key[i]); };
    for (const TGrepElement& e : code) {
        switch (e.Code) {
            case gcKeyStart:
                if (pos != 0) return false;
                break;
            case gcKeyEnd:
                if (pos != n) return false;
                break;
            case gcWordStart:
                if (pos >= n || !IsWordChar(at(pos)) || (pos > 0 && IsWordChar(at(pos - 1)))) return false;
                break;
            case gcWordEnd:
                if (pos == 0 || !IsWordChar(at(pos - 1)) || (pos < n && IsWordChar(at(pos)))) return false;
                break;
            case gcAny:
                if (pos >= n) return false;
                ++pos;
                break;
            case gcLiteral: {
                if (pos >= n) return false;
                unsigned char k = caseSensitive ? at(pos) : static_cast<unsigned char>(LowerAscii(key[pos]));
                if (k != e.Char) return false;
                ++pos;
                break;
            }
            case gcClass: {
                if (pos >= n) return false;
                if (!e.Set[at(pos)]) return false;
                ++pos;
                break;
            }
        }
    }
    return true;
}

}  // namespace

bool SimpleMatch(const std::string& pattern, const std::string& key, bool caseSensitive, char startAnchor,
                 char endAnchor) {
    std::string rest = caseSensitive ? pattern : Upper(pattern);
    std::string k = caseSensitive ? key : Upper(key);
    bool atStart = !rest.empty() && rest.front() == startAnchor;
    if (atStart) rest.erase(0, 1);
    bool atEnd = !rest.empty() && rest.back() == endAnchor;
    if (atEnd) rest.pop_back();
    if (rest.empty()) return true;
    if (atStart && atEnd) return k.find(rest) != std::string::npos;
    if (atEnd) return k.compare(0, rest.size(), rest) == 0;
    if (atStart) return k.size() >= rest.size() && k.compare(k.size() - rest.size(), rest.size(), rest) == 0;
    return k == rest;
}

bool GrepMatch(const std::string& pattern, const std::string& key, bool caseSensitive) {
    std::vector<TGrepElement> code;
    if (!Compile(pattern, caseSensitive, code)) return false;
    for (size_t pos = 0; pos <= key.size(); ++pos)
        if (MatchAt(code, key, pos, caseSensitive)) return true;
    return false;
}

}  // namespace qdb
