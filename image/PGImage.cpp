#include "image/PGImage.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <array>
#include <cstring>

#include "image/PGControls.h"
#include "platform/MathUtil.h"
#include "platform/Paint.h"
#include "platform/Streams.h"

// ---- cursors -------------------------------------------------------------------

namespace {

// Cursor pictures: 'X' black, 'o' white, anything else transparent; placed at
// (left, top) of a 32 x 32 cursor.
struct TCursorArt {
    int Left, Top, HotX, HotY;
    std::vector<const char*> Rows;
};

QCursor CursorFromArt(const TCursorArt& art) {
    uint8_t andMask[128], xorMask[128];
    std::memset(andMask, 0xFF, sizeof andMask);
    std::memset(xorMask, 0, sizeof xorMask);
    for (size_t r = 0; r < art.Rows.size(); ++r) {
        const int y = art.Top + static_cast<int>(r);
        for (int c = 0; art.Rows[r][c] && y < 32; ++c) {
            const int x = art.Left + c;
            const char ch = art.Rows[r][c];
            if (x >= 32 || (ch != 'X' && ch != 'o')) continue;
            const int byte = y * 4 + x / 8, bit = 0x80 >> (x % 8);
            andMask[byte] &= static_cast<uint8_t>(~bit);
            if (ch == 'o') xorMask[byte] |= static_cast<uint8_t>(bit);
        }
    }
    return MakeCursor(art.HotX, art.HotY, 32, 32, andMask, xorMask);
}

// A thin cross of dashed black-and-white arms around an open centre.
QCursor MakeCrossCursor() {
    std::vector<std::string> rows(32, std::string(32, ' '));
    for (int k = 0; k < 32; ++k) {
        if (k >= 12 && k <= 18) continue;
        const char c = (k / 2) % 2 ? 'o' : 'X';
        rows[15][k] = c;
        rows[k][15] = c;
    }
    TCursorArt art{0, 0, 15, 15, {}};
    for (const std::string& r : rows) art.Rows.push_back(r.c_str());
    return CursorFromArt(art);
}

const std::array<QCursor, 4>& Cursors() {
    static const std::array<QCursor, 4> cursors = [] {
        const TCursorArt openHand{8,
                                  4,
                                  16,
                                  12,
                                  {"       XX       ", "   XX XooXXX    ", "  XooXXooXooX   ", "  XooXXooXooX X ",
                                   "   XooXooXooXXoX", "   XooXooXooXooX", " XX XoooooooXooX", "XooXXoooooooooX ",
                                   "XoooXooooooooX  ", " XooooooooooooX ", "  XoooooooooooX ", "  XooooooooooX  ",
                                   "   XoooooooooX  ", "    XoooooooX   ", "     XooooooX   ", "     XooooooX   "}};
        const TCursorArt closedHand{8,
                                    4,
                                    16,
                                    12,
                                    {"", "", "", "    XX XX XX    ", "   XooXooXooXX  ", "   XooooooooXoX ",
                                     "    XoooooooooX ", "   XXoooooooooX ", "  XooooooooooX  ", "  XooooooooooX  ",
                                     "   XoooooooooX  ", "    XoooooooX   ", "     XooooooX   ", "     XooooooX   "}};
        const TCursorArt move{
            6, 5, 16, 15, {"          X          ", "         XoX         ", "        XoooX        ",
                           "       XoooooX       ", "      XXXXoXXXX      ", "         XoX         ",
                           "    X    XoX    X    ", "   XX    XoX    XX   ", "  XoX    XoX    XoX  ",
                           " XooXXXXXXoXXXXXXooX ", "XoooooooooooooooooooX", " XooXXXXXXoXXXXXXooX ",
                           "  XoX    XoX    XoX  ", "   XX    XoX    XX   ", "    X    XoX    X    ",
                           "         XoX         ", "      XXXXoXXXX      ", "       XoooooX       ",
                           "        XoooX        ", "         XoX         ", "          X          "}};
        return std::array<QCursor, 4>{CursorFromArt(openHand), CursorFromArt(closedHand), MakeCrossCursor(),
                                      CursorFromArt(move)};
    }();
    return cursors;
}

QCursor CursorOfKind(TPicBoxCursorKind kind, TCursor own) {
    switch (kind) {
        case pckOpenHand: return PGImageCursor(pgcOpenHand);
        case pckClosedHand: return PGImageCursor(pgcClosedHand);
        case pckCross: return PGImageCursor(pgcCross);
        case pckMove: return PGImageCursor(pgcMove);
        case pckSizeNS: return GetCursor(crSizeNS);
        case pckSizeWE: return GetCursor(crSizeWE);
        case pckSizeNWSE: return GetCursor(crSizeNWSE);
        case pckSizeNESW: return GetCursor(crSizeNESW);
        case pckOwn: break;
    }
    return GetCursor(own);
}

// The picture in the format Qt draws fastest, made once per paint so that
// every tile is drawn without another conversion.
QImage PaintImage(TPixelGraphic& g) {
    if (g.GetEmpty() || g.GetWidth() <= 0 || g.GetHeight() <= 0) return QImage();
    if (g.GetBitCount() == 24) return g.QImageView().convertToFormat(QImage::Format_RGB32);
    return g.ToQImage();
}

// The framework's FrameRect with a brush: the rectangle's outer pixels.
void FrameWithBrush(QPainter& p, const TRect& r, const QBrush& brush) {
    if (r.IsEmpty()) return;
    p.fillRect(QRect(r.Left, r.Top, r.Width(), 1), brush);
    p.fillRect(QRect(r.Left, r.Bottom - 1, r.Width(), 1), brush);
    p.fillRect(QRect(r.Left, r.Top, 1, r.Height()), brush);
    p.fillRect(QRect(r.Right - 1, r.Top, 1, r.Height()), brush);
}

// Shows the menu at the mouse; without a menu the request goes on to the
// parent, as the framework passes it up.
void PopupOrPass(QMenu* menu, QContextMenuEvent* event) {
    if (!menu) return event->ignore();
    menu->popup(event->globalPos());
    event->accept();
}

}  // namespace

