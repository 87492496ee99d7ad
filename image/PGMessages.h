#pragma once
// The image library's message table: every message, caption and dialog label
// of the library is taken from it by number. Placeholders "%S1".."%S3" are
// filled by the FormatLangStr functions.
#include <cstdint>
#include <string>

constexpr int PGLangStrCount = 85;
constexpr int PGLangColumnCount = 6;

struct TPGLangStrEntry {
    int Number;
    const char* Text;  // English column
};

// The table, entry i holding number i.
extern const TPGLangStrEntry PGLangStrEntries[PGLangStrCount];

// Column of the table in use: 0 English (set at start-up, never changed).
extern uint8_t LanguageIndex;

// Text of entry n in the column LanguageIndex; empty for an unknown entry or
// column.
std::string GetLangStr(int n);

// GetLangStr(n) with the first "%S1" replaced by s1, the first "%S2" by s2,
// the first "%S3" by s3. Placeholders are located in the table's text only:
// an argument that itself holds "%S2" is not substituted again.
std::string FormatLangStr1(int n, const std::string& s1);
std::string FormatLangStr2(int n, const std::string& s1, const std::string& s2);
std::string FormatLangStr3(int n, const std::string& s1, const std::string& s2, const std::string& s3);

// Start-up check that entry i holds number i; raises EPixelGraphic otherwise.
void CheckLangStrOrder();
// The same check over any table (tests feed a broken one).
void CheckLangStrOrder(const TPGLangStrEntry* entries, int count);
