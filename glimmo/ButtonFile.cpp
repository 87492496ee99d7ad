#include "glimmo/ButtonFile.h"

#include <algorithm>
#include <initializer_list>

#include "artkit/Painters.h"
#include "artkit/ParameterList.h"
#include "artkit/Plasma.h"
#include "glimmo/ButtonRenderer.h"
#include "image/PGraphic.h"
#include "platform/MathUtil.h"
#include "store/QDB.h"

namespace {

constexpr int kThumbnailQuality = 30;
constexpr int kSettingsLinesRequired = 34;  // files before the late lines stop after line 33
constexpr int kTextblockLines = 18;

// The lighting radio buttons in the order of their lines (18..25), by tag.
constexpr int kLightTags[8] = {1, 2, 3, 6, 7, 4, 9, 8};

// Line lists of a group of buttons of which one is down: each line tells
// whether its button is down. Reading presses every button whose line says
// "true", so the last of them wins; "false" lines release nothing.
template <typename T>
void WriteGroup(TParameterWriter& w, std::initializer_list<T> buttons, T down) {
    for (T b : buttons) w.AddBool(b == down);
}
template <typename T>
void ReadGroup(const TParameterReader& r, int firstLine, std::initializer_list<T> buttons, T& down) {
    int line = firstLine;
    for (T b : buttons)
        if (r.Bool(line++)) down = b;
}

std::string PictureExtension(const TPixelGraphic& picture) { return picture.GetWidth() < 2 ? "bmp" : "png"; }

// ---- writing ---------------------------------------------------------------------

TParameterWriter SettingsLines(const TButtonParameters& p) {
    const TButtonDesign& d = p.Design;
    TParameterWriter w;
    w.AddInt(d.Width);
    w.AddInt(d.Height);
    w.Add(p.Form.BitmapFileName);
    w.AddBool(d.BitmapPlacement == bpStretch);
    w.AddColor(d.BlankColor);
    w.AddBool(d.PlasmaStretch);
    w.AddBool(p.Form.Unique);
    w.AddInt(d.PlasmaNoise);
    w.AddInt(d.PlasmaBrightness);
    w.Add(d.PlasmaPaletteText);
    std::string shape;
    ShapeCodeToName(d.Shape, shape);
    w.Add(shape);
    for (TColor c : d.BevelColors) w.AddColor(c);
    w.AddInt(d.BevelWidth);
    w.AddInt(d.BevelOpacity);
    w.AddInt(d.RelativeOffset);
    for (int tag : kLightTags) w.AddBool(d.LightDirection == tag);
    w.AddInt(d.BevelStyle);
    std::string fill;
    FillStyleToName(d.FillMode, fill);
    w.Add(fill);
    w.AddInt(d.InnerLuminance);
    w.Add(d.GradientPaletteText);
    WriteGroup<TGradientStyle>(w, {gsLinear, gsLinear90, gsRectangular, gsRadial}, d.GradientStyle);
    w.AddColor(d.CanvasColor);
    w.AddInt(d.PlasmaStyle);
    w.AddBool(d.DoubleBevel);
    w.AddBool(d.BitmapPlacement == bpOriginal);
    w.AddBool(d.BitmapPlacement == bpTargetRect);
    w.AddInt(d.TargetRect.Left);
    w.AddInt(d.TargetRect.Top);
    w.AddInt(d.TargetRect.Right);
    w.AddInt(d.TargetRect.Bottom);
    return w;
}

TParameterWriter TextblockLines(const TButtonDesign& d) {
    TParameterWriter w;
    w.AddColor(d.TextColor);
    w.Add(d.FontName);
    w.AddBool(d.Italic);
    w.AddBool(d.Underline);
    w.AddBool(d.Bold);
    w.AddInt(d.FontSize);
    WriteGroup<TVertAlign>(w, {vaBottom, vaCenter, vaTop}, d.VertAlign);
    WriteGroup<THorzAlign>(w, {haLeft, haCenter, haRight}, d.HorzAlign);
    w.AddBool(d.Outlined);
    w.AddBool(d.PaintInside);
    w.AddInt(d.TextOffsetX);
    w.AddInt(d.TextOffsetY);
    w.AddInt(d.TextOpacity);
    w.AddColor(d.OutlineColor);
    return w;
}

// The caption's lines, by the rule ReadMemo joins them with: every line
// break separates two lines ("a\n\n" is "a" and two empty lines), and an
// empty caption has none. A final CRLF ends the last line without adding one.
TParameterWriter MemoLines(const std::string& caption) {
    TStringList lines;
    if (!caption.empty()) lines.SetText(caption + "\r\n");
    TParameterWriter w;
    w.AddInt(lines.Count());
    for (const std::string& line : lines.Lines()) w.Add(line);
    return w;
}

// ---- reading ---------------------------------------------------------------------

// Runs read and ignores its failure: the late lines of "settings" are each
// optional, and damage there keeps the value it would have set.
template <typename F>
void Guarded(F read) {
    try {
        read();
    } catch (const Exception&) {
    }
}

void ReadSettings(const TParameterReader& r, TButtonParameters& p) {
    TButtonDesign& d = p.Design;
    r.Require(kSettingsLinesRequired);
    d.Width = r.Int(0);
    d.Height = r.Int(1);
    p.Form.BitmapFileName = r.Text(2);
    // The three placement radio buttons sit on lines 3, 37 and 38; a line
    // "false" unchecks its button, and with none checked the placement falls
    // back to the form's default.
    bool anyPlacement = true;
    auto placement = [&](TBitmapPlacement button, bool checked) {
        if (checked) {
            d.BitmapPlacement = button;
            anyPlacement = true;
        } else if (d.BitmapPlacement == button) {
            anyPlacement = false;
        }
    };
    placement(bpStretch, r.Bool(3));
    d.BlankColor = r.Color(4);
    d.PlasmaStretch = r.Bool(5);
    p.Form.Unique = r.Bool(6);
    d.PlasmaNoise = r.Int(7);
    d.PlasmaBrightness = r.Int(8);
    d.PlasmaPaletteText = r.PaletteText(9);
    d.Shape = ShapeNameToCode(r.Text(10));
    for (int i = 0; i < 4; ++i) d.BevelColors[i] = r.Color(11 + i);
    d.BevelWidth = r.Int(15);
    d.BevelOpacity = r.Int(16);
    d.RelativeOffset = r.Int(17);
    for (int i = 0; i < 8; ++i)
        if (r.Bool(18 + i)) d.LightDirection = kLightTags[i];
    // Style numbers outside 1..3 choose no bevel routine.
    const int style = r.Int(26);
    if (style >= bvsSolid && style <= bvsSmooth) d.BevelStyle = style;
    d.FillMode = FillStyleFromName(r.Text(27));
    Guarded([&] { d.InnerLuminance = r.Int(28); });
    d.GradientPaletteText = r.PaletteText(29);
    ReadGroup<TGradientStyle>(r, 30, {gsLinear, gsLinear90, gsRectangular, gsRadial}, d.GradientStyle);
    Guarded([&] { d.CanvasColor = r.Color(34); });
    Guarded([&] { d.PlasmaStyle = r.IntDef(35, 0); });
    Guarded([&] { d.DoubleBevel = r.Bool(36); });
    Guarded([&] {
        placement(bpOriginal, r.Bool(37));
        placement(bpTargetRect, r.Bool(38));
        d.TargetRect.Left = r.IntDef(39, 0);
        d.TargetRect.Top = r.IntDef(40, 0);
        d.TargetRect.Right = r.IntDef(41, 1);
        d.TargetRect.Bottom = r.IntDef(42, 1);
    });
    if (!anyPlacement) d.BitmapPlacement = bpOriginal;
}

void ReadTextblock(const TParameterReader& r, TButtonDesign& d) {
    r.Require(kTextblockLines);
    d.TextColor = r.Color(0);
    // A font this machine lacks is kept: drawing substitutes a similar one,
    // and saving again must not lose the designer's choice.
    d.FontName = r.Text(1);
    d.Italic = r.Bool(2);
    d.Underline = r.Bool(3);
    d.Bold = r.Bool(4);
    d.FontSize = r.Int(5);
    ReadGroup<TVertAlign>(r, 6, {vaBottom, vaCenter, vaTop}, d.VertAlign);
    ReadGroup<THorzAlign>(r, 9, {haLeft, haCenter, haRight}, d.HorzAlign);
    d.Outlined = r.Bool(12);
    d.PaintInside = r.Bool(13);
    d.TextOffsetX = r.Int(14);
    d.TextOffsetY = r.Int(15);
    d.TextOpacity = r.Int(16);
    d.OutlineColor = r.Color(17);
}

// The caption: a count, then as many lines as it says and the item holds.
std::string ReadMemo(const TParameterReader& r) {
    const int count = r.Has(0) ? r.IntDef(0, 0) : 0;
    std::string caption;
    for (int i = 1; i <= count && r.Has(i); ++i) {
        if (i > 1) caption += '\n';
        caption += r.Text(i);
    }
    return caption;
}

}  // namespace

