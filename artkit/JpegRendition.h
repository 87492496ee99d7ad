#pragma once
// The JPEG rendition of a picture at a quality: the encoded bytes (what a
// save at that quality writes) and the picture they decode to. Done in
// memory, so the bytes shown and measured are the bytes saved.
#include <cstdint>
#include <vector>

class TPixelGraphic;

// Encodes picture at quality (0..100; the library-wide quality stays) into
// encoded, then decodes those bytes into rendition.
void MakeJpegRendition(TPixelGraphic& picture, int quality, std::vector<uint8_t>& encoded, TPixelGraphic& rendition);
