#include "image/PGMessages.h"

#include "image/PGExceptions.h"

uint8_t LanguageIndex = 0;

// Only the English texts are carried; the other columns of the original
// table are never selected.
const TPGLangStrEntry PGLangStrEntries[PGLangStrCount] = {
    {0, ""},
    {1, "X, Y index out of range"},
    {2, "No palette"},
    {3, "Invalid palette index"},
    {4, "Unknown clipboard format"},
    {5, "Invalid temporary file"},
    {6, "Unknown file format"},
    {7, "%S1 invalid"},
    {8, "black and white"},
    {9, "2 colors"},
    {10, "16 shades of gray"},
    {11, "16 system colors"},
    {12, "16 colors"},
    {13, "256 shades of gray"},
    {14, "256 colors"},
    {15, "16.7 million colors"},
    {16, "%S1 is empty"},
    {17,
     "The graphic cannot be saved to a %S1 file with the current color resolution (%S2).\r\r"
     "The graphic will be saved with a different color resolution (%S3)."},
    {18, "The graphic cannot be saved with to a %S1 file with the current color resolution (%S2)"},
    {19, "Unknown file extension \"%S1\""},
    {20, "Invalid value for %S1"},
    {21, "Negative height"},
    {22, "Negative width"},
    {23, "Cannot apply this filter to a source that is identical to the target"},
    {24, "bit"},
    {25, "Image files"},
    {26, "All files"},
    {27, "Invalid size of %S1"},
    {28, "Warning"},
    {29, "Operation aborted on user request"},
    {30, "Not supported subformat"},
    {31, "%S1 failed"},
    {32, "Unexpected end of file"},
    {33, "Unknown subformat"},
    {34, "Not a %S1 file"},
    {35, "Width = 0 or Height = 0"},
    {36, "Invalid color resolution"},
    {37, "Unsupported field type %S1"},
    {38, "Invalid count of bytes in row %S1"},
    {39, "Unsupported Compression"},
    {40, "Saturation=0 and Hue defined"},
    {41, "%S1 out of range"},
    {42, "OK"},
    {43, "Cancel"},
    {44, "RGB Filter"},
    {45, "R"},
    {46, "G"},
    {47, "B"},
    {48, "CMY Filter"},
    {49, "C"},
    {50, "M"},
    {51, "Y"},
    {52, "YCbCr Filter"},
    {53, "Y"},
    {54, "Cb"},
    {55, "Cr"},
    {56, "HLS Filter"},
    {57, "H"},
    {58, "L"},
    {59, "S"},
    {60, "HSV Filter"},
    {61, "V"},
    {62, "Negative Filter"},
    {63, "Gamma"},
    {64, "RGB"},
    {65, "Y"},
    {66, "Brightness"},
    {67, "Contrast"},
    {68, "Apply on"},
    {69, "Brightness, Contrast, Gamma Filter"},
    {70, "Grayscale Filter"},
    {71, "RGB weighting"},
    {72, "Std. deviation"},
    {73, "Strength"},
    {74, "Sharpen"},
    {75, "Detail"},
    {76, "Smooth"},
    {77, "Radius"},
    {78, "Blur"},
    {79, "Contour"},
    {80, "White"},
    {81, "Black"},
    {82, "\xC2\xB1"},  // plus-minus sign
    {83, "\xC2\xB0"},  // degree sign
    {84, ""},
};

std::string GetLangStr(int n) {
    if (n < 0 || n >= PGLangStrCount) return std::string();
    switch (LanguageIndex) {
        case 0:
        case 1:
        case 2:
        case 3:
        case 4: return PGLangStrEntries[n].Text;
        case 5:  // the sixth column holds only the file-filter name
            return n == 25 ? PGLangStrEntries[n].Text : std::string();
        default: return std::string();
    }
}

namespace {
std::string FormatLangStr(int n, const std::string* args, int count) {
    const std::string text = GetLangStr(n);
    // Find each placeholder in the table's text first, then splice the
    // arguments in by position: arguments are never searched.
    struct Hole {
        size_t Pos;
        int Arg;
    };
    Hole holes[3];
    int holeCount = 0;
    for (int i = 0; i < count; ++i) {
        const std::string tag = "%S" + std::to_string(i + 1);
        const size_t p = text.find(tag);
        if (p != std::string::npos) holes[holeCount++] = {p, i};
    }
    for (int i = 1; i < holeCount; ++i)
        for (int j = i; j > 0 && holes[j].Pos < holes[j - 1].Pos; --j) std::swap(holes[j], holes[j - 1]);
    std::string out;
    size_t from = 0;
    for (int i = 0; i < holeCount; ++i) {
        out.append(text, from, holes[i].Pos - from);
        out += args[holes[i].Arg];
        from = holes[i].Pos + 3;
    }
    out.append(text, from, std::string::npos);
    return out;
}
}  // namespace

std::string FormatLangStr1(int n, const std::string& s1) { return FormatLangStr(n, &s1, 1); }

std::string FormatLangStr2(int n, const std::string& s1, const std::string& s2) {
    const std::string args[2] = {s1, s2};
    return FormatLangStr(n, args, 2);
}

std::string FormatLangStr3(int n, const std::string& s1, const std::string& s2, const std::string& s3) {
    const std::string args[3] = {s1, s2, s3};
    return FormatLangStr(n, args, 3);
}

void CheckLangStrOrder(const TPGLangStrEntry* entries, int count) {
    for (int i = 0; i < count; ++i)
        if (entries[i].Number != i)
            throw EPixelGraphic("PGLangStrEntries order wrong " + std::to_string(i) + " and " +
                                std::to_string(entries[i].Number) + " are not identical");
}

void CheckLangStrOrder() { CheckLangStrOrder(PGLangStrEntries, PGLangStrCount); }