void WriteButtonFile(const std::string& fileName, const TButtonParameters& p, TPixelGraphic& button) {
    TQDB db;
    db.Open(fileName, TQDB::omCreateNew);
    db.BeginUpdate();
    AddPictureItem(db, "pgimage1", button, "jpg", kThumbnailQuality);
    auto addFill = [&](const char* key, const std::shared_ptr<TPixelGraphic>& picture) {
        // An empty picture has nothing to store; a load then keeps an empty one.
        if (picture && !picture->GetEmpty()) AddPictureItem(db, key, *picture, PictureExtension(*picture), 0);
    };
    if (p.Design.FillMode == fmBitmap) addFill("pgimage2", p.Form.BitmapImage);
    if (p.Design.FillMode == fmPlasma) addFill("pgimage3", p.PlasmaImage);
    AddParameterItem(db, "settings", SettingsLines(p));
    AddParameterItem(db, "textblock", TextblockLines(p.Design));
    AddParameterItem(db, "memo", MemoLines(p.Design.Caption));
    db.EndUpdate();
    db.FlushIndex();
    db.Pack();
    db.Close();  // only a complete container replaces the old file
}

TButtonParameters ReadButtonFile(const std::string& fileName, const TButtonParameters& current) {
    TButtonParameters p = current;
    TQDB db;
    db.Open(fileName, TQDB::omReadExisting);
    if (auto picture = ReadPictureItem(db, "pgimage2")) p.Form.BitmapImage = picture;
    // The plasma picture has one size; the bitmap any the readers accept.
    if (auto picture = ReadPictureItem(db, "pgimage3", PlasmaImageSize, PlasmaImageSize)) p.PlasmaImage = picture;
    auto settings = ReadParameterItem(db, "settings");
    if (!settings) throw EListError("\"settings\" is missing: not a button parameter file");
    ReadSettings(*settings, p);
    if (auto textblock = ReadParameterItem(db, "textblock")) ReadTextblock(*textblock, p.Design);
    if (auto memo = ReadParameterItem(db, "memo")) p.Design.Caption = ReadMemo(*memo);
    db.Close();

    TButtonDesign& d = p.Design;
    ClampToControls(d);
    // The bevel-width slider's maximum follows the button's size.
    d.BevelWidth = std::min(d.BevelWidth, BevelWidthMaximum(d.Width, d.Height));
    d.PlasmaStyle = Clamp(d.PlasmaStyle, 0, 4);
    return p;
}

