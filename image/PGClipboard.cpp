#include "image/PGClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include "image/PGFormats.h"
#include "image/PGMessages.h"

const char* const PGPackedDIBMimeType = "image/x-dib";

namespace {

QClipboard* Clipboard() {
    QClipboard* c = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::clipboard()
                                                                                 : nullptr;
    if (!c) throw EPGUnknownClipboardFormat(GetLangStr(4));
    return c;
}

void Publish(const std::vector<uint8_t>& dib, const QImage& image) {
    QClipboard* clipboard = Clipboard();
    auto* mime = new QMimeData;
    mime->setData(PGPackedDIBMimeType,
                  QByteArray(reinterpret_cast<const char*>(dib.data()), static_cast<qsizetype>(dib.size())));
    mime->setImageData(image);
    clipboard->setMimeData(mime);  // the clipboard owns it
}

}  // namespace

void CopyGraphicToClipboard(TPixelGraphic& graphic) {
    TMemoryStream block;
    int format = 0;
    graphic.SaveToClipboardFormat(format, block);
    Publish(block.Data(), graphic.ToQImage());
}

void SetClipboardFormatData(int format, const std::vector<uint8_t>& data) {
    TPixelGraphic picture;
    TReadOnlyMemoryStream block(data.data(), static_cast<int64_t>(data.size()));
    picture.LoadFromClipboardFormat(format, &block);
    Publish(data, picture.ToQImage());
}

bool ClipboardHasGraphic() {
    const QMimeData* mime = Clipboard()->mimeData();
    return mime && mime->hasFormat(PGPackedDIBMimeType);
}

void PasteGraphicFromClipboard(TPixelGraphic& graphic) {
    const QMimeData* mime = Clipboard()->mimeData();
    if (!mime || !mime->hasFormat(PGPackedDIBMimeType)) throw EPGUnknownClipboardFormat(GetLangStr(4));
    const QByteArray data = mime->data(PGPackedDIBMimeType);
    TReadOnlyMemoryStream block(data.constData(), data.size());
    graphic.LoadFromClipboardFormat(CF_DIB, &block);
}
