#pragma once
// An ordered list of text lines; its text form joins lines with CRLF, as the
// parameter files store them.
#include <string>
#include <vector>

#include "platform/Streams.h"

class TStringList {
public:
    TStringList() = default;
    TStringList(std::initializer_list<std::string> lines) : FLines(lines) {}

    int Count() const { return static_cast<int>(FLines.size()); }
    void Add(const std::string& s) { FLines.push_back(s); }
    void Insert(int index, const std::string& s);
    void Delete(int index);
    void Clear() { FLines.clear(); }
    // Raises EListError "List index out of bounds (i)" outside 0..Count-1.
    const std::string& Get(int index) const;
    void Put(int index, const std::string& s);
    const std::string& operator[](int index) const { return Get(index); }
    int IndexOf(const std::string& s) const;  // exact match, -1 when absent

    // Lines joined, each followed by CRLF.
    std::string GetText() const;
    // Splits at CR, LF or CRLF; a final line break adds no empty line.
    void SetText(const std::string& text);
    void LoadFromStream(TStream& s);  // from the current position to the end
    void SaveToStream(TStream& s) const;

    const std::vector<std::string>& Lines() const { return FLines; }
    std::vector<std::string>& Lines() { return FLines; }
    bool operator==(const TStringList& o) const { return FLines == o.FLines; }

private:
    std::vector<std::string> FLines;
};
