#include "artkit/JpegRendition.h"

#include "image/PGFormats.h"
#include "image/PGraphic.h"
#include "platform/Streams.h"

void MakeJpegRendition(TPixelGraphic& picture, int quality, std::vector<uint8_t>& encoded, TPixelGraphic& rendition) {
    TMemoryStream stream;
    SaveToStreamExtWithJpegQuality(picture, stream, "jpg", quality);
    stream.SetPosition(0);
    rendition.LoadFromStreamExt(stream, "jpg");
    encoded = std::move(stream.Data());
}
