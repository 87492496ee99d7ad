#pragma once
// Owner-drawn menus. A TPopupMenus97, TMainMenus97 or TSystemMenus97 takes
// over the drawing of a menu's entries: a glyph column (image Tag of Images,
// or a check or radio mark) with a raised or sunken frame round checked
// glyphs, a highlight bar colour and font of its own, embossed disabled
// entries, a bold default entry, right-aligned short-cuts, etched separator
// lines, and an optional banner strip with a banded gradient and rotated text
// along one side of a drop-down.
//
// Tags: in drop-downs a Tag >= 0 selects image Tag of Images and a negative
// Tag none; on a main menu's bar Tag -1 marks a plain bar entry and a Tag
// >= 4097 an entry with image Tag - 4097. A caption "Word|Banner" shows
// "Word" in the entry and gives "Banner" to the banner of its drop-down.
#include <QFont>
#include <QImage>
#include <QPointer>
#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "menus97/MenuBar97.h"
#include "platform/Colors.h"
#include "platform/Geometry.h"
#include "platform/ImageList.h"
#include "platform/Menus.h"

enum TBannerJustification { bjCenter, bjTop, bjBottom };
enum TBannerAlignment { baLeft, baRight };
enum TBannerDirection { bdUpwards, bdDownwards };
enum TMenus97Look { mlOffice97Look, mlIE4Look };

// A font with its colour, as the menus hold their fonts.
struct TMenus97Font {
    QFont Font;
    TColor Color = clMenuText;
    bool operator==(const TMenus97Font& o) const { return Font == o.Font && Color == o.Color; }
    bool operator!=(const TMenus97Font& o) const { return !(*this == o); }
};

// True: the handler drew the entry on Canvas and nothing else is drawn.
using TDrawMenuItemEvent =
    std::function<bool(TMenu* Control, TMenuItem* Item, QPainter& Canvas, const TRect& Rect, TOwnerDrawState State)>;
using TMeasureMenuItemEvent = std::function<void(TMenu* Control, TMenuItem* Item, int& Height, int& Width)>;
// Returns the hint to show for the selected entry.
using THintEvent = std::function<QString(TMenu* Control, TMenuItem* Item, const QString& Hint)>;

// ---- arithmetic -----------------------------------------------------------------

// Size of the check and radio mark bitmaps.
constexpr int kMenus97MarkSize = 17;
// The glyph cell: per axis the larger of the marks and the images (0 x 0
// without an image list).
TSize Menus97GlyphCell(int imagesWidth, int imagesHeight);
// Height of an entry: the check column's height, or the caption's text
// height + 6 when that is larger.
int Menus97ItemHeight(int checkColumnHeight, int captionHeight);

// One entry of a drop-down as its width is reckoned.
struct TMenus97Column {
    int CaptionWidth = 0;
    bool HasSubItems = false;
    int ShortCutWidth = 0;  // 0: no short-cut
};
// The one width that every entry of a drop-down gets, from the caption and
// short-cut columns of its entries (before the "&" and banner adjustments).
int Menus97DropDownWidth(const std::vector<TMenus97Column>& entries, int checkColumnWidth);

// One band of the banner gradient: rows Top..Bottom (exclusive), RGB colour.
struct TMenus97Band {
    int Top = 0;
    int Bottom = 0;
    uint32_t Color = 0;
};
// numColors bands over height rows from top, the colour running from start
// (top) to end (bottom); fewer than one colour gives one band of start.
std::vector<TMenus97Band> Menus97BannerBands(int top, int height, TColor start, TColor end, int numColors);
// Top-left corner of the rotated banner text in area; textWidth along the
// text, textExtent across it (text height + 2).
TPoint Menus97BannerTextOrigin(const TRect& area, int textWidth, int textExtent, TBannerJustification justification,
                               TBannerDirection direction);
// The caption part shown in the entry (before the first "|") and the banner
// part (after it).
QString Menus97EntryText(const QString& caption);
QString Menus97BannerText(const QString& caption);
// The 17 x 17 marks: a checkerboard of white and silver with a black tick
// or a black disc; white is drawn transparent.
const QImage& Menus97CheckMark();
const QImage& Menus97RadioMark();

// ---- TCustomMenus97 -------------------------------------------------------------

