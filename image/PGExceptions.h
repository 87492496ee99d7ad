#pragma once
// The image library's exception family: one class per kind of failure, all
// below EPixelGraphic, each carrying only its message (texts from the
// library's message table, see PGMessages.h).
#include "platform/Exception.h"

GW_DECLARE_EXCEPTION(EPixelGraphic, Exception)

// Pixel, palette, clipboard and size failures of the picture itself.
GW_DECLARE_EXCEPTION(EPGXYIndexOutOfRange, EPixelGraphic)
GW_DECLARE_EXCEPTION(EPGNoPalette, EPixelGraphic)
GW_DECLARE_EXCEPTION(EPGInvalidPaletteIndex, EPixelGraphic)
GW_DECLARE_EXCEPTION(EPGEmpty, EPixelGraphic)
GW_DECLARE_EXCEPTION(EPGInvalidBitCountNum, EPixelGraphic)
GW_DECLARE_EXCEPTION(EPGInvalidSize, EPixelGraphic)
GW_DECLARE_EXCEPTION(EPGUnknownClipboardFormat, EPixelGraphic)

// Format registry and saving.
GW_DECLARE_EXCEPTION(EPGCanWriteResolutionsEmpty, EPixelGraphic)
GW_DECLARE_EXCEPTION(EPGCannotWriteColorRes, EPixelGraphic)
GW_DECLARE_EXCEPTION(EPGFileFormatWritersEmpty, EPixelGraphic)
GW_DECLARE_EXCEPTION(EPGUnknownExtension, EPixelGraphic)
GW_DECLARE_EXCEPTION(EPGUnknownFileFormat, EPixelGraphic)

// One class per file format; their messages begin with the format's prefix.
GW_DECLARE_EXCEPTION(EPGBMPFileFormatReader, EPixelGraphic)
GW_DECLARE_EXCEPTION(EPGJPGFileFormatReaderWriter, EPixelGraphic)
GW_DECLARE_EXCEPTION(EPGPNGFileFormatReaderWriter, EPixelGraphic)
GW_DECLARE_EXCEPTION(EPGPCXFileFormatReader, EPixelGraphic)
GW_DECLARE_EXCEPTION(EPGPxMFileFormatReader, EPixelGraphic)
GW_DECLARE_EXCEPTION(EPGPxMFileFormatWriter, EPixelGraphic)
GW_DECLARE_EXCEPTION(EPGTGAFileFormatReader, EPixelGraphic)
GW_DECLARE_EXCEPTION(EPGTIFFileFormatReader, EPixelGraphic)
GW_DECLARE_EXCEPTION(EPGTIFFileFormatWriter, EPixelGraphic)

// Filters.
GW_DECLARE_EXCEPTION(EPGFilter, EPixelGraphic)
GW_DECLARE_EXCEPTION(EPGConvFilter, EPixelGraphic)

// The tile generator's colour conversion (saturation 0 with a hue given).
GW_DECLARE_EXCEPTION(EPGSaturationHue, EPixelGraphic)
