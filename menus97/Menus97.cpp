#include "menus97/Menus97.h"
#include "menus97/MenuBar97.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QMainWindow>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleOptionMenuItem>
#include <QWindow>

#include "platform/DrawText.h"
#include "platform/MathUtil.h"
#include "platform/Paint.h"
#include "platform/Style.h"

namespace {

constexpr unsigned kEntryTextFormat = DT_EXPANDTABS | DT_SINGLELINE | DT_VCENTER;

bool IsBarTag(int tag) { return tag == -1 || tag > 4096; }

QImage MakeMark(const std::vector<const char*>& shape, int ox, int oy) {
    QImage img(kMenus97MarkSize, kMenus97MarkSize, QImage::Format_RGB32);
    for (int y = 0; y < kMenus97MarkSize; ++y)
        for (int x = 0; x < kMenus97MarkSize; ++x) img.setPixel(x, y, (x + y) % 2 == 0 ? 0xFFFFFFFFu : 0xFFC0C0C0u);
    for (size_t r = 0; r < shape.size(); ++r)
        for (int c = 0; shape[r][c]; ++c)
            if (shape[r][c] == 'X') img.setPixel(ox + c, oy + static_cast<int>(r), 0xFF000000u);
    return img;
}

// Paints color at (x, y) wherever ink holds for a pixel of src.
template <typename Ink>
void DrawInk(QPainter& p, const QImage& src, int x, int y, TColor color, Ink ink) {
    QImage layer(src.size(), QImage::Format_ARGB32);
    layer.fill(Qt::transparent);
    const QRgb c = ToQColor(color).rgb();
    for (int j = 0; j < src.height(); ++j)
        for (int i = 0; i < src.width(); ++i)
            if (ink(src.pixel(i, j) & 0xFFFFFFu)) layer.setPixel(i, j, c);
    p.drawImage(QPoint(x, y), layer);
}

// The disabled look of a glyph: its ink in the highlight colour one pixel
// down and right, then in the shadow colour at (x, y).
template <typename Ink>
void DrawEmbossed(QPainter& p, const QImage& src, int x, int y, Ink ink) {
    DrawInk(p, src, x + 1, y + 1, clBtnHighlight, ink);
    DrawInk(p, src, x, y, clBtnShadow, ink);
}

// The main menus97 component that draws the entries of a form's menu bar.
TMainMenus97* BarOwner(const QWidget* widget) {
    const auto* bar = qobject_cast<const QMenuBar*>(widget);
    if (!bar) return nullptr;
    for (QAction* a : bar->actions())
        if (TMenuItem* item = MenuItemOfAction(a))
            if (auto* owner = qobject_cast<TMainMenus97*>(item->GetOwnerDraw())) return owner;
    return nullptr;
}

// Lets a main menu component measure and draw the entries of its form's
// menu bar, and paint the bar's empty part.
class TOwnerDrawBarStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override {
        if (type == CT_MenuBarItem && option) {
            // The bar asks by the entry's text; entries of one text measure alike.
            const auto* mi = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
            if (TMenuItem* item = mi ? Entry(widget, [&](QAction* a) { return a->text() == mi->text; }) : nullptr) {
                int width = 0, height = 0;
                item->GetOwnerDraw()->MeasureMenuItem(item, const_cast<QWidget*>(widget), width, height);
                return QSize(std::max(0, width), std::max(0, height));
            }
        }
        return QProxyStyle::sizeFromContents(type, option, size, widget);
    }

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
        if (element == CE_MenuBarItem) {
            const auto* bar = qobject_cast<const QMenuBar*>(widget);
            TMenuItem* item = bar ? Entry(widget, [&](QAction* a) { return bar->actionGeometry(a) == option->rect; })
                                  : nullptr;
            if (item) {
                TOwnerDrawState state = 0;
                if (option->state & State_Selected) state |= odSelected;
                if (!item->GetEnabled()) state |= odDisabled | odGrayed;
                painter->save();
                item->GetOwnerDraw()->DrawMenuItem(item, const_cast<QWidget*>(widget), *painter,
                                                   TRect::FromQRect(option->rect), state);
                painter->restore();
                return;
            }
        } else if (element == CE_MenuBarEmptyArea) {
            if (TMainMenus97* owner = BarOwner(widget)) {
                painter->save();
                owner->DrawBarEmptyArea(*painter, TRect::FromQRect(option->rect));
                painter->restore();
                return;
            }
        }
        QProxyStyle::drawControl(element, option, painter, widget);
    }

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override {
        if (element == PE_PanelMenuBar && BarOwner(widget)) return;  // the empty area is the background
        QProxyStyle::drawPrimitive(element, option, painter, widget);
    }

    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
        if ((metric == PM_MenuBarPanelWidth || metric == PM_MenuBarItemSpacing || metric == PM_MenuBarHMargin ||
             metric == PM_MenuBarVMargin) &&
            BarOwner(widget))
            return 0;  // the entries lie edge to edge as measured
        return QProxyStyle::pixelMetric(metric, option, widget);
    }

private:
    template <typename Match>
    static TMenuItem* Entry(const QWidget* widget, Match match) {
        const auto* bar = qobject_cast<const QMenuBar*>(widget);
        if (!bar) return nullptr;
        for (QAction* a : bar->actions()) {
            if (!a->isVisible() || !match(a)) continue;
            TMenuItem* item = MenuItemOfAction(a);
            return item && item->GetOwnerDraw() ? item : nullptr;
        }
        return nullptr;
    }
};

QStyle* BarStyle() {
    static QPointer<QStyle> style;
    if (!style) {
        style = new TOwnerDrawBarStyle(CreateApplicationStyle());
        style->setParent(qApp);
    }
    return style;
}

}  // namespace

// ---- arithmetic -----------------------------------------------------------------

TSize Menus97GlyphCell(int imagesWidth, int imagesHeight) {
    return TSize(std::max(kMenus97MarkSize, imagesWidth), std::max(kMenus97MarkSize, imagesHeight));
}

