// The paste path: any block on the clipboard under the packed-DIB type is
// read into a picture or refused with the library's exceptions; a picture
// that reads goes back to the clipboard and pastes again unchanged.
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <cstdint>
#include <cstdlib>

#include "FuzzPicture.h"
#include "image/PGClipboard.h"
#include "image/PGFormats.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static int argc = 1;
    static char name[] = "clipboard_fuzz";
    static char* argv[] = {name, nullptr};
    static QGuiApplication* app =
        (qputenv("QT_QPA_PLATFORM", "offscreen"), InitPixelGraphicLibrary(), new QGuiApplication(argc, argv));
    (void)app;
    auto* mime = new QMimeData;
    mime->setData(PGPackedDIBMimeType, QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    QGuiApplication::clipboard()->setMimeData(mime);
    if (!ClipboardHasGraphic()) std::abort();

    TPixelGraphic pasted;
    try {
        PasteGraphicFromClipboard(pasted);
    } catch (const Exception&) {
        return 0;
    }
    // Only pictures of some size are worth the round trip.
    if (int64_t(pasted.GetWidth()) * pasted.GetHeight() > 4096 * 4096) return 0;
    CopyGraphicToClipboard(pasted);
    TPixelGraphic again;
    PasteGraphicFromClipboard(again);
    if (!SamePixels(pasted, again)) std::abort();
    return 0;
}