const QCursor& PGImageCursor(TPGImageCursor which) { return Cursors()[which]; }

// ---- client area -------------------------------------------------------------------

// The client area of the control: paints through the control and reports
// the mouse outside the paint box as the control's own.
class TPGImageClient : public TGraphicControl {
public:
    explicit TPGImageClient(TPGImage* owner) : TGraphicControl(owner), FOwner(owner) {
        // Every pixel is painted (margins, tiles or frame): nothing to erase.
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter p(this);
        FOwner->Paint(p, TRect::FromQRect(event->rect()));
    }
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override {
        if (FOwner->OnMouseDown) FOwner->OnMouseDown(FOwner, button, shift, x, y);
    }
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override {
        if (FOwner->OnMouseUp) FOwner->OnMouseUp(FOwner, button, shift, x, y);
    }
    void MouseMove(TShiftState shift, int x, int y) override {
        if (FOwner->OnSetCursor && GetScreenCursor() == crDefault) {
            QCursor c(Qt::ArrowCursor);
            FOwner->OnSetCursor(FOwner, c);
            setCursor(c);
        }
        if (FOwner->OnMouseMove) FOwner->OnMouseMove(FOwner, shift, x, y);
    }
    void Click() override {
        if (FOwner->OnClick) FOwner->OnClick(FOwner);
    }
    void DblClick() override {
        if (FOwner->OnDblClick) FOwner->OnDblClick(FOwner);
    }
    void contextMenuEvent(QContextMenuEvent* event) override { PopupOrPass(FOwner->PopupMenu, event); }

private:
    TPGImage* FOwner;
};

// ---- paint box ---------------------------------------------------------------------

TPicBox::TPicBox(TPGImage* owner, QWidget* parent) : TGraphicControl(parent), FOwner(owner) {}

TColor TPicBox::GetColor() const { return FParentColor ? FOwner->GetColor() : FColor; }

void TPicBox::SetColor(TColor value) {
    FColor = value;
    FParentColor = false;
    FOwner->Invalidate();
}

void TPicBox::SetParentColor(bool value) {
    if (!ChangeField(FParentColor, value)) return;
    FOwner->Invalidate();
}

void TPicBox::Paint(QPainter& canvas) {
    FOwner->PaintSelectionFrame(canvas);
    if (OnPaint) OnPaint(this);
}

void TPicBox::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    FOwner->PicBoxMouseDown(button, x, y);
    TGraphicControl::MouseDown(button, shift, x, y);
}

void TPicBox::MouseMove(TShiftState shift, int x, int y) {
    FOwner->PicBoxMouseMove(x, y);
    TGraphicControl::MouseMove(shift, x, y);
}

void TPicBox::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TGraphicControl::MouseUp(button, shift, x, y);
    FOwner->PicBoxMouseUp(button, x, y);
}

void TPicBox::contextMenuEvent(QContextMenuEvent* event) { PopupOrPass(PopupMenu, event); }

// ---- construction ------------------------------------------------------------------

TPGImage::TPGImage(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    FClient = new TPGImageClient(this);
    FHorzBar = new QScrollBar(Qt::Horizontal, this);
    FVertBar = new QScrollBar(Qt::Vertical, this);
    for (QScrollBar* bar : {FHorzBar, FVertBar}) {
        bar->hide();
        bar->setSingleStep(8);
        connect(bar, &QScrollBar::valueChanged, this, [this] { PositionPicBox(); });
    }
    FPicBox = new TPicBox(this, FClient);
    // An idle worker, so that stopping the worker is always possible.
    FThread = std::make_unique<TCreatePaintPGThread>(false, true);
    resize(100, 100);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    Resized();
    UpdateHints();
}

TPGImage::~TPGImage() {
    StopThread(true);
    FThread.reset();
    DropPicture();
    FPaintPixelGraphic.reset();
    delete FMarchingTimer;
    delete FAutoScrollTimer;
    FMarchingTimer = FAutoScrollTimer = nullptr;
    // The paint box and client call back into the control: they go first.
    delete FPicBox;
    FPicBox = nullptr;
    delete FClient;
    FClient = nullptr;
}

// ---- the picture -------------------------------------------------------------------

TPixelGraphic* TPGImage::GetPixelGraphic() {
    StopThread(false);
    return FPixelGraphic.get();
}

void TPGImage::SetPixelGraphic(TPixelGraphic* graphic) {
    if (graphic && graphic == FPixelGraphic.get()) {
        // Handing the control its own picture again must not free it.
        StopThread(true);
        DropDisplayCopy();
        ConnectPicture(graphic);
        PixelGraphicChanged();
        return;
    }
    SetPixelGraphic(std::unique_ptr<TPixelGraphic>(graphic));
}

void TPGImage::SetPixelGraphic(std::unique_ptr<TPixelGraphic> graphic) {
    if (graphic && graphic == FPixelGraphic) {
        SetPixelGraphic(graphic.release());
        return;
    }
    ReleasePicture();
    FPixelGraphic = std::move(graphic);
    if (FPixelGraphic) ConnectPicture(FPixelGraphic.get());
    PixelGraphicChanged();
}

