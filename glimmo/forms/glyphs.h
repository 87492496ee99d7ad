#pragma once
// The pictures on the designer's buttons and in its style chooser, drawn at
// start-up: shape outlines, gradient swatches, caption style letters,
// alignment marks, zoom marks, and small plasma samples of each style.
// Glyphs have a key colour in their bottom-left pixel (drawn transparent).
#include <QChar>
#include <QImage>

class TImageList;

namespace glimmo {

// The transparent key colour of every glyph.
constexpr int GlyphKeyColor = 0xFF00FF;

// A shape button's glyph for a shape code.
QImage ShapeGlyph(int shapeCode);
// A gradient button's glyph for a TGradientStyle.
QImage GradientGlyph(int gradientStyle);
// A caption style button's face: the letter in the style it stands for
// ("I" italic, "U" underlined, "B" bold, "O" outlined), raised or pressed.
QImage StyleFace(QChar letter, bool down, int size);
// Alignment marks: horizontal (0 left, 1 centre, 2 right) or vertical
// (0 top, 1 centre, 2 bottom).
QImage HorzAlignGlyph(int align);
QImage VertAlignGlyph(int align);
// A magnifier with "+" (zoom in) or "-".
QImage ZoomGlyph(bool zoomIn);
// One size x size sample of each plasma style (0..4) into images.
void AddPlasmaStyleImages(TImageList& images, int size);

}  // namespace glimmo