int Menus97ItemHeight(int checkColumnHeight, int captionHeight) {
    return std::max(checkColumnHeight, captionHeight + 2 + 4);
}

int Menus97DropDownWidth(const std::vector<TMenus97Column>& entries, int checkColumnWidth) {
    int captionMax = 0, captionMaxWithShortCut = 0, shortCutMax = 0;
    for (const TMenus97Column& e : entries) {
        int c = e.CaptionWidth;
        if (e.HasSubItems) c += checkColumnWidth;
        else if (entries.size() < 2) c += checkColumnWidth / 2;
        captionMax = std::max(captionMax, c);
        if (e.ShortCutWidth > 0) captionMaxWithShortCut = std::max(captionMaxWithShortCut, c);
        shortCutMax = std::max(shortCutMax, e.ShortCutWidth);
    }
    if (shortCutMax > 0 && captionMax < captionMaxWithShortCut + shortCutMax + checkColumnWidth)
        return captionMaxWithShortCut + shortCutMax + 2 * checkColumnWidth;
    return checkColumnWidth + captionMax;
}

std::vector<TMenus97Band> Menus97BannerBands(int top, int height, TColor start, TColor end, int numColors) {
    const uint32_t s = ColorToRGB(start), e = ColorToRGB(end);
    if (numColors < 1) return {TMenus97Band{top, top + height, s}};
    std::vector<TMenus97Band> bands;
    bands.reserve(static_cast<size_t>(numColors));
    for (int i = 0; i < numColors; ++i) {
        TMenus97Band b;
        b.Top = top + MulDiv(i, height, numColors);
        b.Bottom = top + MulDiv(i + 1, height, numColors);
        if (numColors < 2) {
            b.Color = s;
        } else {
            const auto step = [&](int cs, int ce) { return (cs + MulDiv(i, ce - cs, numColors - 1)) & 0xFF; };
            b.Color = RGB(step(GetRValue(s), GetRValue(e)), step(GetGValue(s), GetGValue(e)),
                          step(GetBValue(s), GetBValue(e)));
        }
        bands.push_back(b);
    }
    return bands;
}

TPoint Menus97BannerTextOrigin(const TRect& area, int textWidth, int textExtent, TBannerJustification justification,
                               TBannerDirection direction) {
    const int w = area.Width(), h = area.Height();
    if (direction == bdUpwards) {
        const int x = area.Left + (w - textExtent) / 2;
        switch (justification) {
            case bjTop: return TPoint(x, area.Top + textWidth + 1);
            case bjBottom: return TPoint(x, area.Bottom - 1);
            default: return TPoint(x, area.Bottom - (h - textWidth) / 2 - 1);
        }
    }
    const int x = area.Right - (w - textExtent) / 2 - 1;
    switch (justification) {
        case bjTop: return TPoint(x, area.Top + 1);
        case bjBottom: return TPoint(x, area.Bottom - textWidth - 1);
        default: return TPoint(x, area.Top + (h - textWidth) / 2 + 1);
    }
}

QString Menus97EntryText(const QString& caption) {
    const qsizetype bar = caption.indexOf(QLatin1Char('|'));
    return bar < 0 ? caption : caption.left(bar);
}

QString Menus97BannerText(const QString& caption) {
    const qsizetype bar = caption.indexOf(QLatin1Char('|'));
    return bar < 0 ? QString() : caption.mid(bar + 1);
}

const QImage& Menus97CheckMark() {
    static const QImage mark =
        MakeMark({"......X", ".....XX", "X...XXX", "XX.XXX.", "XXXXX..", ".XXX...", "..X...."}, 5, 5);
    return mark;
}

const QImage& Menus97RadioMark() {
    static const QImage mark = MakeMark({".XXX.", "XXXXX", "XXXXX", "XXXXX", ".XXX."}, 6, 6);
    return mark;
}

// ---- TCustomMenus97 -------------------------------------------------------------

TCustomMenus97::TCustomMenus97(QObject* owner)
    : TMenuItemPainter(owner),
      FBannerColor(kMenus97BannerColor),
      FBannerEndColor(kMenus97BannerEndColor),
      FBannerNumColors(kMenus97BannerNumColors) {
    ReadDefaultFont();
    FBannerFont.Font = QFont(QStringLiteral("Arial"), 12);
    FBannerFont.Color = clWhite;
    UpdateGlyphCell();
    // The form tells of changed system fonts; every component watches it
    // with its own filter, so they come and go in any order.
    if (auto* form = qobject_cast<QWidget*>(owner)) form->installEventFilter(this);
}

TCustomMenus97::~TCustomMenus97() {
    if (FMenu) ConvertItems(FMenu->GetItems(), true);
}

bool TCustomMenus97::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ApplicationFontChange && FDefaultFont) {
        ReadDefaultFont();
        Reconvert();
    }
    return TMenuItemPainter::eventFilter(watched, event);
}

void TCustomMenus97::ReadDefaultFont() {
    FFont.Font = QApplication::font("QMenu");
    FFont.Color = clMenuText;
    FHiliteFont.Font = FFont.Font;
    FHiliteFont.Color = clHighlightText;
}

void TCustomMenus97::Reconvert() {
    if (!FMenu) return;
    ConvertItems(FMenu->GetItems(), true);
    ConvertItems(FMenu->GetItems(), false);
}

void TCustomMenus97::InvalidateBanner() {
    FBannerDirty = true;
    FBannerBitmap = QImage();
}

void TCustomMenus97::UpdateGlyphCell() {
    const TSize cell = FImages ? Menus97GlyphCell(FImages->GetWidth(), FImages->GetHeight()) : Menus97GlyphCell(0, 0);
    FGlyphWidth = cell.cx;
    FGlyphHeight = cell.cy;
}

void TCustomMenus97::SetImages(TImageList* value) {
    if (FImages == value) return;
    if (FImages) disconnect(FImages, nullptr, this, nullptr);
    FImages = value;
    if (FImages) {
        connect(FImages, &TImageList::Change, this, [this] {
            UpdateGlyphCell();
            InvalidateBanner();
            Reconvert();
        });
        connect(FImages, &QObject::destroyed, this, [this] {
            // The pointer is already cleared; the glyph cell follows.
            UpdateGlyphCell();
            InvalidateBanner();
            Reconvert();
        });
    }
    UpdateGlyphCell();
    InvalidateBanner();
    Reconvert();
}

