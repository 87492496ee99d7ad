#include "image/PGDialogFilters.h"

#include <QFileInfo>
#include <cctype>

#include "image/PGMessages.h"
#include "platform/Streams.h"

namespace {

std::string Trimmed(const std::string& s) {
    const size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return std::string();
    const size_t e = s.find_last_not_of(" \t");
    return s.substr(b, e - b + 1);
}

std::string Cased(std::string s, bool upper) {
    for (char& c : s)
        c = static_cast<char>(upper ? std::toupper(static_cast<unsigned char>(c))
                                    : std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// The single patterns of an entry ("*.bmp; *.dib" -> "*.bmp", "*.dib").
std::vector<std::string> SplitPatterns(const std::string& pattern) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= pattern.size()) {
        size_t end = pattern.find(';', start);
        if (end == std::string::npos) end = pattern.size();
        const std::string p = Trimmed(pattern.substr(start, end - start));
        if (!p.empty()) parts.push_back(p);
        start = end + 1;
    }
    return parts;
}

template <typename T>
std::vector<TFileFormatReaderWriter*> Enabled(const std::vector<T*>& list) {
    std::vector<TFileFormatReaderWriter*> out;
    for (T* entry : list)
        if (entry->Enabled) out.push_back(entry);
    return out;
}

// "BMP - Bitmap|*.bmp|" for each entry.
std::string EntryTexts(const std::vector<TFileFormatReaderWriter*>& entries) {
    std::string text;
    for (const TFileFormatReaderWriter* e : entries) {
        const std::string ext = Cased(e->Extension, false);
        text += Cased(e->Extension, true) + " - " + e->Description + "|*." + ext + "|";
    }
    return text;
}

}  // namespace

std::vector<TFilterEntry> ParseFilter(const std::string& filter) {
    std::vector<TFilterEntry> entries;
    size_t pos = 0;
    while (pos < filter.size()) {
        const size_t bar = filter.find('|', pos);
        if (bar == std::string::npos) break;
        size_t end = filter.find('|', bar + 1);
        if (end == std::string::npos) end = filter.size();
        entries.push_back({filter.substr(pos, bar - pos), filter.substr(bar + 1, end - bar - 1)});
        pos = end + 1;
    }
    return entries;
}

QStringList FilterToNameFilters(const std::string& filter) {
    QStringList out;
    for (const TFilterEntry& e : ParseFilter(filter)) {
        std::string patterns;
        for (const std::string& p : SplitPatterns(e.Pattern))
            patterns += (patterns.empty() ? "" : " ") + (p == "*.*" ? std::string("*") : p);
        if (patterns.empty()) continue;
        out << QString::fromStdString(e.Description + " (" + patterns + ")");
    }
    return out;
}

std::vector<TFileFormatReaderWriter*> EnabledReaders() { return Enabled(FileFormatReaders()); }
std::vector<TFileFormatReaderWriter*> EnabledWriters() { return Enabled(FileFormatWriters()); }

std::string BuildOpenFilter() {
    const std::vector<TFileFormatReaderWriter*> readers = EnabledReaders();
    std::string text;
    if (!readers.empty()) {
        text = GetLangStr(25) + "|";
        for (size_t i = 0; i < readers.size(); ++i)
            text += (i ? "; " : "") + std::string("*.") + Cased(readers[i]->Extension, false);
        text += "|" + EntryTexts(readers);
    }
    return text + GetLangStr(26) + "|*.*";
}

std::string BuildSaveFilter() { return EntryTexts(EnabledWriters()); }

std::string PatternExtension(const std::string& pattern) {
    for (const std::string& p : SplitPatterns(pattern)) {
        if (p.size() < 3 || p.compare(0, 2, "*.") != 0) continue;
        const std::string ext = p.substr(2);
        if (ext.find_first_of("*?[") != std::string::npos) continue;
        return Cased(ext, false);
    }
    return std::string();
}

bool TypeChangedFileName(const std::string& path, const std::string& folder, const std::string& extension,
                         std::string& text) {
    if (extension.empty() || path.empty() || ExtractFileName(path).empty()) return false;
    if (QFileInfo(QString::fromStdString(path)).isDir()) return false;
    std::string changed = ExtractFileExt(path).empty() ? path + ".xxx" : path;
    changed = ChangeFileExt(changed, "." + extension);
    std::string base = folder;
    if (base.empty() || base.back() != '/') base += '/';
    if (ExtractFilePath(changed) == base) changed = ExtractFileName(changed);
    text = changed;
    return true;
}

std::string WithDefaultExtension(const std::string& fileName, const std::string& extension) {
    if (fileName.empty() || extension.empty() || !ExtractFileExt(fileName).empty()) return fileName;
    return fileName + "." + extension;
}
