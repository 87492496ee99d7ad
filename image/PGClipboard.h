#pragma once
// Pictures on the system clipboard. A picture travels as a packed DIB (the
// clipboard's CF_DIB block: info header, palette, bottom-up rows) under its
// own MIME type, so that these programs paste it back without loss, and as
// an image that other programs on the desktop can paste. Call these on the
// GUI thread.
#include <cstdint>
#include <vector>

#include "image/PGraphic.h"

// MIME type of the packed DIB on the clipboard.
extern const char* const PGPackedDIBMimeType;

// Puts the picture on the clipboard (its SaveToClipboardFormat block and
// the same picture as an image).
void CopyGraphicToClipboard(TPixelGraphic& graphic);
// Puts a block in a clipboard format on the clipboard, with the picture it
// holds as an image. Only CF_DIB blocks are known; any other format raises
// EPGUnknownClipboardFormat, a damaged block the BMP reader's exception.
void SetClipboardFormatData(int format, const std::vector<uint8_t>& data);
// True when the clipboard holds a packed DIB.
bool ClipboardHasGraphic();
// Reads the clipboard's packed DIB into the picture (LoadFromClipboardFormat);
// without one raises EPGUnknownClipboardFormat.
void PasteGraphicFromClipboard(TPixelGraphic& graphic);