void TCustomMenus97::SetFont(const TMenus97Font& value) {
    FFont = value;
    FDefaultFont = false;
    FontChanged();
    Reconvert();
}

void TCustomMenus97::SetHiliteFont(const TMenus97Font& value) {
    FHiliteFont = value;
    FDefaultFont = false;
    HiliteFontChanged();
}

void TCustomMenus97::SetBrush(TColor value) {
    FBrush = value;
    BrushChanged();
}

void TCustomMenus97::SetItemHeight(int value) {
    if (ChangeField(FItemHeight, value)) Reconvert();
}

void TCustomMenus97::SetItemWidth(int value) {
    if (ChangeField(FItemWidth, value)) Reconvert();
}

void TCustomMenus97::SetDefaultFont(bool value) {
    FDefaultFont = value;
    if (!value) return;
    ReadDefaultFont();
    FontChanged();
    Reconvert();
}

void TCustomMenus97::SetMenus97Look(TMenus97Look value) { FMenus97Look = value; }

void TCustomMenus97::SetBanner(bool value) {
    if (!ChangeField(FBanner, value)) return;
    InvalidateBanner();
}

void TCustomMenus97::SetBannerText(const QString& value) {
    FBannerText = value;
    InvalidateBanner();
}

void TCustomMenus97::SetBannerFont(const TMenus97Font& value) {
    FBannerFont = value;
    InvalidateBanner();
}

void TCustomMenus97::SetBannerWidth(int value) {
    if (!ChangeField(FBannerWidth, value)) return;
    InvalidateBanner();
    Reconvert();
}

void TCustomMenus97::SetBannerColor(TColor value) {
    FBannerColor = value;
    InvalidateBanner();
}

void TCustomMenus97::SetBannerEndColor(TColor value) {
    FBannerEndColor = value;
    InvalidateBanner();
}

void TCustomMenus97::SetBannerNumColors(int value) {
    FBannerNumColors = value;
    InvalidateBanner();
}

void TCustomMenus97::SetBannerJustification(TBannerJustification value) {
    FBannerJustification = value;
    InvalidateBanner();
}

void TCustomMenus97::SetBannerImage(int value) {
    FBannerImage = value;
    InvalidateBanner();
}

void TCustomMenus97::SetBannerAlignment(TBannerAlignment value) {
    FBannerAlignment = value;
    InvalidateBanner();
}

void TCustomMenus97::SetBannerDirection(TBannerDirection value) {
    FBannerDirection = value;
    InvalidateBanner();
}

void TCustomMenus97::SetMenu(TMenu* menu) {
    if (menu == FMenu) return;
    if (FMenu) {
        disconnect(FMenu, nullptr, this, nullptr);
        ConvertItems(FMenu->GetItems(), true);
    }
    FMenu = menu;
    InvalidateBanner();
    if (!FMenu) return;
    connect(FMenu, &TMenu::DropDownShowing, this, &TCustomMenus97::DropDownShowing);
    InitTags();
    ConvertItems(FMenu->GetItems(), false);
}

void TCustomMenus97::DropDownShowing(TMenuItem*) {
    // Entries added since the last time are taken over before they show.
    if (FMenu) ConvertItems(FMenu->GetItems(), false);
    InvalidateBanner();
}

void TCustomMenus97::InitTags() {
    if (FMenu) AssignDefaultTags(FMenu->GetItems(), 0);
}

void TCustomMenus97::AssignDefaultTags(TMenuItem* items, int level) {
    if (!items || level != 0 || !qobject_cast<TMainMenu*>(FMenu.data())) return;
    for (int i = 0; i < items->Count(); ++i)
        if (items->GetItem(i)->GetTag() == 0) items->GetItem(i)->SetTag(-1);
}

void TCustomMenus97::ConvertItems(TMenuItem* items, bool restore) {
    if (!items) return;
    for (int i = 0; i < items->Count(); ++i) {
        TMenuItem* item = items->GetItem(i);
        if (!item->IsLine()) {
            // An entry that another component draws stays with it.
            if (restore) {
                if (item->GetOwnerDraw() == this) item->SetOwnerDraw(nullptr);
            } else if (!item->GetOwnerDraw()) {
                item->SetOwnerDraw(this);
            }
        }
        ConvertItems(item, restore);
    }
}

int TCustomMenus97::FindMenuChar(TMenuItem* owner, QChar ch) {
    if (!FMenu || !owner) return -1;
    // Positions count every visible entry, so that the position names the
    // matching entry itself also behind disabled ones.
    int position = 0;
    for (int i = 0; i < owner->Count(); ++i) {
        TMenuItem* item = owner->GetItem(i);
        if (!item->GetVisible()) continue;
        if (item->GetEnabled() && AcceleratorOf(item->GetCaption()) == ch.toUpper()) return position;
        ++position;
    }
    return -1;
}

TMenuItem* TCustomMenus97::MenuChar(TMenuItem* owner, QChar ch) {
    int position = FindMenuChar(owner, ch);
    if (position < 0) return nullptr;
    for (int i = 0; i < owner->Count(); ++i) {
        TMenuItem* item = owner->GetItem(i);
        if (item->GetVisible() && position-- == 0) return item;
    }
    return nullptr;
}

TMenuItem* TCustomMenus97::FindItemByCommand(int command) { return FMenu ? FMenu->FindItem(command) : nullptr; }

int TCustomMenus97::GetDefaultItemHeight() { return FItemHeight; }

bool TCustomMenus97::HasBanner(TMenuItem*) { return false; }

TMenuItem* TCustomMenus97::BannerItem(TMenuItem* item) { return item; }

QMenu* TCustomMenus97::BannerDropDown(TMenuItem* bannerItem) {
    return bannerItem && bannerItem->GetParent() ? bannerItem->GetParent()->DropDown() : nullptr;
}