void SaveButtonParameters(const std::string& fileName, TButtonRenderer& renderer, const TButtonFormState& form) {
    TButtonParameters p;
    p.Design = renderer.Design;
    p.Form = form;
    // The bitmap fill is the picture last assigned; one opened on the
    // bitmap page since then is not the button's, and a load rebuilds the
    // fill from the picture stored.
    if (p.Design.FillMode == fmBitmap && p.Design.FillImage) p.Form.BitmapImage = p.Design.FillImage;
    p.PlasmaImage = std::shared_ptr<TPixelGraphic>(std::shared_ptr<TPixelGraphic>(), &renderer.PlasmaImage);
    WriteButtonFile(fileName, p, renderer.Preview);
}

void LoadButtonParameters(const std::string& fileName, TButtonRenderer& renderer, TButtonFormState& form) {
    TButtonParameters current;
    current.Design = renderer.Design;
    current.Form = form;
    TButtonParameters loaded = ReadButtonFile(fileName, current);

    // Nothing has changed so far; from here on nothing can fail.
    form = loaded.Form;
    if (!form.BitmapImage) form.BitmapImage = std::make_shared<TPixelGraphic>();
    if (loaded.PlasmaImage) renderer.PlasmaImage.Assign(loaded.PlasmaImage.get());
    renderer.Design = loaded.Design;
    renderer.SetLightDirection(renderer.Design.LightDirection);
    auto copyOf = [](const TPixelGraphic& picture) {
        auto copy = std::make_shared<TPixelGraphic>();
        copy->Assign(&picture);
        return copy;
    };
    // Solid and gradient fills are rebuilt by the refresh below, at the
    // design's size.
    if (renderer.Design.FillMode == fmPlasma) renderer.Design.FillImage = copyOf(renderer.PlasmaImage);
    if (renderer.Design.FillMode == fmBitmap) renderer.Design.FillImage = copyOf(*form.BitmapImage);
    renderer.SizeChanged = true;
    renderer.RefreshButton(true);
}