void TPGImage::AttachPixelGraphic(TPixelGraphic* graphic) {
    if (graphic && graphic == FPixelGraphic.get()) {
        SetPixelGraphic(graphic);
        FAttached = true;
        return;
    }
    ReleasePicture();
    FPixelGraphic.reset(graphic);
    FAttached = graphic != nullptr;
    if (FPixelGraphic) ConnectPicture(FPixelGraphic.get());
    PixelGraphicChanged();
}

void TPGImage::ReleasePicture() {
    StopThread(true);
    DropPicture();
    DropDisplayCopy();
}

void TPGImage::DropPicture() {
    if (FPixelGraphic) {
        // A borrowed picture outlives the control: none of its handlers may
        // still point here.
        FPixelGraphic->OnChange = nullptr;
        FPixelGraphic->OnProgressStart = nullptr;
        FPixelGraphic->OnProgress = nullptr;
        FPixelGraphic->OnProgressEnd = nullptr;
    }
    if (FAttached) (void)FPixelGraphic.release();
    else FPixelGraphic.reset();
    FAttached = false;
}

void TPGImage::ConnectPicture(TPixelGraphic* g) {
    g->OnProgressStart = [this](TPixelGraphic* sender) {
        if (OnPixelGraphicProgressStart) OnPixelGraphicProgressStart(sender);
    };
    g->OnProgress = [this](TPixelGraphic* sender, int step, int max, bool& abort) {
        if (OnPixelGraphicProgress) OnPixelGraphicProgress(sender, step, max, abort);
    };
    g->OnProgressEnd = [this](TPixelGraphic* sender) {
        if (OnPixelGraphicProgressEnd) OnPixelGraphicProgressEnd(sender);
    };
    g->OnChange = [this](TPixelGraphic*) { PixelGraphicChanged(); };
}

void TPGImage::LoadFromFile(const std::string& fileName) {
    FFileName.clear();
    std::unique_ptr<THourGlass> hourGlass;
    if (FShowHourGlass) hourGlass = std::make_unique<THourGlass>();
    ReleasePicture();
    try {
        if (!ExtractFileName(fileName).empty()) {
            auto g = std::make_unique<TPixelGraphic>();
            g->SetReadWarningAction(FReadWarningAction);
            g->SetBackgroundColor(FBackGroundColor);
            ConnectPicture(g.get());
            g->OnChange = nullptr;  // the change handler joins once the file is in
            g->LoadFromFileExt(fileName, 0);
            ConnectPicture(g.get());
            FPixelGraphic = std::move(g);
            FFileName = fileName;
        }
    } catch (...) {
        PixelGraphicChanged();
        throw;
    }
    PixelGraphicChanged();
}

void TPGImage::SaveToFile(const std::string& fileName) {
    if (!FPixelGraphic) throw EPGEmpty(FormatLangStr1(16, "PixelGraphic"));
    // Saving classifies the palette: the worker must not be reading it.
    TPixelGraphic* g = GetPixelGraphic();
    g->SetSaveColorResWarningAction(FSaveColorResWarningAction);
    g->SaveToFile(fileName);
    FFileName = fileName;
}

void TPGImage::SetFileName(const std::string& value) {
    if (value != FFileName) LoadFromFile(value);
}

void TPGImage::PixelGraphicChanged() {
    StopThread(true);
    FGraphicWidth = FPixelGraphic ? FPixelGraphic->GetWidth() : 0;
    FGraphicHeight = FPixelGraphic ? FPixelGraphic->GetHeight() : 0;
    const TSize size = AutoSizeNow();
    if (OnNewAutoSize) OnNewAutoSize(this, size.cx, size.cy);
    FPaintStale = true;
    // In a layout the size comes from the layout, through the size hint.
    if (FAutoSize) updateGeometry();
    if (!FAutoSize || (width() == size.cx && height() == size.cy) || IsLaidOut(this)) Rearrange(false);
    else SetBounds(x(), y(), size.cx, size.cy);
    if (OnPixelGraphicChange) OnPixelGraphicChange(this);
}

TSize TPGImage::AutoSizeNow() const {
    return AutoSizeOf(TSize(FGraphicWidth, FGraphicHeight), GetBorderWidth(), FAutoSizeMin, FAutoSizeMax,
                      TSize(ScrollBarSize, ScrollBarSize));
}

QSize TPGImage::sizeHint() const {
    if (!FAutoSize) return QSize(100, 100);
    const TSize size = AutoSizeNow();
    return QSize(size.cx, size.cy);
}

QSize TPGImage::minimumSizeHint() const {
    if (FAutoSize) return sizeHint();
    const int b = 2 * GetBorderWidth();
    return QSize(b + 16, b + 16);
}

// ---- worker and display copy ---------------------------------------------------------

void TPGImage::StopThread(bool dropResults) {
    if (FThread) {
        FThread->Terminate();
        FThread->WaitFor();
    }
    // A result posted just before the stop is still on its way: with a new
    // number it is freed unread when it arrives.
    if (dropResults) ++FGeneration;
}

bool TPGImage::IsBuilding() const { return FThread && FThread->isRunning(); }

void TPGImage::DropDisplayCopy() {
    if (FKeepOldPaintPixelGraphic && FUseThread) FPaintStale = true;
    else FPaintPixelGraphic.reset();
}

void TPGImage::ReplacePicture(std::unique_ptr<TPixelGraphic> g) {
    DropPicture();
    FPixelGraphic = std::move(g);
    if (FPixelGraphic) ConnectPicture(FPixelGraphic.get());
}