TRect TCustomMenus97::GetMenuRect(TMenuItem* item) {
    if (!item || !item->GetParent()) return TRect();
    if (QMenu* dropDown = item->GetParent()->DropDown())
        return TRect::FromQRect(dropDown->actionGeometry(item->Action()));
    if (auto* bar = qobject_cast<QMenuBar*>(item->Action()->associatedObjects().value(0)))
        return TRect::FromQRect(bar->actionGeometry(item->Action()));
    return TRect();
}

void TCustomMenus97::ComputeBannerRect(TMenuItem* bannerItem) {
    FBannerItem = bannerItem;
    QMenu* dropDown = BannerDropDown(bannerItem);
    FBannerMenu = dropDown;
    FBannerRect = TRect();
    if (!dropDown) return;
    bool first = true;
    TRect all;
    for (QAction* action : dropDown->actions()) {
        if (!action->isVisible()) continue;
        const TRect r = TRect::FromQRect(dropDown->actionGeometry(action));
        if (r.IsEmpty()) continue;
        if (first) all = r;
        else all.Bottom = std::max(all.Bottom, r.Bottom);
        first = false;
    }
    if (first) return;
    FBannerRect = FBannerAlignment == baLeft ? TRect(all.Left, all.Top, all.Left + FBannerWidth, all.Bottom)
                                             : TRect(all.Right - FBannerWidth, all.Top, all.Right, all.Bottom);
}

// ---- measuring ------------------------------------------------------------------

void TCustomMenus97::MeasureMenuItem(TMenuItem* item, QWidget* dropDown, int& width, int& height) {
    const QFontMetrics metrics(FFont.Font, dropDown);
    if (FItemHeight != 0) {
        height = FItemHeight;
    } else {
        TRect r;
        MeasureText(metrics, Menus97EntryText(item->GetCaption()), r, DT_CALCRECT | DT_EXPANDTABS | DT_SINGLELINE);
        height = Menus97ItemHeight(CheckColumnHeight(), r.Height());
    }
    width = FItemWidth != 0 ? FItemWidth : MeasureWidth(item, metrics);
    DoMeasureItem(item, height, width);
}

int TCustomMenus97::MeasureWidth(TMenuItem* item, const QFontMetrics& metrics) {
    const QString caption = item->GetCaption();
    int width;
    if (IsBarTag(item->GetTag())) {
        width = TextWidth(metrics, Menus97EntryText(caption)) + 5;
        if (item->GetTag() > 4096 && FImages) width += FImages->GetWidth() + 2;
    } else {
        std::vector<TMenus97Column> columns;
        const auto add = [&](const TMenuItem* entry) {
            TMenus97Column c;
            c.CaptionWidth = TextWidth(metrics, Menus97EntryText(entry->GetCaption()));
            c.HasSubItems = entry->Count() > 0;
            if (!entry->GetShortCut().isEmpty())
                c.ShortCutWidth = TextWidth(metrics, ShortCutToText(entry->GetShortCut()));
            columns.push_back(c);
        };
        if (const TMenuItem* parent = item->GetParent()) {
            for (int i = 0; i < parent->Count(); ++i)
                if (parent->GetItem(i)->GetVisible()) add(parent->GetItem(i));
        } else {
            add(item);
        }
        width = Menus97DropDownWidth(columns, CheckColumnWidth());
    }
    if (caption.contains(QLatin1Char('&'))) width -= TextWidth(metrics, QStringLiteral("&"));
    if (HasBanner(item)) width += FBannerWidth;
    return width;
}

void TCustomMenus97::DoMeasureItem(TMenuItem* item, int& height, int& width) {
    if (OnMeasureItem) OnMeasureItem(FMenu, item, height, width);
}

// ---- drawing ---------------------------------------------------------------------

TCustomMenus97::TDrawing::TDrawing(TCustomMenus97* self, QPainter& canvas, QWidget* dropDown) : FSelf(self) {
    FSelf->FCanvas = &canvas;
    FSelf->FDropDown = dropDown;
}

TCustomMenus97::TDrawing::~TDrawing() {
    FSelf->FCanvas = nullptr;
    FSelf->FDropDown = nullptr;
}

void TCustomMenus97::DrawMenuItem(TMenuItem* item, QWidget* dropDown, QPainter& canvas, const TRect& rect,
                                  TOwnerDrawState state) {
    const TDrawing drawing(this, canvas, dropDown);
    FCanvasBrush = (state & odSelected) ? clHighlight : FBrush;
    canvas.save();
    DrawItem(canvas, item, rect, state);
    if (state & odFocused) DrawFocusRect(canvas, rect);
    canvas.restore();
}