class TCustomMenus97 : public TMenuItemPainter {
    Q_OBJECT
public:
    // A widget owner is the form: its application-font changes refresh a
    // default font.
    explicit TCustomMenus97(QObject* owner = nullptr);
    ~TCustomMenus97() override;

    TImageList* GetImages() const { return FImages; }
    void SetImages(TImageList* value);
    const TMenus97Font& GetFont() const { return FFont; }
    // Also sets DefaultFont to false.
    void SetFont(const TMenus97Font& value);
    const TMenus97Font& GetHiliteFont() const { return FHiliteFont; }
    void SetHiliteFont(const TMenus97Font& value);
    // The brush of the entries.
    TColor GetBrush() const { return FBrush; }
    void SetBrush(TColor value);
    TColor GetHiliteBar() const { return FHiliteBar; }
    void SetHiliteBar(TColor value) { FHiliteBar = value; }
    // 0: measured.
    int GetItemHeight() const { return FItemHeight; }
    void SetItemHeight(int value);
    int GetItemWidth() const { return FItemWidth; }
    void SetItemWidth(int value);
    bool GetDefaultFont() const { return FDefaultFont; }
    // True: Font follows the system menu font again (HiliteFont too).
    void SetDefaultFont(bool value);
    TMenus97Look GetMenus97Look() const { return FMenus97Look; }
    virtual void SetMenus97Look(TMenus97Look value);
    bool GetAlwaysShowSelection() const { return FAlwaysShowSelection; }
    void SetAlwaysShowSelection(bool value) { FAlwaysShowSelection = value; }

    bool GetBanner() const { return FBanner; }
    void SetBanner(bool value);
    const QString& GetBannerText() const { return FBannerText; }
    void SetBannerText(const QString& value);
    const TMenus97Font& GetBannerFont() const { return FBannerFont; }
    void SetBannerFont(const TMenus97Font& value);
    int GetBannerWidth() const { return FBannerWidth; }
    void SetBannerWidth(int value);
    TColor GetBannerColor() const { return FBannerColor; }
    void SetBannerColor(TColor value);
    TColor GetBannerEndColor() const { return FBannerEndColor; }
    void SetBannerEndColor(TColor value);
    int GetBannerNumColors() const { return FBannerNumColors; }
    void SetBannerNumColors(int value);
    TBannerJustification GetBannerJustification() const { return FBannerJustification; }
    void SetBannerJustification(TBannerJustification value);
    // -1: none; else an image of Images shown at the strip's bottom.
    int GetBannerImage() const { return FBannerImage; }
    void SetBannerImage(int value);
    TBannerAlignment GetBannerAlignment() const { return FBannerAlignment; }
    void SetBannerAlignment(TBannerAlignment value);
    TBannerDirection GetBannerDirection() const { return FBannerDirection; }
    void SetBannerDirection(TBannerDirection value);

    int GlyphCellWidth() const { return FGlyphWidth; }
    int GlyphCellHeight() const { return FGlyphHeight; }
    int CheckColumnWidth() const { return FGlyphWidth + 4; }
    int CheckColumnHeight() const { return FGlyphHeight + 4; }
    // The canvas of the entry being drawn (nullptr otherwise).
    QPainter* GetCanvas() const { return FCanvas; }
    TMenu* GetMenu() const { return FMenu; }

    TDrawMenuItemEvent OnDrawItem;
    TMeasureMenuItemEvent OnMeasureItem;
    THintEvent OnHint;

    // ---- the owner-draw engine
    // Attaches a menu: the old one's entries go back to the style's drawing,
    // the new one's become owner-drawn.
    virtual void SetMenu(TMenu* menu);
    virtual void DrawItem(QPainter& canvas, TMenuItem* item, TRect rect, TOwnerDrawState state);
    // Fires OnMeasureItem.
    virtual void DoMeasureItem(TMenuItem* item, int& height, int& width);
    // The sub-items of items, depth first, become owner-drawn (plain "-"
    // separators stay as they are), or with restore go back to the style.
    virtual void ConvertItems(TMenuItem* items, bool restore);
    // Position among the visible entries of owner's drop-down of the first
    // enabled entry whose accelerator is ch; -1 when none.
    virtual int FindMenuChar(TMenuItem* owner, QChar ch);
    virtual TMenuItem* FindItemByCommand(int command);
    // The top-level entries of a main menu with Tag 0 become -1 (plain bar
    // entries). Other Tags are left as they are: 0 is a valid image index.
    virtual void AssignDefaultTags(TMenuItem* items, int level);
    virtual void DrawTopItem(QPainter& canvas, TMenuItem* item, TRect rect, TOwnerDrawState state);
    virtual void ComputeBannerRect(TMenuItem* bannerItem);
    // The entry's rectangle in its drop-down (empty when not laid out).
    virtual TRect GetMenuRect(TMenuItem* item);
    virtual bool HasBanner(TMenuItem* item);
    virtual TMenuItem* BannerItem(TMenuItem* item);
    // ItemHeight (main menus: measured when it is 0); the menu-bar panel
    // sizes its buttons by it.
    virtual int GetDefaultItemHeight();
    void InitTags();
    // The banner rectangle in the drop-down's coordinates.
    TRect GetBannerRect() const { return FBannerRect; }