void TPGImage::ReceiveDisplayCopy(std::unique_ptr<TPixelGraphic> g) {
    if (FReduceOnLoad) {
        // The reduced copy becomes the picture itself and is drawn directly.
        FPaintPixelGraphic.reset();
        ReplacePicture(std::move(g));
    } else {
        FPaintPixelGraphic = std::move(g);
    }
    Invalidate();
}

bool TPGImage::CreatePaintPixelGraphic() {
    TDisplayCopyQuery q;
    q.ScreenBits = DisplayBitsPerPixel();
    q.HasPicture = FPixelGraphic != nullptr;
    if (FPixelGraphic) {
        q.PictureBits = FPixelGraphic->GetBitCount();
        q.PicturePaletteType = FPixelGraphic->GetPaletteType();
        q.PictureSize = TSize(FPixelGraphic->GetWidth(), FPixelGraphic->GetHeight());
    }
    q.PaintBoxSize = FBoxSize;
    q.BuiltSize = FBuiltSize;
    q.StretchMode = FStretchMode;
    q.ReduceOnLoad = FReduceOnLoad;
    q.PaintStale = FPaintStale;
    q.Allow24BitStretch = FAllow24BitStretch;
    q.Palette8BitSys8BitGraphic = FPalette8BitSys8BitGraphic;
    q.Palette8BitSys24BitGraphic = FPalette8BitSys24BitGraphic;
    const TDisplayCopyNeed n = DisplayCopyNeed(q);
    FPaintStale = n.PaintStale;
    const bool keepOld = FKeepOldPaintPixelGraphic && FUseThread;
    if (((FPaintStale && !keepOld) || !n.Need) && FPaintPixelGraphic) {
        StopThread(true);
        FPaintPixelGraphic.reset();
    }
    if (!(n.Need && (FPaintStale || (!FPaintPixelGraphic && FThread->Terminated())))) return n.Need;

    StopThread(false);
    if (!keepOld) FPaintPixelGraphic.reset();
    FProgressStage = 1;
    FStageCount = 1;
    FProgressPercent = 0;
    FThread.reset();
    FThread = std::make_unique<TCreatePaintPGThread>(true, !FUseThread);
    const uint64_t generation = ++FGeneration;
    if (FUseThread) FThread->PostMessages = true;
    else FThread->ResultMethod = [this](std::unique_ptr<TPixelGraphic> g) { ReceiveDisplayCopy(std::move(g)); };
    try {
        const TDisplayCopyPlan plan = PlanDisplayCopy(q, n.Resized);
        FStageCount = plan.StageCount;
        TDisplayCopyOptions options;
        options.StretchMode = FStretchMode;
        options.Dither = FDither;
        options.DitherErrorLimit = FDitherErrorLimit;
        options.DitherErrorLimitAuto = FDitherErrorLimitAuto;
        options.DitherErrorLimitSoft = FDitherErrorLimitSoft;
        options.RGBWeighting = FRGBWeighting;
        FThread->Prepare(this, generation, FPixelGraphic.get(), plan, options);
        FBuiltSize = plan.Size;
        FPaintStale = false;
        if (FUseThread) FThread->Resume();
        else FThread->DoTheWork();
    } catch (...) {
        // The frame and clocks stay until the next rebuild.
    }
    return n.Need;
}

void TPGImage::DisplayChanged() {
    FPaintStale = true;
    Invalidate();
}

bool TPGImage::event(QEvent* event) {
    if (event->type() == TPaintResultEvent::EventType) {
        auto* result = static_cast<TPaintResultEvent*>(event);
        if (result->Generation == FGeneration && result->Graphic) {
            // The worker posts as its last step; let it end before the
            // picture it read may be freed.
            FThread->WaitFor();
            ReceiveDisplayCopy(std::move(result->Graphic));
        }
        return true;
    }
    if (event->type() == TPaintProgressEvent::EventType) {
        const auto* progress = static_cast<const TPaintProgressEvent*>(event);
        if (progress->Generation == FGeneration) {
            FProgressStage = progress->Stage;
            FProgressPercent = progress->Percent;
            UpdateClocks();
        }
        return true;
    }
    return QWidget::event(event);
}

// ---- layout ----------------------------------------------------------------------------

int TPGImage::GetBorderWidth() const {
    if (FBorderStyle == bsNone) return 0;
    return FCtl3D ? 2 : 1;
}

TRect TPGImage::GetClientRect() const { return TRect(0, 0, FClient->width(), FClient->height()); }

TRect TPGImage::GetPicBoxRect() const { return TRect::FromQRect(FPicBox->geometry()); }

void TPGImage::SetBounds(int left, int top, int width, int height) {
    FResizeSeen = false;
    setGeometry(left, top, std::max(0, width), std::max(0, height));
    // A hidden control gets its resize event only when shown.
    if (!FResizeSeen) Resized();
}

void TPGImage::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    FResizeSeen = true;
    Resized();
}

void TPGImage::Resized() {
    // The paint box leaves first, so that the scroll bars it needed go.
    FBoxOrigin = TPoint();
    FBoxSize = TSize();
    FPicBox->setGeometry(0, 0, 0, 0);
    UpdateScrollBars();
    Rearrange(true);
}