void TCustomMenus97::DrawItem(QPainter& canvas, TMenuItem* item, TRect rect, TOwnerDrawState state) {
    const bool selected = state & odSelected;
    // Drawing leaves the entry as it is: an empty caption is drawn as " ",
    // the hint goes to the application only, a separator is only drawn
    // disabled.
    QString caption = item->GetCaption();
    if (caption.isEmpty()) caption = QStringLiteral(" ");
    if (selected) {
        QString hint = item->GetHint();
        if (OnHint) hint = OnHint(FMenu, item, hint);
        SetApplicationHint(hint);
    }
    if (OnDrawItem && OnDrawItem(FMenu, item, canvas, rect, state)) return;

    BannerStep(canvas, item, rect);
    if (IsBarTag(item->GetTag())) {
        DrawTopItem(canvas, item, rect, state);
        return;
    }

    const bool separator = caption.startsWith(QLatin1Char('-'));
    const bool enabled = item->GetEnabled() && !separator;
    const bool checked = item->GetChecked();
    const int tag = item->GetTag();
    const bool hasImage = tag >= 0 && FImages;

    if (enabled || FAlwaysShowSelection) {
        FCanvasBrush = selected && !separator ? FHiliteBar : FBrush;
        FillRect(canvas, rect, FCanvasBrush);
    }
    if (separator) DrawEtchedMenuLine(canvas, rect);

    if (FMenus97Look == mlOffice97Look) {
        TRect frame(rect.Left, rect.Top, rect.Left + FGlyphWidth + 4, rect.Bottom);
        if (selected && ((checked && enabled) || hasImage)) {
            FillRect(canvas, TRect(frame.Left, frame.Top, frame.Right + 1, frame.Bottom), FCanvasBrush);
            Frame3D(canvas, frame, clBtnHighlight, clBtnShadow, 1);
        } else if (enabled && !selected && checked) {
            Frame3D(canvas, frame, clBtnShadow, clBtnHighlight, 1);
        }
    }

    const QImage& mark = item->GetRadioItem() ? Menus97RadioMark() : Menus97CheckMark();
    if (enabled) {
        if (hasImage) FImages->Draw(canvas, rect.Left + 2, rect.Top + 2, tag);
        else if (checked)
            DrawBitmapTransparent(canvas, rect.Left + 1, rect.Top + 1, mark, clWhite, FGlyphWidth, FGlyphHeight);
    } else if (hasImage) {
        // A disabled entry shows only an image, embossed; a disabled check
        // or radio mark is not drawn.
        const QImage bitmap = FImages->GetBitmap(tag, clWhite);
        if (!bitmap.isNull()) DrawEmbossed(canvas, bitmap, rect.Left, rect.Top, [](QRgb c) { return c != 0xFFFFFFu; });
    }

    TRect textRect = rect;
    textRect.Left += FGlyphWidth + 7;
    const QString text = separator ? caption.mid(1) : Menus97EntryText(caption);
    DrawEntryText(canvas, item, textRect, text, selected ? FHiliteFont : FFont, enabled, selected, separator);
}

void TCustomMenus97::DrawEntryText(QPainter& canvas, TMenuItem* item, const TRect& rect, const QString& text,
                                   const TMenus97Font& font, bool enabled, bool selected, bool separator) {
    QFont f = font.Font;
    if (item->GetDefault()) f.setBold(true);
    canvas.setFont(f);
    canvas.setBackgroundMode(Qt::TransparentMode);
    const QString shortCut = ShortCutToText(item->GetShortCut());
    const auto pass = [&](const TRect& r, TColor color) {
        canvas.setPen(ToQColor(color));
        TRect t = r;
        DrawText(canvas, text, t, kEntryTextFormat);
        if (!shortCut.isEmpty()) {
            t = r;
            t.Right -= CheckColumnWidth();
            DrawText(canvas, shortCut, t, kEntryTextFormat | DT_RIGHT);
        }
    };
    if (enabled) {
        pass(rect, font.Color);
        return;
    }
    pass(rect.Offsetted(1, 1), clBtnHighlight);
    if (!(FAlwaysShowSelection && selected && !separator)) pass(rect, clBtnShadow);
}

void TCustomMenus97::DrawTopItem(QPainter&, TMenuItem*, TRect, TOwnerDrawState) {}

void TCustomMenus97::BannerStep(QPainter& canvas, TMenuItem* item, TRect& rect) {
    if (HasBanner(item) && (FBannerDirty || FBannerMenu.data() != FDropDown)) {
        FBannerBitmap = QImage();
        FBannerDirty = false;
        ComputeBannerRect(BannerItem(item));
    }
    if (FBanner) DrawBanner(canvas, item, rect);
}

TRect TCustomMenus97::BesideBanner(TMenuItem* item, TRect rect) {
    if (!FBanner || !HasBanner(item) || FBannerRect.IsEmpty()) return rect;
    if (FBannerAlignment == baLeft) {
        if (rect.Left == FBannerRect.Left) rect.Left += FBannerWidth + 2;
    } else if (rect.Right == FBannerRect.Right) {
        rect.Right -= FBannerWidth + 2;
    }
    return rect;
}

void TCustomMenus97::DrawBanner(QPainter& canvas, TMenuItem* item, TRect& rect) {
    if (!HasBanner(item) || FBannerRect.IsEmpty()) return;
    rect = BesideBanner(item, rect);
    if (FBannerBitmap.isNull()) FBannerBitmap = MakeBannerBitmap();
    canvas.drawImage(QPoint(FBannerRect.Left, FBannerRect.Top), FBannerBitmap);
}

void TCustomMenus97::DrawPlainSeparator(TMenuItem* item, QWidget* dropDown, QPainter& canvas, const TRect& rect) {
    if (!item) {
        TMenuItemPainter::DrawPlainSeparator(item, dropDown, canvas, rect);
        return;
    }
    const TDrawing drawing(this, canvas, dropDown);
    TRect r = rect;
    BannerStep(canvas, item, r);
    FillRect(canvas, r, FBrush);
    DrawEtchedMenuLine(canvas, r);
}

TRect TCustomMenus97::EntryArea(TMenuItem* item, QWidget* dropDown, const TRect& rect) {
    // The banner geometry is that of the drop-down drawn last.
    if (!item || FBannerMenu.data() != dropDown) return rect;
    return BesideBanner(item, rect);
}

QImage TCustomMenus97::MakeBannerBitmap() const {
    const int w = FBannerRect.Width(), h = FBannerRect.Height();
    QImage bmp(w, h, QImage::Format_RGB32);
    QPainter p(&bmp);
    if (FBannerColor == FBannerEndColor) {
        FillRect(p, TRect(0, 0, w, h), FBannerColor);
    } else {
        for (const TMenus97Band& band : Menus97BannerBands(0, h, FBannerColor, FBannerEndColor, FBannerNumColors))
            FillRect(p, TRect(0, band.Top, w, band.Bottom), static_cast<TColor>(band.Color));
    }
    TRect area(0, 0, w, h);
    if (FBannerImage >= 0 && FImages && FBannerImage < FImages->Count()) {
        area.Bottom -= FImages->GetWidth() + 4;
        FImages->Draw(p, (w - FImages->GetWidth()) / 2, h - FImages->GetHeight() - 2, FBannerImage);
    }
    QString text = FBannerItem ? Menus97BannerText(FBannerItem->GetCaption()) : QString();
    if (text.isEmpty()) text = FBannerText;
    if (text.isEmpty()) return bmp;
    const QFont font = FontForDevice(FBannerFont.Font, &bmp);
    const QFontMetrics metrics(font, &bmp);
    const TSize extent = TextExtent(metrics, text);
    const TPoint origin =
        Menus97BannerTextOrigin(area, extent.cx, extent.cy + 2, FBannerJustification, FBannerDirection);
    p.setFont(font);
    p.setPen(ToQColor(FBannerFont.Color));
    p.setBackgroundMode(Qt::TransparentMode);
    p.translate(origin.X, origin.Y);
    p.rotate(FBannerDirection == bdUpwards ? -90 : 90);
    TextOut(p, 0, 0, text);
    return bmp;
}

