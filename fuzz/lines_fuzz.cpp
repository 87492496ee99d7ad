// Line splitting of the text items: any bytes split into lines that hold no
// line break, the text of those lines splits back into them, and reading a
// stream splits what the stream holds from its position on.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/StringList.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    TStringList lines;
    lines.SetText(text);
    for (const std::string& l : lines.Lines())
        if (l.find_first_of("\r\n") != std::string::npos) std::abort();
    TStringList again;
    again.SetText(lines.GetText());
    if (!(again == lines)) std::abort();

    const size_t skip = size ? data[0] % (size + 1) : 0;
    TMemoryStream stream(std::vector<uint8_t>(data, data + size));
    stream.SetPosition(static_cast<int64_t>(skip));
    TStringList read;
    read.LoadFromStream(stream);
    TStringList expected;
    expected.SetText(text.substr(skip));
    if (!(read == expected)) std::abort();

    TMemoryStream out;
    lines.SaveToStream(out);
    if (std::string(out.Data().begin(), out.Data().end()) != lines.GetText()) std::abort();
    return 0;
}