    // TMenuItemPainter
    void MeasureMenuItem(TMenuItem* item, QWidget* dropDown, int& width, int& height) override;
    void DrawMenuItem(TMenuItem* item, QWidget* dropDown, QPainter& canvas, const TRect& rect,
                      TOwnerDrawState state) override;
    TMenuItem* MenuChar(TMenuItem* owner, QChar ch) override;
    // A plain separator of a drop-down with a banner gets its slice of the
    // banner too, so that the strip runs unbroken; the etched line lies
    // beside it on the entries' brush.
    void DrawPlainSeparator(TMenuItem* item, QWidget* dropDown, QPainter& canvas, const TRect& rect) override;
    // An entry's rectangle less the banner beside it.
    TRect EntryArea(TMenuItem* item, QWidget* dropDown, const TRect& rect) override;

protected:
    virtual void FontChanged() {}
    virtual void HiliteFontChanged() {}
    virtual void BrushChanged() {}
    // The drop-down in which the banner of bannerItem lies.
    virtual QMenu* BannerDropDown(TMenuItem* bannerItem);
    // Converts again so that every entry is measured anew.
    void Reconvert();
    bool eventFilter(QObject* watched, QEvent* event) override;
    // The system menu font (Font) and its highlighted copy (HiliteFont).
    void ReadDefaultFont();
    void InvalidateBanner();
    // Entry width of item measured with metrics (before ItemWidth).
    int MeasureWidth(TMenuItem* item, const QFontMetrics& metrics);

private:
    // While an entry or a separator is drawn: its canvas and drop-down,
    // cleared afterwards whatever happens.
    class TDrawing {
    public:
        TDrawing(TCustomMenus97* self, QPainter& canvas, QWidget* dropDown);
        ~TDrawing();
        TDrawing(const TDrawing&) = delete;
        TDrawing& operator=(const TDrawing&) = delete;

    private:
        TCustomMenus97* FSelf;
    };

    void UpdateGlyphCell();
    void DrawBanner(QPainter& canvas, TMenuItem* item, TRect& rect);
    // Before an entry is drawn: the banner geometry made anew when it is
    // stale, then the banner drawn and the entry moved beside it.
    void BannerStep(QPainter& canvas, TMenuItem* item, TRect& rect);
    // rect moved or shortened to lie beside the banner, when it touches it.
    TRect BesideBanner(TMenuItem* item, TRect rect);
    QImage MakeBannerBitmap() const;
    void DrawEntryText(QPainter& canvas, TMenuItem* item, const TRect& rect, const QString& text,
                       const TMenus97Font& font, bool enabled, bool selected, bool separator);
    void DropDownShowing(TMenuItem* owner);

    QPointer<TImageList> FImages;
    QPointer<TMenu> FMenu;
    QPainter* FCanvas = nullptr;
    QWidget* FDropDown = nullptr;  // of the entry being drawn
    TMenus97Font FFont, FHiliteFont;
    TColor FBrush = clBtnFace;
    TColor FCanvasBrush = clBtnFace;
    int FItemHeight = 0, FItemWidth = 0;
    TColor FHiliteBar = clHighlight;
    bool FBanner = false;
    QString FBannerText;
    TMenus97Font FBannerFont;
    int FBannerWidth = 20;
    TColor FBannerColor, FBannerEndColor;
    int FBannerNumColors;
    TBannerJustification FBannerJustification = bjCenter;
    int FBannerImage = -1;
    TBannerAlignment FBannerAlignment = baLeft;
    TBannerDirection FBannerDirection = bdUpwards;
    TMenus97Look FMenus97Look = mlOffice97Look;
    int FGlyphWidth = kMenus97MarkSize, FGlyphHeight = kMenus97MarkSize;
    bool FDefaultFont = true;
    bool FAlwaysShowSelection = true;
    bool FBannerDirty = true;
    TRect FBannerRect;
    QImage FBannerBitmap;
    QPointer<TMenuItem> FBannerItem;
    QPointer<QMenu> FBannerMenu;
};

