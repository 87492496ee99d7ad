#include "platform/StringList.h"

void TStringList::Insert(int index, const std::string& s) {
    if (index < 0 || index > Count()) throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    FLines.insert(FLines.begin() + index, s);
}

void TStringList::Delete(int index) {
    if (index < 0 || index >= Count()) throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    FLines.erase(FLines.begin() + index);
}

const std::string& TStringList::Get(int index) const {
    if (index < 0 || index >= Count()) throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return FLines[static_cast<size_t>(index)];
}

void TStringList::Put(int index, const std::string& s) {
    if (index < 0 || index >= Count()) throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    FLines[static_cast<size_t>(index)] = s;
}

int TStringList::IndexOf(const std::string& s) const {
    for (size_t i = 0; i < FLines.size(); ++i)
        if (FLines[i] == s) return static_cast<int>(i);
    return -1;
}

std::string TStringList::GetText() const {
    std::string t;
    for (const auto& l : FLines) {
        t += l;
        t += "\r\n";
    }
    return t;
}

void TStringList::SetText(const std::string& text) {
    FLines.clear();
    size_t i = 0, n = text.size();
    while (i < n) {
        size_t j = i;
        while (j < n && text[j] != '\r' && text[j] != '\n') ++j;
        FLines.push_back(text.substr(i, j - i));
        if (j < n && text[j] == '\r') ++j;
        if (j < n && text[j] == '\n') ++j;
        i = j;
    }
}

void TStringList::LoadFromStream(TStream& s) {
    int64_t n = s.GetSize() - s.GetPosition();
    std::string text(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) s.ReadBuffer(text.data(), n);
    SetText(text);
}

void TStringList::SaveToStream(TStream& s) const {
    std::string t = GetText();
    s.WriteBuffer(t.data(), static_cast<int64_t>(t.size()));
}
