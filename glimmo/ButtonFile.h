#pragma once
// Button parameter files (".glw"): a keyed-blob container holding the
// rendered button as a JPEG thumbnail ("pgimage1"), the bitmap or plasma
// fill picture in use ("pgimage2" / "pgimage3"), the settings as text lines
// ("settings", "textblock") and the caption lines ("memo").
//
// A save replaces the file only when it is complete; a load reads and
// checks the whole file into a new value and changes nothing when any part
// of it is damaged.
#include <memory>
#include <string>

#include "glimmo/ButtonDesign.h"

class TButtonRenderer;
class TPixelGraphic;

// What the main form keeps beside its renderer that a parameter file stores.
struct TButtonFormState {
    std::string BitmapFileName;                  // the bitmap open dialog's file name
    bool Unique = false;                         // the hidden "Unique" box
    std::shared_ptr<TPixelGraphic> BitmapImage;  // the bitmap fill's picture (PGImage2); null: none yet
};

// Everything a parameter file holds apart from the thumbnail.
struct TButtonParameters {
    // Design.FillImage is not stored: a load rebuilds it by the fill mode.
    TButtonDesign Design;
    TButtonFormState Form;
    std::shared_ptr<TPixelGraphic> PlasmaImage;  // the plasma fill's picture; null: none
};

// Value level. Writes the file: the thumbnail from button, the bitmap
// picture in bitmap fill mode, the plasma picture in plasma fill mode (a
// picture under 2 pixels wide as BMP, else PNG), then the text items.
void WriteButtonFile(const std::string& fileName, const TButtonParameters& parameters, TPixelGraphic& button);
// Reads a whole file into a new value. Lines that older files lack keep the
// values of current; numbers are limited to their controls' ranges. Raises
// when the file, an item or a line is damaged (EQDBFileError for a missing file).
TButtonParameters ReadButtonFile(const std::string& fileName, const TButtonParameters& current);

// Main-form level: the design, plasma picture and preview of renderer and
// the form's own state.
void SaveButtonParameters(const std::string& fileName, TButtonRenderer& renderer, const TButtonFormState& form);
// Reads the file, then applies it in one step: the design (with the fill
// image rebuilt by its fill mode and the bevel offset for its size), the
// pictures, and a forced render at the design's own size.
void LoadButtonParameters(const std::string& fileName, TButtonRenderer& renderer, TButtonFormState& form);