// Values set at creation; a stored form leaves out a property equal to them.
constexpr TColor kMenus97BannerColor = clActiveCaption;
constexpr TColor kMenus97BannerEndColor = clBlack;
constexpr int kMenus97BannerNumColors = 16;

// ---- popup menus --------------------------------------------------------------------

class TCustomPopupMenus97 : public TCustomMenus97 {
    Q_OBJECT
public:
    using TCustomMenus97::TCustomMenus97;
    virtual TPopupMenu* GetPopupMenu() const;
    virtual void SetPopupMenu(TPopupMenu* value) { SetMenu(value); }
    // The top-level entries have the banner; each is its own banner item.
    bool HasBanner(TMenuItem* item) override;
    TMenuItem* BannerItem(TMenuItem* item) override { return item; }
};

class TPopupMenus97 : public TCustomPopupMenus97 {
    Q_OBJECT
public:
    using TCustomPopupMenus97::TCustomPopupMenus97;
};

// ---- main menus ---------------------------------------------------------------------

class TCustomMainMenus97 : public TCustomMenus97 {
    Q_OBJECT
public:
    using TCustomMenus97::TCustomMenus97;
    TMainMenu* GetMainMenu() const;
    void SetMainMenu(TMainMenu* value) { SetMenu(value); }
    void SetMenus97Look(TMenus97Look value) override;
    // The drop-down of the first top-level entry (GroupIndex 0), or of an
    // entry whose caption names a banner after "|".
    bool HasBanner(TMenuItem* item) override;
    TMenuItem* BannerItem(TMenuItem* item) override;
    // ItemHeight, or the measured height of the first top-level entry.
    int GetDefaultItemHeight() override;

    // A drop-down of the form's menu bar is open.
    bool BarDropped() const { return FBarDropped; }

protected:
    QMenu* BannerDropDown(TMenuItem* bannerItem) override;
    void FontChanged() override;
    // Notes drop-downs of the bar opening and closing.
    void WatchBarDropDown(TMenuItem* owner);
    virtual void BarDroppedChanged() {}

private:
    bool FBarDropped = false;
};

class TMainMenus97 : public TCustomMainMenus97 {
    Q_OBJECT
public:
    using TCustomMainMenus97::TCustomMainMenus97;
    // Hides the form's menu bar (ignored while a panel stands in for it).
    bool GetHideMenuBar() const { return FHideMenuBar; }
    void SetHideMenuBar(bool value);
    // The panel showing the top-level entries in place of the menu bar;
    // removing it shows the menu bar again.
    TCustomMenuBar97* GetToolBar() const { return FToolBar; }
    void SetToolBar(TCustomMenuBar97* value);
    // A raised frame round the bar's entries (off while the bar is hidden).
    bool GetMenuBarBorder() const { return FMenuBarBorder; }
    void SetMenuBarBorder(bool value);
    // The form's menu bar is owner-drawn: its entries are measured and
    // drawn by this component (DrawTopItem), its empty part in Brush.
    void SetMenu(TMenu* menu) override;
    void DrawTopItem(QPainter& canvas, TMenuItem* item, TRect rect, TOwnerDrawState state) override;
    void DoMeasureItem(TMenuItem* item, int& height, int& width) override;
    // The empty part of the bar right of the entries.
    void DrawBarEmptyArea(QPainter& canvas, const TRect& rect);

protected:
    void BarDroppedChanged() override;

private:
    void ApplyBar();
    // The raised frame round the bar's entries, across its whole width.
    void DrawBarBorder(QPainter& canvas, int top, int bottom);
    bool FHideMenuBar = false;
    bool FMenuBarBorder = false;
    QPointer<TCustomMenuBar97> FToolBar;
};

// ---- system menus -------------------------------------------------------------------

