// Expands the input as a compressed item (only the store's own error may come
// out), and checks that compressing the input expands back to it.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "store/QDBCompress.h"
#include "store/QDBError.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    {
        TReadOnlyMemoryStream in(data, static_cast<int64_t>(size));
        TMemoryStream out;
        try {
            qdb::Expand(in, out, static_cast<int64_t>(size));
        } catch (const EQDBIndexError&) {
        }
    }
    TReadOnlyMemoryStream plain(data, static_cast<int64_t>(size));
    TMemoryStream packed, back;
    int64_t n = qdb::Compress(plain, packed);
    if (n != packed.GetSize()) std::abort();
    packed.SetPosition(0);
    qdb::Expand(packed, back, n);
    if (back.GetSize() != static_cast<int64_t>(size) || (size && std::memcmp(back.Memory(), data, size) != 0))
        std::abort();
    return 0;
}