void TPGImage::UpdateScrollBars() {
    const int b = GetBorderWidth(), bar = ScrollBarSize;
    const int w0 = std::max(0, width() - 2 * b), h0 = std::max(0, height() - 2 * b);
    const int64_t extentX = int64_t(FBoxOrigin.X) + FBoxSize.cx, extentY = int64_t(FBoxOrigin.Y) + FBoxSize.cy;
    bool horz = false, vert = false;
    if (FAutoScroll) {
        // Each bar narrows the other direction; the second pass settles it.
        for (int pass = 0; pass < 2; ++pass) {
            horz = extentX > w0 - (vert ? bar : 0);
            vert = extentY > h0 - (horz ? bar : 0);
        }
    }
    const int cw = std::max(0, w0 - (vert ? bar : 0)), ch = std::max(0, h0 - (horz ? bar : 0));
    FClient->setGeometry(b, b, cw, ch);
    FHorzBar->setGeometry(b, b + ch, cw, bar);
    FVertBar->setGeometry(b + cw, b, bar, ch);
    FHorzBar->setVisible(horz);
    FVertBar->setVisible(vert);
    FHorzBar->setPageStep(std::max(1, cw));
    FVertBar->setPageStep(std::max(1, ch));
    FHorzBar->setRange(0, horz ? static_cast<int>(std::max<int64_t>(0, extentX - cw)) : 0);
    FVertBar->setRange(0, vert ? static_cast<int>(std::max<int64_t>(0, extentY - ch)) : 0);
    PositionPicBox();
    update();
}

void TPGImage::PositionPicBox() {
    FPicBox->move(FBoxOrigin.X - FHorzBar->value(), FBoxOrigin.Y - FVertBar->value());
    FClient->update();
}

bool TPGImage::ScrollPositionsCentred() const {
    const int cw = FClient->width(), ch = FClient->height();
    const int h = FCenter && FBoxSize.cx > cw ? (FBoxSize.cx - cw) / 2 : 0;
    const int v = FCenter && FBoxSize.cy > ch ? (FBoxSize.cy - ch) / 2 : 0;
    return FHorzBar->value() == h && FVertBar->value() == v;
}

void TPGImage::Rearrange(bool forced) {
    const int b = GetBorderWidth();
    const TSize area(width() - 2 * b, height() - 2 * b), bars(ScrollBarSize, ScrollBarSize);
    const TShownSize shown = StretchedSize(FStretch, TSize(FGraphicWidth, FGraphicHeight), area, bars, FZoomFactor);
    if (shown.Zoom != FZoom) {
        FZoom = shown.Zoom;
        if (OnZoomFactorChange) OnZoomFactorChange(this);
    }
    const TSize size(shown.Width, shown.Height);
    const TPoint at = ShownPlacement(FCenter, size, area, bars);
    if (FBoxSize == size && (!(forced || FRearrangeAlways) || (FBoxOrigin == at && ScrollPositionsCentred()))) {
        Invalidate();
        return;
    }
    FLayoutInProgress = true;
    try {
        FHorzBar->setValue(0);
        FVertBar->setValue(0);
        FBoxOrigin = at;
        FBoxSize = size;
        FPicBox->setGeometry(at.X, at.Y, size.cx, size.cy);
        UpdateScrollBars();
        if (FCenter) {
            if (size.cx > FClient->width()) FHorzBar->setValue((size.cx - FClient->width()) / 2);
            if (size.cy > FClient->height()) FVertBar->setValue((size.cy - FClient->height()) / 2);
        }
    } catch (...) {
        FLayoutInProgress = false;
        throw;
    }
    FLayoutInProgress = false;
    Invalidate();
}

void TPGImage::Invalidate() {
    FClient->update();
    // Transparent controls over the picture show what it paints below them.
    for (QWidget* parent : {static_cast<QWidget*>(this), FClient})
        for (QObject* child : parent->children()) {
            auto* w = qobject_cast<QWidget*>(child);
            if (w && IsTransparentPGControl(w)) w->update();
        }
}

void TPGImage::SetBorderStyle(TBorderStyle value) {
    if (!ChangeField(FBorderStyle, value)) return;
    updateGeometry();
    Resized();
    update();
}

void TPGImage::SetCtl3D(bool value) {
    if (!ChangeField(FCtl3D, value)) return;
    updateGeometry();
    Resized();
    update();
}

void TPGImage::SetAutoScroll(bool value) {
    if (ChangeField(FAutoScroll, value)) Resized();
}

void TPGImage::SetColor(TColor value) {
    if (ChangeField(FColor, value)) Invalidate();
}

// ---- painting ------------------------------------------------------------------------------

void TPGImage::paintEvent(QPaintEvent*) {
    QPainter p(this);
    TRect r(0, 0, width(), height());
    if (GetBorderWidth() == 2) DrawEdge(p, r, EDGE_SUNKEN, BF_RECT);
    else if (GetBorderWidth() == 1) FrameRect(p, r, clWindowFrame);
    if (!FHorzBar->isHidden() && !FVertBar->isHidden())
        FillRect(p, TRect::FromQRect(QRect(FVertBar->x(), FHorzBar->y(), ScrollBarSize, ScrollBarSize)), clBtnFace);
}

void TPGImage::Paint(QPainter& canvas, const TRect& clip) {
    if (FLayoutInProgress) return;
    const TRect r = GetPicBoxRect();
    TPixelGraphic* g = CreatePaintPixelGraphic() ? FPaintPixelGraphic.get() : FPixelGraphic.get();
    if (OnPainting) OnPainting(this);
    try {
        const TSize client(FClient->width(), FClient->height());
        if (FTiling == tNone || !g || r.IsEmpty())
            for (const TRect& m : MarginRects(r, client)) FillRect(canvas, m, FColor);
        if (g) {
            DrawTiles(canvas, clip, r, *g);
        } else if (!r.IsEmpty()) {
            Rectangle(canvas, r, TPen(FPicBoxFrameColor), FPicBox->GetColor());
            if (FProgressClockVisible) DrawClocks(canvas, r);
        }
    } catch (...) {
        if (OnPaint) OnPaint(this);
        throw;
    }
    if (OnPaint) OnPaint(this);
}