// The window commands of a system menu.
enum : int {
    SC_SIZE = 0xF000,
    SC_MOVE = 0xF010,
    SC_MINIMIZE = 0xF020,
    SC_MAXIMIZE = 0xF030,
    SC_NEXTWINDOW = 0xF040,
    SC_PREVWINDOW = 0xF050,
    SC_CLOSE = 0xF060,
    SC_RESTORE = 0xF120,
    SC_TASKLIST = 0xF130,
    SC_SCREENSAVE = 0xF140,
};
enum TSystemMenu97ItemState { smTrue, smFalse, smDefault };

class TCustomSystemMenus97;

// One window command of the system menu: hidden (smFalse), added when the
// system has no such entry (smTrue), or as the system has it (smDefault);
// a Caption replaces the system's text ("#9" stands for a tab before the
// short-cut); ImageIndex is the entry's Tag.
class TSystemMenu97Options {
public:
    TSystemMenu97Options(TCustomSystemMenus97* owner, int command) : FOwner(owner), FCommand(command) {}
    int GetCommand() const { return FCommand; }
    int GetImageIndex() const { return FImageIndex; }
    void SetImageIndex(int value);
    TSystemMenu97ItemState GetVisible() const { return FVisible; }
    void SetVisible(TSystemMenu97ItemState value);
    const QString& GetCaption() const { return FCaption; }
    void SetCaption(const QString& value);
    // Its entry in the system menu; nullptr while it has none.
    TMenuItem* GetItem() const { return FItem; }

private:
    friend class TCustomSystemMenus97;
    TCustomSystemMenus97* FOwner;
    int FCommand;
    int FImageIndex = -2;
    TSystemMenu97ItemState FVisible = smDefault;
    QString FCaption;
    QPointer<TMenuItem> FItem;
};

// The window's system menu as a menu of our own: the window commands as the
// system offers them for the window's state, adjusted by the ten options,
// with the entries of PopupMenu inserted before "Close". Choosing an entry
// performs its command on the owner form or clicks the PopupMenu entry it
// stands for. (The window manager's own title-bar menu is not changed.)
class TCustomSystemMenus97 : public TCustomPopupMenus97 {
    Q_OBJECT
public:
    explicit TCustomSystemMenus97(QWidget* ownerForm = nullptr);
    ~TCustomSystemMenus97() override;

    TPopupMenu* GetPopupMenu() const override;
    // nullptr or a menu without entries: none.
    void SetPopupMenu(TPopupMenu* value) override;
    // The built system menu.
    TPopupMenu* GetSystemMenu() const { return FSystemMenu; }
    void ConvertItems(TMenuItem* items, bool restore) override;
    TMenuItem* FindItemByCommand(int command) override;
    bool HasBanner(TMenuItem* item) override;
    // Performs a window command on the owner form.
    void SysCommand(int command);

    TSystemMenu97Options* scRestore() const { return FOptions[0].get(); }
    TSystemMenu97Options* scMove() const { return FOptions[1].get(); }
    TSystemMenu97Options* scSize() const { return FOptions[2].get(); }
    TSystemMenu97Options* scMinimize() const { return FOptions[3].get(); }
    TSystemMenu97Options* scMaximize() const { return FOptions[4].get(); }
    TSystemMenu97Options* scClose() const { return FOptions[5].get(); }
    TSystemMenu97Options* ScNextWindow() const { return FOptions[6].get(); }
    TSystemMenu97Options* ScPrevWindow() const { return FOptions[7].get(); }
    TSystemMenu97Options* scTaskList() const { return FOptions[8].get(); }
    TSystemMenu97Options* scScreenSave() const { return FOptions[9].get(); }

    // Builds the system menu anew (after an option changed).
    void Rebuild();

private:
    void AddDefaultEntries();
    void ApplyOption(TSystemMenu97Options& option, bool restore);
    void InsertMirror(TMenuItem* parent, int index, TMenuItem* source, bool restore);
    // Position of the entry of a command in the system menu; -1 when none.
    int PositionOf(int command) const;
    // Where inserted entries go: before "Close".
    int InsertionPoint() const;

    QPointer<QWidget> FForm;
    std::array<std::unique_ptr<TSystemMenu97Options>, 10> FOptions;
    TPopupMenu* FEmptyMenu;
    TPopupMenu* FSystemMenu;
    bool FRestored = false;
};

class TSystemMenus97 : public TCustomSystemMenus97 {
    Q_OBJECT
public:
    using TCustomSystemMenus97::TCustomSystemMenus97;
};