// ---- popup menus --------------------------------------------------------------------

TPopupMenu* TCustomPopupMenus97::GetPopupMenu() const { return qobject_cast<TPopupMenu*>(GetMenu()); }

bool TCustomPopupMenus97::HasBanner(TMenuItem* item) {
    return GetMenu() && item && item->GetParent() == GetMenu()->GetItems();
}

// ---- main menus ---------------------------------------------------------------------

TMainMenu* TCustomMainMenus97::GetMainMenu() const { return qobject_cast<TMainMenu*>(GetMenu()); }

void TCustomMainMenus97::SetMenus97Look(TMenus97Look value) {
    TCustomMenus97::SetMenus97Look(value);
    if (TMainMenu* menu = GetMainMenu(); menu && menu->GetMenuBar()) menu->GetMenuBar()->update();
}

void TCustomMainMenus97::FontChanged() {
    if (TMainMenu* menu = GetMainMenu(); menu && menu->GetMenuBar()) menu->GetMenuBar()->update();
}

bool TCustomMainMenus97::HasBanner(TMenuItem* item) {
    if (!GetMenu() || !item) return false;
    TMenuItem* root = GetMenu()->GetItems();
    TMenuItem* parent = item->GetParent();
    if (!parent || parent == root) return false;
    const TMenuItem* first = root->GetItem(0);
    return (parent == first && first->GetGroupIndex() == 0) || !Menus97BannerText(parent->GetCaption()).isEmpty();
}

TMenuItem* TCustomMainMenus97::BannerItem(TMenuItem* item) { return HasBanner(item) ? item->GetParent() : nullptr; }

QMenu* TCustomMainMenus97::BannerDropDown(TMenuItem* bannerItem) {
    return bannerItem ? bannerItem->DropDown() : nullptr;
}

int TCustomMainMenus97::GetDefaultItemHeight() {
    if (GetItemHeight() != 0 || !GetMenu() || GetMenu()->GetItems()->Count() == 0) return GetItemHeight();
    const QFontMetrics metrics(GetFont().Font);
    TRect r;
    MeasureText(metrics, Menus97EntryText(GetMenu()->GetItems()->GetItem(0)->GetCaption()), r,
                DT_CALCRECT | DT_EXPANDTABS | DT_SINGLELINE);
    return Menus97ItemHeight(CheckColumnHeight(), r.Height());
}

void TCustomMainMenus97::WatchBarDropDown(TMenuItem* owner) {
    TMainMenu* menu = GetMainMenu();
    if (!menu || !owner || owner->GetParent() != menu->GetItems() || !owner->DropDown()) return;
    QMenuBar* bar = menu->GetMenuBar();
    if (!bar || bar->isHidden()) return;  // the panel's drop-downs are not the bar's
    FBarDropped = true;
    BarDroppedChanged();
    connect(
        owner->DropDown(), &QMenu::aboutToHide, this,
        [this] {
            FBarDropped = false;
            BarDroppedChanged();
        },
        Qt::SingleShotConnection);
}

// ---- the main menu's bar -------------------------------------------------------------

void TMainMenus97::SetMenu(TMenu* menu) {
    TMainMenu* old = GetMainMenu();
    if (menu == old) return;
    if (old && old->GetMenuBar()) old->GetMenuBar()->setStyle(nullptr);
    TCustomMainMenus97::SetMenu(menu);
    if (TMainMenu* now = GetMainMenu()) {
        connect(now, &TMenu::DropDownShowing, this, &TMainMenus97::WatchBarDropDown);
        if (QMenuBar* bar = now->GetMenuBar()) bar->setStyle(BarStyle());
    }
    ApplyBar();
    if (FToolBar) FToolBar->SetMenus(this);
}

void TMainMenus97::BarDroppedChanged() {
    if (TMainMenu* menu = GetMainMenu(); menu && menu->GetMenuBar()) menu->GetMenuBar()->update();
}

void TMainMenus97::DoMeasureItem(TMenuItem* item, int& height, int& width) {
    TMainMenu* menu = GetMainMenu();
    if (FMenuBarBorder && menu && item->GetParent() == menu->GetItems() && IsBarTag(item->GetTag())) {
        // Room for the frame round the entries.
        height += 3;
        width += 2;
    }
    TCustomMainMenus97::DoMeasureItem(item, height, width);
}

void TMainMenus97::DrawBarBorder(QPainter& canvas, int top, int bottom) {
    TMainMenu* menu = GetMainMenu();
    const int width = menu && menu->GetMenuBar() ? menu->GetMenuBar()->width() : 0;
    TRect frame(0, top, width, bottom);
    DrawEdge(canvas, frame, BDR_RAISEDINNER, BF_RECT);
}

void TMainMenus97::DrawBarEmptyArea(QPainter& canvas, const TRect& rect) {
    FillRect(canvas, rect, GetBrush());
    if (FMenuBarBorder && !FHideMenuBar) DrawBarBorder(canvas, rect.Top, rect.Bottom);
}

void TMainMenus97::ApplyBar() {
    TMainMenu* menu = GetMainMenu();
    if (!menu || !menu->GetMenuBar()) return;
    // The bar stays in the window also on desktops with a global menu.
    menu->GetMenuBar()->setNativeMenuBar(false);
    menu->GetMenuBar()->setVisible(!FHideMenuBar);
    menu->GetMenuBar()->update();
}