void TPGImage::DrawTiles(QPainter& canvas, const TRect& clip, const TRect& r, TPixelGraphic& g) {
    const TTileRange range = TileRangeOf(r, TSize(FClient->width(), FClient->height()), FTiling != tNone);
    if (range.Empty) return;
    struct TTile {
        TRect Rect;
        TTileMirror Mirror;
    };
    std::vector<TTile> tiles;
    // Mirrored copies of the picture, made when more than two tiles need one:
    // both ways, horizontal only, vertical only.
    const TTileMirror kinds[3] = {{true, true}, {true, false}, {false, true}};
    int counts[3] = {0, 0, 0};
    for (int row = range.G0; row <= range.G1; ++row)
        for (int col = range.I0; col <= range.I1; ++col) {
            const TRect t = TileRect(r, row, col);
            if (IntersectRect(t, clip).IsEmpty()) continue;
            const TTileMirror m = TileMirrorOf(FTiling, FFlipHorizontal, FFlipVertical, row, col);
            tiles.push_back({t, m});
            for (int k = 0; k < 3; ++k)
                if (m == kinds[k]) ++counts[k];
        }
    if (tiles.empty()) return;
    const QImage image = PaintImage(g);
    if (image.isNull()) return;
    QImage mirrored[3];
    for (int k = 0; k < 3; ++k)
        if (counts[k] > 2) mirrored[k] = image.mirrored(kinds[k].Horizontal, kinds[k].Vertical);
    canvas.save();
    canvas.setRenderHint(QPainter::SmoothPixmapTransform, false);
    canvas.setCompositionMode(QPainter::CompositionMode_Source);
    for (const TTile& t : tiles) {
        int kind = -1;
        for (int k = 0; k < 3; ++k)
            if (t.Mirror == kinds[k]) kind = k;
        const QRect target = t.Rect.ToQRect();
        if (kind < 0) canvas.drawImage(target, image);
        else if (!mirrored[kind].isNull()) canvas.drawImage(target, mirrored[kind]);
        else canvas.drawImage(target, image.mirrored(t.Mirror.Horizontal, t.Mirror.Vertical));
    }
    canvas.restore();
}

void DrawProgressClock(QPainter& canvas, TPoint origin, int stage, int percent, TColor bkColor, TColor lineColor) {
    const TPen pen(lineColor);
    Ellipse(canvas, TRect(origin.X, origin.Y, origin.X + 15, origin.Y + 15), pen, bkColor);
    TPoint hour, minute;
    ClockHands(origin, stage, percent, hour, minute);
    Line(canvas, pen, origin.X + 7, origin.Y + 7, hour.X, hour.Y);
    Line(canvas, pen, origin.X + 7, origin.Y + 7, minute.X, minute.Y);
}

void TPGImage::DrawClocks(QPainter& canvas, const TRect& r) {
    for (const TPoint& o : ClockOrigins(r, FProgress5Clocks))
        DrawProgressClock(canvas, o, FProgressStage, FProgressPercent, FProgressClockBkColor, FProgressClockLineColor);
}

void TPGImage::UpdateClocks() {
    if (!FProgressClockVisible) return;
    for (const TPoint& o : ClockOrigins(GetPicBoxRect(), FProgress5Clocks)) FClient->update(o.X, o.Y, 15, 15);
}

// ---- selection ------------------------------------------------------------------------------

TRect TPGImage::GetSelectionFrame() const {
    return TRect(PictureToPaintBox(FSel.Left, FGraphicWidth, FBoxSize.cx),
                 PictureToPaintBox(FSel.Top, FGraphicHeight, FBoxSize.cy),
                 PictureToPaintBox(FSel.Right(), FGraphicWidth, FBoxSize.cx),
                 PictureToPaintBox(FSel.Bottom(), FGraphicHeight, FBoxSize.cy));
}

void TPGImage::SetSelection(bool value) {
    if (!ChangeField(FSelection, value)) return;
    if (FSelection) {
        FMarchingTimer = new QTimer(this);
        FMarchingTimer->setInterval(50);
        connect(FMarchingTimer, &QTimer::timeout, this, [this] { MarchingTick(); });
        FMarchingTimer->start();
    } else {
        delete FMarchingTimer;
        FMarchingTimer = nullptr;
    }
    FPicBox->update();
    if (OnSelectionChange) OnSelectionChange(this);
}

void TPGImage::SetSelectionRect(int left, int top, int width, int height) {
    const TSelectionRect n{left, top, width, height};
    if (n == FSel) return;
    if (FSelection) UpdateSelectionStrips();
    FSel = n;
    if (FSelection) UpdateSelectionStrips();
    if (OnSelectionChange) OnSelectionChange(this);
}

void TPGImage::UpdateSelectionStrips() {
    const int e = FActionMode == amMoveResizeCreateSelection ? 8 : 1;
    for (const TRect& strip : SelectionStrips(GetSelectionFrame(), e))
        if (!strip.IsEmpty()) FPicBox->update(strip.ToQRect());
}

void TPGImage::SetSelectionColor1(TColor value) {
    if (!ChangeField(FSelectionColor1, value)) return;
    for (auto& brush : FAntsBrushes) brush.reset();
}

void TPGImage::SetSelectionColor2(TColor value) {
    if (!ChangeField(FSelectionColor2, value)) return;
    for (auto& brush : FAntsBrushes) brush.reset();
}

const QBrush& TPGImage::AntsBrush(int k) {
    if (!FAntsBrushes[k]) {
        QImage pattern(8, 8, QImage::Format_RGB32);
        const QRgb c1 = ToQColor(FSelectionColor1).rgb(), c2 = ToQColor(FSelectionColor2).rgb();
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) pattern.setPixel(x, y, AntsSecondColor(x, y, k) ? c2 : c1);
        FAntsBrushes[k] = std::make_unique<QBrush>(pattern);
    }
    return *FAntsBrushes[k];
}

void TPGImage::PaintSelectionFrame(QPainter& canvas) {
    if (!FSelection) return;
    const TRect r = GetSelectionFrame();
    const QBrush& brush = AntsBrush(PosMod(FPhase + r.Left + r.Top, 8));
    // The pattern is laid from the client area's origin, as a brush on the
    // window's device context would be.
    canvas.setBrushOrigin(-FPicBox->x(), -FPicBox->y());
    FrameWithBrush(canvas, r.Inflated(1, 1), brush);
    if (FActionMode == amMoveResizeCreateSelection)
        for (int state = dsHandleTopLeft; state <= dsHandleBottomRight; ++state)
            FrameWithBrush(canvas, HandleRect(r, state), brush);
}

void TPGImage::MarchingTick() {
    FPhase = (FPhase + 1) % 8;
    UpdateSelectionStrips();
}

// ---- mouse ---------------------------------------------------------------------------------------

TPoint TPGImage::PicturePoint(int x, int y) const {
    return TPoint(PaintBoxToPicture(x, FGraphicWidth, FBoxSize.cx), PaintBoxToPicture(y, FGraphicHeight, FBoxSize.cy));
}

bool TPGImage::Pannable() const {
    return (FBoxSize.cx > FClient->width() && !FHorzBar->isHidden()) ||
           (FBoxSize.cy > FClient->height() && !FVertBar->isHidden());
}

void TPGImage::PicBoxMouseDown(TMouseButton button, int x, int y) {
    if (button != mbLeft) return;
    const TPoint p = PicturePoint(x, y);
    const TRect frame = GetSelectionFrame();
    const bool movesSelection = FActionMode == amMoveResizeCreateSelection || FActionMode == amMoveSelection ||
                                FActionMode == amMoveSelectionMoveImage;
    int handle = dsIdle;
    if (movesSelection && FSelection && frame.Contains(x, y)) {
        FDragState = dsMovingSelection;
        FLastPos = TPoint(x, y);
        FGrab = DragGrab(FSel, FDragState, p);
    } else if ((FActionMode == amMoveImage || FActionMode == amMoveSelectionMoveImage) && Pannable()) {
        FDragState = dsPanning;
        FLastPos = TPoint(x, y);
    } else if (FActionMode == amMoveResizeCreateSelection && FSelection && (handle = HandleAt(frame, x, y)) != dsIdle) {
        FDragState = handle;
        FLastPos = TPoint(x, y);
        FGrab = DragGrab(FSel, FDragState, p);
    } else if (FActionMode == amMoveResizeCreateSelection || FActionMode == amCreateSelection) {
        FDragState = dsCreatingSelection;
        SetSelection(true);
        FAnchor = p;
        const TSelectionRect s = DraggedSelection(FSel, FDragState, p, FGrab, FAnchor, TSize());
        SetSelectionRect(s.Left, s.Top, s.Width, s.Height);
    } else {
        return;
    }
    if (FDragState >= dsMovingSelection && !FAutoScrollTimer) {
        FAutoScrollTimer = new QTimer(this);
        FAutoScrollTimer->setInterval(50);
        connect(FAutoScrollTimer, &QTimer::timeout, this, [this] { AutoScrollTick(); });
        FAutoScrollTimer->start();
    }
    UpdatePicBoxCursor(x, y);
}

void TPGImage::PicBoxMouseMove(int x, int y) {
    if (FDragState == dsPanning) {
        const int oldH = FHorzBar->value(), oldV = FVertBar->value();
        FHorzBar->setValue(oldH + FLastPos.X - x);
        FVertBar->setValue(oldV + FLastPos.Y - y);
        // The box moved under the mouse: the remembered point moves with it.
        FLastPos = TPoint(x + FHorzBar->value() - oldH, y + FVertBar->value() - oldV);
    } else if (FDragState >= dsMovingSelection) {
        const TSelectionRect s = DraggedSelection(FSel, FDragState, PicturePoint(x, y), FGrab, FAnchor,
                                                  TSize(FGraphicWidth, FGraphicHeight));
        SetSelectionRect(s.Left, s.Top, s.Width, s.Height);
    }
    UpdatePicBoxCursor(x, y);
}

void TPGImage::PicBoxMouseUp(TMouseButton button, int x, int y) {
    if (button != mbLeft || FDragState == dsIdle) return;
    const bool selectionMade = FDragState > dsPanning;
    delete FAutoScrollTimer;
    FAutoScrollTimer = nullptr;
    FDragState = dsIdle;
    if (selectionMade) {
        SetSelection(true);
        if (OnSelectionMade) OnSelectionMade(this);
    }
    UpdatePicBoxCursor(x, y);
}

void TPGImage::AutoScrollTick() {
    const QPoint pos = FClient->mapFromGlobal(QCursor::pos());
    FHorzBar->setValue(AutoScrollStep(pos.x(), FClient->width(), FHorzBar->value(), FBoxOrigin.X + FBoxSize.cx));
    FVertBar->setValue(AutoScrollStep(pos.y(), FClient->height(), FVertBar->value(), FBoxOrigin.Y + FBoxSize.cy));
}