void TMainMenus97::SetHideMenuBar(bool value) {
    if (FToolBar) return;
    FHideMenuBar = value;
    if (value) FMenuBarBorder = false;
    ApplyBar();
}

void TMainMenus97::SetMenuBarBorder(bool value) {
    if (!ChangeField(FMenuBarBorder, FHideMenuBar ? false : value)) return;
    Reconvert();  // the bar's entries are measured anew
    ApplyBar();
    // A bar outside a main window's layout keeps its height unless told.
    if (TMainMenu* menu = GetMainMenu(); menu && menu->GetMenuBar()) {
        QMenuBar* bar = menu->GetMenuBar();
        if (!qobject_cast<QMainWindow*>(bar->parentWidget()))
            bar->resize(bar->width(), bar->heightForWidth(bar->width()));
    }
}

void TMainMenus97::SetToolBar(TCustomMenuBar97* value) {
    if (FToolBar == value) return;
    if (FToolBar) FToolBar->SetMenus(nullptr);
    FToolBar = value;
    FHideMenuBar = value != nullptr;
    if (value) {
        FMenuBarBorder = false;
        connect(value, &QObject::destroyed, this, [this] {
            FHideMenuBar = false;
            ApplyBar();
        });
        value->SetMenus(this);
    }
    ApplyBar();
}