void TPGImage::UpdatePicBoxCursor(int x, int y) {
    // A forced screen cursor (the hourglass) shows over everything.
    if (GetScreenCursor() != crDefault) return;
    const TRect frame = GetSelectionFrame();
    const TPicBoxCursorKind kind = PicBoxCursorKind(FActionMode, Pannable(), FDragState == dsPanning, FSelection,
                                                    frame.Contains(x, y), FSelection ? HandleAt(frame, x, y) : dsIdle);
    QCursor cursor = CursorOfKind(kind, FPicBox->GetCursorId());
    if (PicBoxOnSetCursor) PicBoxOnSetCursor(this, cursor);
    FPicBox->setCursor(cursor);
}

// ---- hints -------------------------------------------------------------------------------------

void TPGImage::UpdateHints() {
    const bool shows = FShowHint || FParentShowHint;
    setToolTip(shows ? QString::fromStdString(FHint) : QString());
    const bool boxShows = FPicBoxShowHint || (FPicBoxParentShowHint && shows);
    FPicBox->setToolTip(boxShows ? QString::fromStdString(FPicBoxHint) : QString());
}

void TPGImage::SetHint(const std::string& value) {
    FHint = value;
    UpdateHints();
}

void TPGImage::SetShowHint(bool value) {
    FShowHint = value;
    UpdateHints();
}

void TPGImage::SetParentShowHint(bool value) {
    FParentShowHint = value;
    UpdateHints();
}

void TPGImage::SetPicBoxHint(const std::string& value) {
    FPicBoxHint = value;
    UpdateHints();
}

void TPGImage::SetPicBoxShowHint(bool value) {
    FPicBoxShowHint = value;
    UpdateHints();
}

void TPGImage::SetPicBoxParentShowHint(bool value) {
    FPicBoxParentShowHint = value;
    UpdateHints();
}

// ---- property setters ----------------------------------------------------------------------------

void TPGImage::SetActionMode(TActionMode value) {
    if (ChangeField(FActionMode, value)) Invalidate();
}

void TPGImage::SetAllow24BitStretch(bool value) {
    if (ChangeField(FAllow24BitStretch, value)) PixelGraphicChanged();
}

void TPGImage::SetAutoSize(bool value) {
    FAutoSize = value;
    setSizePolicy(value ? QSizePolicy::Fixed : QSizePolicy::Expanding,
                  value ? QSizePolicy::Fixed : QSizePolicy::Expanding);
    updateGeometry();
    PixelGraphicChanged();
}

void TPGImage::SetAutoSizeMaxHeight(int value) {
    if (ChangeField(FAutoSizeMax.cy, value) && FAutoSize) PixelGraphicChanged();
}

void TPGImage::SetAutoSizeMaxWidth(int value) {
    if (ChangeField(FAutoSizeMax.cx, value) && FAutoSize) PixelGraphicChanged();
}

void TPGImage::SetAutoSizeMinHeight(int value) {
    if (ChangeField(FAutoSizeMin.cy, value) && FAutoSize) PixelGraphicChanged();
}

void TPGImage::SetAutoSizeMinWidth(int value) {
    if (ChangeField(FAutoSizeMin.cx, value) && FAutoSize) PixelGraphicChanged();
}

void TPGImage::SetCenter(bool value) {
    if (ChangeField(FCenter, value)) Rearrange(true);
}

void TPGImage::SetDither(bool value) {
    if (ChangeField(FDither, value)) PixelGraphicChanged();
}

void TPGImage::SetDitherErrorLimit(uint8_t value) {
    if (ChangeField(FDitherErrorLimit, value) && FDither) PixelGraphicChanged();
}

void TPGImage::SetDitherErrorLimitAuto(bool value) {
    if (ChangeField(FDitherErrorLimitAuto, value) && FDither) PixelGraphicChanged();
}

void TPGImage::SetDitherErrorLimitSoft(bool value) {
    if (ChangeField(FDitherErrorLimitSoft, value) && FDither) PixelGraphicChanged();
}

void TPGImage::SetFlipHorizontal(bool value) {
    if (ChangeField(FFlipHorizontal, value)) Invalidate();
}

void TPGImage::SetFlipVertical(bool value) {
    if (ChangeField(FFlipVertical, value)) Invalidate();
}

void TPGImage::SetPalette8BitSys24BitGraphic(TPalette8BitSys24BitGraphic value) {
    value = std::clamp(value, pBlackWhite, pOptimized252Sys16);
    if (ChangeField(FPalette8BitSys24BitGraphic, value)) PixelGraphicChanged();
}

void TPGImage::SetPalette8BitSys8BitGraphic(TPalette8BitSys8BitGraphic value) {
    value = std::clamp(value, pBlackWhite, pSource);
    if (ChangeField(FPalette8BitSys8BitGraphic, value)) PixelGraphicChanged();
}

void TPGImage::SetPicBoxFrameColor(TColor value) { FPicBoxFrameColor = value; }

void TPGImage::SetRGBWeighting(bool value) {
    if (ChangeField(FRGBWeighting, value)) PixelGraphicChanged();
}

void TPGImage::SetStretch(TStretch value) {
    if (ChangeField(FStretch, value)) Rearrange(true);
}

void TPGImage::SetStretchMode(TStretchMode value) {
    if (ChangeField(FStretchMode, value)) PixelGraphicChanged();
}

void TPGImage::SetTiling(TTiling value) {
    if (ChangeField(FTiling, value)) Invalidate();
}

void TPGImage::SetUseThread(bool value) {
    if (!ChangeField(FUseThread, value)) return;
    StopThread(true);
    FPaintStale = true;
    Invalidate();
}

void TPGImage::SetZoomFactor(long double value) {
    if (ChangeField(FZoomFactor, value)) Rearrange(true);
}