void TMainMenus97::DrawTopItem(QPainter& canvas, TMenuItem* item, TRect rect, TOwnerDrawState state) {
    if (FHideMenuBar) return;
    if (FMenuBarBorder) {
        DrawBarBorder(canvas, rect.Top, rect.Bottom);
        rect = TRect(rect.Left + 2, rect.Top + 2, rect.Right, rect.Bottom - 1);
    }
    FillRect(canvas, rect, GetBrush());
    if (state & odSelected) {
        // Pressed while its drop-down is open, raised while only selected.
        TRect r = rect;
        DrawEdge(canvas, r, BarDropped() ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
    }
    int textLeft = rect.Left + 5;
    if (item->GetTag() >= 4097 && GetImages()) {
        GetImages()->Draw(canvas, rect.Left + 3, rect.Top + 1, item->GetTag() - 4097);
        textLeft = rect.Left + 3 + GetImages()->GetWidth() + 2;
    }
    canvas.setFont(GetFont().Font);
    canvas.setPen(ToQColor(item->GetEnabled() ? GetFont().Color : clGrayText));
    TRect tr(textLeft, rect.Top, rect.Right, rect.Bottom);
    DrawText(canvas, Menus97EntryText(item->GetCaption()), tr, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
}

// ---- system menus -------------------------------------------------------------------

void TSystemMenu97Options::SetImageIndex(int value) {
    FImageIndex = value;
    FOwner->Rebuild();
}

void TSystemMenu97Options::SetVisible(TSystemMenu97ItemState value) {
    FVisible = value;
    FOwner->Rebuild();
}

void TSystemMenu97Options::SetCaption(const QString& value) {
    FCaption = value;
    FOwner->Rebuild();
}

TCustomSystemMenus97::TCustomSystemMenus97(QWidget* ownerForm)
    : TCustomPopupMenus97(ownerForm),
      FForm(ownerForm),
      FEmptyMenu(new TPopupMenu(this)),
      FSystemMenu(new TPopupMenu(this)) {
    const int commands[10] = {SC_RESTORE, SC_MOVE,       SC_SIZE,       SC_MINIMIZE, SC_MAXIMIZE,
                              SC_CLOSE,   SC_NEXTWINDOW, SC_PREVWINDOW, SC_TASKLIST, SC_SCREENSAVE};
    for (size_t i = 0; i < FOptions.size(); ++i)
        FOptions[i] = std::make_unique<TSystemMenu97Options>(this, commands[i]);
    connect(FSystemMenu, &TMenu::DropDownShowing, this, [this](TMenuItem* owner) {
        // The window's state decides which commands are offered.
        if (owner == FSystemMenu->GetItems()) Rebuild();
        InvalidateBanner();
    });
    SetMenu(FEmptyMenu);
}

TCustomSystemMenus97::~TCustomSystemMenus97() {
    delete FSystemMenu;
    FSystemMenu = nullptr;
}

TPopupMenu* TCustomSystemMenus97::GetPopupMenu() const {
    return GetMenu() == FEmptyMenu ? nullptr : TCustomPopupMenus97::GetPopupMenu();
}

void TCustomSystemMenus97::SetPopupMenu(TPopupMenu* value) {
    SetMenu(value && value->GetItems()->Count() > 0 ? value : FEmptyMenu);
}

void TCustomSystemMenus97::ConvertItems(TMenuItem* items, bool restore) {
    if (GetMenu() && items == GetMenu()->GetItems()) {
        FRestored = restore;
        Rebuild();
        return;
    }
    TCustomPopupMenus97::ConvertItems(items, restore);
}

TMenuItem* TCustomSystemMenus97::FindItemByCommand(int command) {
    if (GetMenu() && GetMenu() != FEmptyMenu)
        if (TMenuItem* item = GetMenu()->FindItem(command)) return item;
    for (const auto& option : FOptions)
        if (option->FCommand == command && option->FItem) return option->FItem;
    return TCustomPopupMenus97::FindItemByCommand(command);
}

bool TCustomSystemMenus97::HasBanner(TMenuItem* item) {
    if (!item) return false;
    if (FSystemMenu && item->GetParent() == FSystemMenu->GetItems()) return true;
    return GetMenu() && GetMenu() != FEmptyMenu && item->GetParent() == GetMenu()->GetItems();
}

void TCustomSystemMenus97::SysCommand(int command) {
    if (!FForm) return;
    switch (command) {
        case SC_RESTORE: FForm->showNormal(); break;
        case SC_MINIMIZE: FForm->showMinimized(); break;
        case SC_MAXIMIZE: FForm->showMaximized(); break;
        case SC_CLOSE: FForm->close(); break;
        case SC_MOVE:
            if (QWindow* w = FForm->windowHandle()) w->startSystemMove();
            break;
        case SC_SIZE:
            if (QWindow* w = FForm->windowHandle()) w->startSystemResize(Qt::RightEdge | Qt::BottomEdge);
            break;
        default: break;
    }
}

int TCustomSystemMenus97::PositionOf(int command) const {
    const TMenuItem* root = FSystemMenu->GetItems();
    for (int i = 0; i < root->Count(); ++i)
        if (root->GetItem(i)->GetHelpContext() == command) return i;
    return -1;
}

int TCustomSystemMenus97::InsertionPoint() const {
    const int close = PositionOf(SC_CLOSE);
    return close >= 0 ? close : FSystemMenu->GetItems()->Count();
}

void TCustomSystemMenus97::AddDefaultEntries() {
    const Qt::WindowStates state = FForm ? FForm->windowState() : Qt::WindowNoState;
    const bool minimized = state & Qt::WindowMinimized, maximized = state & Qt::WindowMaximized;
    const bool normal = !minimized && !maximized;
    struct Entry {
        int command;
        const char* text;
        bool enabled;
    };
    const Entry entries[] = {
        {SC_RESTORE, "&Restore", !normal},
        {SC_MOVE, "&Move", normal},
        {SC_SIZE, "&Size", normal},
        {SC_MINIMIZE, "Mi&nimize", !minimized},
        {SC_MAXIMIZE, "Ma&ximize", !maximized},
        {0, "-", true},
        {SC_CLOSE, "&Close\tAlt+F4", true},
    };
    TMenuItem* root = FSystemMenu->GetItems();
    for (const Entry& e : entries) {
        auto* item = new TMenuItem;
        const QString text = QString::fromLatin1(e.text);
        const qsizetype tab = text.indexOf(QLatin1Char('\t'));
        item->SetCaption(tab < 0 ? text : text.left(tab));
        if (tab >= 0) item->SetShortCut(TextToShortCut(text.mid(tab + 1)));
        item->SetHelpContext(e.command);
        item->SetEnabled(e.enabled);
        item->SetRadioItem(true);
        item->SetDefault(e.command == SC_CLOSE);
        const int command = e.command;
        item->OnClick = [this, command](QObject*) { SysCommand(command); };
        root->Add(item);
    }
}

void TCustomSystemMenus97::ApplyOption(TSystemMenu97Options& option, bool restore) {
    TMenuItem* root = FSystemMenu->GetItems();
    const int position = PositionOf(option.FCommand);
    option.FItem = nullptr;
    if (option.FVisible == smFalse) {
        root->Delete(position);
        return;
    }
    TMenuItem* entry = root->GetItem(position);
    if (!entry && option.FVisible != smTrue) return;
    const bool useCaption = !option.FCaption.isEmpty() || !entry;
    QString text;
    if (useCaption) {
        text = option.FCaption;
        text.replace(QLatin1String("#9"), QLatin1String("\t"));
    } else {
        text = entry->GetCaption();
        if (!entry->GetShortCut().isEmpty()) text += QLatin1Char('\t') + ShortCutToText(entry->GetShortCut());
    }
    const bool checked = !useCaption && entry->GetChecked();
    const bool isDefault = !useCaption && entry->GetDefault();
    if (!entry) {
        entry = new TMenuItem;
        entry->SetHelpContext(option.FCommand);
        const int command = option.FCommand;
        entry->OnClick = [this, command](QObject*) { SysCommand(command); };
        root->Insert(InsertionPoint(), entry);
    }
    const qsizetype tab = text.indexOf(QLatin1Char('\t'));
    entry->SetCaption(tab < 0 ? text : text.left(tab));
    entry->SetShortCut(tab < 0 ? QKeySequence() : TextToShortCut(text.mid(tab + 1)));
    entry->SetChecked(checked);
    entry->SetDefault(isDefault);
    entry->SetRadioItem(true);
    entry->SetTag(option.FImageIndex);
    if (!restore && !entry->GetOwnerDraw()) entry->SetOwnerDraw(this);
    option.FItem = entry;
}

void TCustomSystemMenus97::InsertMirror(TMenuItem* parent, int index, TMenuItem* source, bool restore) {
    auto* mirror = new TMenuItem;
    mirror->SetCaption(source->GetCaption());
    if (source->Count() == 0) mirror->SetShortCut(source->GetShortCut());
    mirror->SetChecked(source->GetChecked());
    mirror->SetEnabled(source->GetEnabled());
    mirror->SetDefault(source->GetDefault());
    mirror->SetGroupIndex(source->GetGroupIndex());
    mirror->SetRadioItem(source->GetRadioItem());
    mirror->SetBreak(source->GetBreak());
    mirror->SetTag(source->GetTag());
    mirror->SetHint(source->GetHint());
    const QPointer<TMenuItem> original(source);
    mirror->OnClick = [original](QObject*) {
        if (original) original->Click();
    };
    parent->Insert(index, mirror);
    if (!restore && !mirror->IsLine()) mirror->SetOwnerDraw(this);
    for (int i = 0; i < source->Count(); ++i)
        if (source->GetItem(i)->GetVisible()) InsertMirror(mirror, mirror->Count(), source->GetItem(i), restore);
}

void TCustomSystemMenus97::Rebuild() {
    if (!FSystemMenu) return;
    TMenuItem* root = FSystemMenu->GetItems();
    root->Clear();
    AddDefaultEntries();
    for (const auto& option : FOptions) ApplyOption(*option, FRestored);
    TMenu* attached = GetMenu();
    if (attached && attached != FEmptyMenu && attached->GetItems()->Count() > 0) {
        const TMenuItem* items = attached->GetItems();
        for (int i = 0; i < items->Count(); ++i)
            if (items->GetItem(i)->GetVisible()) InsertMirror(root, InsertionPoint(), items->GetItem(i), FRestored);
        auto* separator = new TMenuItem;
        separator->SetCaption(QStringLiteral("-"));
        separator->SetHelpContext(55000);
        root->Insert(InsertionPoint(), separator);
    }
    InvalidateBanner();
}
