// Toolbar buttons, separators and the shared glyph lists.
#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcut>
#include <QWindow>

#include "menus97/TB97.h"
#include "platform/DrawText.h"
#include "platform/Exception.h"
#include "platform/Paint.h"

// ---- glyph lists ---------------------------------------------------------------------

TGlyphList::TGlyphList(int width, int height) : TImageList(width, height) {}

int TGlyphList::AddMasked(const QImage& image, TColor transparent) {
    if (image.width() < GetWidth() || image.height() < GetHeight()) throw EInvalidOperation(kTB97InvalidImageSize);
    int slot = 0;
    while (slot < static_cast<int>(FUsed.size()) && FUsed[slot]) ++slot;
    const QImage cell = image.copy(0, 0, GetWidth(), GetHeight());
    const QImage mask = MakeColorMask(cell, transparent);
    if (slot < Count()) {
        if (!Replace(slot, cell, mask)) throw EInvalidOperation(kTB97UnableToReplaceImage);
    } else if (TImageList::Add(cell, mask) != slot) {
        throw EInvalidOperation(kTB97UnableToReplaceImage);
    }
    if (slot >= static_cast<int>(FUsed.size())) FUsed.resize(slot + 1);
    FUsed[slot] = true;
    return slot;
}

void TGlyphList::Delete(int index) {
    // The slot is only marked free: other glyphs keep their indices.
    if (index >= 0 && index < static_cast<int>(FUsed.size())) FUsed[index] = false;
}

namespace {
std::vector<TGlyphList*>& Cache() {
    static std::vector<TGlyphList*> lists;
    return lists;
}
}  // namespace

TGlyphList* TGlyphCache::GetList(int width, int height) {
    for (TGlyphList* l : Cache())
        if (l->GetWidth() == width && l->GetHeight() == height) {
            ++l->UseCount;
            return l;
        }
    auto* l = new TGlyphList(width, height);
    l->UseCount = 1;
    Cache().push_back(l);
    return l;
}

void TGlyphCache::ReturnList(TGlyphList* list) {
    if (!list || --list->UseCount > 0) return;
    auto& c = Cache();
    c.erase(std::remove(c.begin(), c.end(), list), c.end());
    delete list;
}

int TGlyphCache::ListCount() { return static_cast<int>(Cache().size()); }

// ---- TButtonGlyph --------------------------------------------------------------------

TButtonGlyph::~TButtonGlyph() { Invalidate(); }

void TButtonGlyph::Invalidate() {
    if (!FList) return;
    for (int& i : FIndexs) {
        if (i >= 0) FList->Delete(i);
        i = -1;
    }
    TGlyphCache::ReturnList(FList);
    FList = nullptr;
}

void TButtonGlyph::SetGlyph(const QImage& value) {
    Invalidate();
    FOriginal = value.isNull() ? QImage() : value.convertToFormat(QImage::Format_RGB32);
    if (FOriginal.isNull() || FOriginal.height() <= 0) return;
    FTransparentColor = ImagePixelColor(FOriginal, 0, FOriginal.height() - 1);
    FNumGlyphs = TB97GlyphCount(FOriginal.width(), FOriginal.height(), FNumGlyphs);
}

void TButtonGlyph::SetNumGlyphs(int value) {
    value = TB97ClampNumGlyphs(value);
    if (value == FNumGlyphs) return;
    Invalidate();
    FNumGlyphs = value;
}

void TButtonGlyph::SetOldDisabledStyle(bool value) {
    if (value == FOldDisabledStyle) return;
    FOldDisabledStyle = value;
    Invalidate();
}

TSize TButtonGlyph::GlyphSize() const {
    if (FOriginal.isNull() || FOriginal.height() <= 0) return TSize(0, 0);
    return TSize(FOriginal.width() / FNumGlyphs, FOriginal.height());
}

QImage TButtonGlyph::MakeImage(int state) const {
    const TSize size = TB97GlyphImageSize(FOriginal.width(), FOriginal.height(), FNumGlyphs);
    const int gw = FOriginal.width() / FNumGlyphs, gh = FOriginal.height();
    QImage img(size.cx, size.cy, QImage::Format_RGB32);
    const uint32_t trans = ColorToRGB(FTransparentColor);
    if (state != bsDisabled || FNumGlyphs >= 2) {
        const int section = (state < FNumGlyphs) ? state : 0;
        img.fill(ToQColor(FTransparentColor));
        QPainter p(&img);
        p.drawImage(0, 0, FOriginal, section * gw, 0, gw, gh);
        p.end();
        if (state == bsDisabled) {
            const QRgb light = ToQColor(clBtnHighlight).rgb(), shadow = ToQColor(clBtnShadow).rgb();
            for (int y = 0; y < gh; ++y) {
                auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
                for (int x = 0; x < gw; ++x) {
                    const QRgb c = line[x] & 0xFFFFFF;
                    if (c == 0xFFFFFF) line[x] = light;
                    else if (c == 0x808080) line[x] = shadow;
                }
            }
        }
        return img;
    }
    // Embossed: the glyph's foreground in the highlight colour one pixel down
    // and right, then in the shadow colour in place.
    img.fill(ToQColor(clBtnFace));
    auto foreground = [&](int x, int y) {
        const QRgb c = FOriginal.pixel(x, y) & 0xFFFFFF;
        const uint32_t bgr = RGB(qRed(c), qGreen(c), qBlue(c));
        if (bgr == trans) return false;
        if (!FOldDisabledStyle && (c == 0xFFFFFF || c == 0xC0C0C0)) return false;
        return true;
    };
    const QRgb light = ToQColor(clBtnHighlight).rgb(), shadow = ToQColor(clBtnShadow).rgb();
    for (int pass = 0; pass < 2; ++pass)
        for (int y = 0; y < gh; ++y)
            for (int x = 0; x < gw; ++x)
                if (foreground(x, y)) img.setPixel(x + 1 - pass, y + 1 - pass, pass == 0 ? light : shadow);
    return img;
}

int TButtonGlyph::CreateImage(TButtonState97 state) {
    if (GlyphSize().cx <= 0) return -1;
    int s = state;
    if (s != bsDisabled && s >= FNumGlyphs) s = bsUp;
    if (FIndexs[s] >= 0) return FIndexs[s];
    const TSize size = TB97GlyphImageSize(FOriginal.width(), FOriginal.height(), FNumGlyphs);
    if (!FList) FList = TGlyphCache::GetList(size.cx, size.cy);
    const bool embossed = s == bsDisabled && FNumGlyphs < 2;
    FIndexs[s] = FList->AddMasked(MakeImage(s), embossed ? clBtnFace : FTransparentColor);
    return FIndexs[s];
}

void TButtonGlyph::Draw(QPainter& p, TPoint at, TButtonState97 state) {
    const int index = CreateImage(state);
    if (index >= 0) FList->Draw(p, at.X, at.Y, index);
}

// ---- TToolbarSep97 -------------------------------------------------------------------

TToolbarSep97::TToolbarSep97(QWidget* toolbar) : TGraphicControl(toolbar) {
    if (!qobject_cast<TToolbar97*>(toolbar)) throw EInvalidOperation(kTB97SepPlacement);
    // A press on a separator goes to the toolbar, which can be dragged by it.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    resize(FSizeHorz, 22);
}

void TToolbarSep97::SetBlank(bool value) {
    if (ChangeField(FBlank, value)) update();
}

void TToolbarSep97::SetSizeHorz(int value) {
    if (ChangeField(FSizeHorz, std::max(1, value))) Rearrange();
}

void TToolbarSep97::SetSizeVert(int value) {
    if (ChangeField(FSizeVert, std::max(1, value))) Rearrange();
}

void TToolbarSep97::Rearrange() {
    if (auto* t = qobject_cast<TToolbar97*>(parentWidget())) t->Arrange();
}

void TToolbarSep97::Paint(QPainter& canvas) {
    if (FBlank || width() <= 0 || height() <= 0) return;
    auto* t = qobject_cast<TToolbar97*>(parentWidget());
    if (t && t->IsFloating()) return;  // floating toolbars draw lines across instead
    const TPen shadow{clBtnShadow}, light{clBtnHighlight};
    if (width() >= height()) {  // on a vertical toolbar: a line across
        const int y = height() / 2 - 1;
        Line(canvas, shadow, 0, y, width(), y);
        Line(canvas, light, 0, y + 1, width(), y + 1);
    } else {
        const int x = width() / 2 - 1;
        Line(canvas, shadow, x, 0, x, height());
        Line(canvas, light, x + 1, 0, x + 1, height());
    }
}

// ---- TToolbarButton97 ----------------------------------------------------------------

namespace {
QPointer<TToolbarButton97> gTracked;
QTimer* CheckTimer() {
    static QPointer<QTimer> timer;
    if (!timer) {
        timer = new QTimer(qApp);
        timer->setInterval(125);
        QObject::connect(timer, &QTimer::timeout, [] {
            if (gTracked) gTracked->CheckMouse();
            else timer->stop();
        });
    }
    return timer;
}
int gPatternUsers = 0;
}  // namespace

namespace {
QImage& Pattern() {
    static QImage pattern;
    return pattern;
}
constexpr TColor kPatternColor = 0xA06950;
}  // namespace

const QImage& TB97LatchedPattern() {
    QImage& pattern = Pattern();
    if (pattern.isNull()) {
        pattern = QImage(8, 8, QImage::Format_RGB32);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                pattern.setPixel(x, y, ((x + y) & 1) ? 0xFFFFFFu : ToQColor(kPatternColor).rgb());
    }
    return pattern;
}

void TB97SystemColorsChanged() {
    // Kept only while the face and highlight are the pattern's own colours.
    if (ColorToRGB(clBtnFace) == ColorToRGB(kPatternColor) && ColorToRGB(clBtnHighlight) == ColorToRGB(clWhite)) return;
    Pattern() = QImage();
}

TToolbarButton97* TToolbarButton97::TrackedButton() { return gTracked; }

TToolbarButton97::TToolbarButton97(QWidget* parent) : TGraphicControl(parent) {
    resize(23, 22);
    setAttribute(Qt::WA_Hover, false);
    ++gPatternUsers;
    WatchActivation();
}

TToolbarButton97::~TToolbarButton97() {
    if (gTracked == this) {
        gTracked = nullptr;
        CheckTimer()->stop();
    }
    if (--gPatternUsers == 0) Pattern() = QImage();  // freed with the last button
}

void TToolbarButton97::SetAllowAllUp(bool value) {
    if (!ChangeField(FAllowAllUp, value)) return;
    GroupPressed();
}

void TToolbarButton97::SetGroupIndex(int value) {
    if (!ChangeField(FGroupIndex, value)) return;
    GroupPressed();
}

void TToolbarButton97::SetDisplayMode(TButtonDisplayMode value) {
    if (ChangeField(FDisplayMode, value)) update();
}

void TToolbarButton97::SetDown(bool value) {
    if (FGroupIndex == 0) value = false;
    if (value == FDown) return;
    if (FDown && !FAllowAllUp) return;
    FDown = value;
    if (isEnabled()) FState = value ? bsExclusive : bsUp;
    update();
    if (value) GroupPressed();
}

// The other down buttons of the group go up and take over AllowAllUp.
void TToolbarButton97::GroupPressed() {
    if (FGroupIndex == 0 || !parentWidget()) return;
    for (QObject* child : parentWidget()->children()) {
        auto* b = qobject_cast<TToolbarButton97*>(child);
        if (!b || b == this || b->FGroupIndex != FGroupIndex) continue;
        if (FDown && b->FDown) {
            b->FDown = false;
            b->FState = bsUp;
            b->update();
        }
        b->FAllowAllUp = FAllowAllUp;
    }
}

void TToolbarButton97::SetDropdownArrow(bool value) {
    if (ChangeField(FDropdownArrow, value)) update();
}

void TToolbarButton97::SetDropdownCombo(bool value) {
    if (!ChangeField(FDropdownCombo, value)) return;
    resize(std::max(1, width() + (value ? kTB97ComboPart : -kTB97ComboPart)), height());
    if (auto* t = qobject_cast<TToolbar97*>(parentWidget())) t->Arrange();
    update();
}

void TToolbarButton97::SetDropdownMenu(TPopupMenu* value) {
    if (FDropdownMenu == value) return;
    FDropdownMenu = value;
    update();
}

void TToolbarButton97::SetFlat(bool value) {
    if (ChangeField(FFlat, value)) update();
}

void TToolbarButton97::SetOpaque(bool value) {
    if (ChangeField(FOpaque, value)) update();
}

void TToolbarButton97::SetGlyph(const QImage& value) {
    FGlyph.SetGlyph(value);
    update();
}

void TToolbarButton97::SetLayout(TButtonLayout value) {
    if (ChangeField(FLayout, value)) update();
}

void TToolbarButton97::SetMargin(int value) {
    if (value >= -1 && ChangeField(FMargin, value)) update();
}

void TToolbarButton97::SetNumGlyphs(int value) {
    FGlyph.SetNumGlyphs(value);
    update();
}

void TToolbarButton97::SetOldDisabledStyle(bool value) {
    FGlyph.SetOldDisabledStyle(value);
    update();
}

void TToolbarButton97::SetSpacing(int value) {
    if (ChangeField(FSpacing, value)) update();
}

void TToolbarButton97::SetWordWrap(bool value) {
    if (ChangeField(FWordWrap, value)) update();
}

void TToolbarButton97::SetCaption(const QString& value) {
    if (!ChangeField(FCaption, value)) return;
    UpdateShortcut();
    update();
}

void TToolbarButton97::SetColor(TColor value) {
    if (ChangeField(FColor, value)) update();
}

void TToolbarButton97::UpdateShortcut() {
    UpdateAcceleratorShortcut(this, FShortcut, AcceleratorOf(FCaption), [this] {
        if (isEnabled() && isVisible()) Click();
    });
}

bool TToolbarButton97::ArrowShown() const { return FDropdownArrow && FDropdownMenu && !FDropdownCombo; }

bool TToolbarButton97::InMainPart(int x, int y) const {
    const int right = FDropdownCombo ? width() - kTB97ComboPart : width();
    return x >= 0 && y >= 0 && x < right && y < height();
}

TB97ButtonLayoutOut TToolbarButton97::CurrentLayout() const {
    TB97ButtonLayoutIn in;
    const int inset = FFlat ? 1 : 2;
    const int w = FDropdownCombo ? width() - kTB97ComboPart : width();
    in.Client = TRect(inset, inset, w - inset, height() - inset);
    in.Glyph = FDisplayMode == dmTextOnly ? TSize() : FGlyph.GlyphSize();
    in.Arrow = ArrowShown();
    in.Layout = FLayout;
    in.Margin = FMargin;
    in.Spacing = FSpacing;
    in.Down = FState == bsDown || FState == bsExclusive;
    if (FDisplayMode != dmGlyphOnly && !FCaption.isEmpty()) {
        const QFontMetrics fm(font());
        TRect r(0, 0, 0, 0);
        unsigned format = DT_CALCRECT;
        if (FWordWrap) {
            const bool side = FLayout == blGlyphLeft || FLayout == blGlyphRight;
            r.Right = TB97WrapWidth(in.Client.Width(), in.Glyph.cx, side, in.Arrow, FMargin, FSpacing);
            format |= DT_WORDBREAK;
        }
        MeasureText(fm, FCaption, r, format);
        in.Text = TSize(r.Width(), r.Height());
    }
    return TB97ButtonLayout(in);
}

void TToolbarButton97::Paint(QPainter& canvas) {
    if (!isEnabled()) FState = bsDisabled;
    else if (FState == bsDisabled) FState = (FDown && FGroupIndex != 0) ? bsExclusive : bsUp;
    const TRect all = GetClientRect();
    if (FOpaque || !FFlat) FillRect(canvas, all, FColor);
    TRect main = all;
    if (FDropdownCombo) main.Right -= kTB97ComboPart;
    const bool down = FState == bsDown || FState == bsExclusive;
    const bool frame = !FFlat || down || (FMouseIn && FState != bsDisabled);
    if (FState == bsExclusive && (!FFlat || !FMouseIn)) {
        TRect face = main;
        face.Left += 1, face.Top += 1, face.Right -= 1, face.Bottom -= 1;
        canvas.fillRect(face.ToQRect(), QBrush(TB97LatchedPattern()));
    }
    if (frame) {
        TRect r = main;
        if (FFlat) DrawEdge(canvas, r, down ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
        else
            DrawEdge(canvas, r, down ? EDGE_SUNKEN : EDGE_RAISED,
                     BF_RECT | BF_SOFT | (FState == bsExclusive ? 0u : BF_MIDDLE));
        if (FDropdownCombo) {
            TRect part(all.Right - kTB97ComboPart, 0, all.Right, all.Bottom);
            if (FFlat) DrawEdge(canvas, part, FMenuPartPressed ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
            else DrawEdge(canvas, part, FMenuPartPressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_SOFT | BF_MIDDLE);
        }
    }
    const TB97ButtonLayoutOut lay = CurrentLayout();
    if (FDisplayMode != dmTextOnly) FGlyph.Draw(canvas, lay.GlyphPos, FState);
    const TColor fontColor = GetFontColor(this);
    // The arrow: (4, 0), (8, 0), (6, 2) from its origin.
    auto triangle = [&](int x, int y, TColor c) {
        Polygon(canvas, TPen{c}, c, {TPoint(x + 4, y), TPoint(x + 8, y), TPoint(x + 6, y + 2)});
    };
    auto arrow = [&](int x, int y) {
        if (FState == bsDisabled) {
            triangle(x + 1, y + 1, clBtnHighlight);
            triangle(x, y, clBtnShadow);
        } else {
            triangle(x, y, fontColor);
        }
    };
    if (ArrowShown()) arrow(lay.ArrowPos.X, lay.ArrowPos.Y);
    if (FDropdownCombo)
        arrow(all.Right - 13 + (FMenuPartPressed ? 1 : 0), (height() - 3) / 2 + (FMenuPartPressed ? 1 : 0));
    if (FDisplayMode != dmGlyphOnly && !FCaption.isEmpty()) {
        canvas.setFont(font());
        const unsigned format = FWordWrap ? (DT_CENTER | DT_VCENTER | DT_WORDBREAK)
                                          : (DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        TRect r = lay.TextRect;
        if (FState == bsDisabled) {
            TRect r1(r.Left + 1, r.Top + 1, r.Right + 1, r.Bottom + 1);
            canvas.setPen(ToQColor(clBtnHighlight));
            DrawText(canvas, FCaption, r1, format);
            canvas.setPen(ToQColor(clBtnShadow));
        } else {
            canvas.setPen(ToQColor(fontColor));
        }
        DrawText(canvas, FCaption, r, format);
    }
}

bool TToolbarButton97::FormIsActive() const {
    QWidget* form = window();
    if (auto* fp = qobject_cast<TFloatParent*>(form)) form = fp->Toolbar()->OwnerForm();
    return QGuiApplication::applicationState() == Qt::ApplicationActive && form && form->isActiveWindow();
}

// Another window or application becoming active ends hot tracking.
void TToolbarButton97::WatchActivation() {
    static bool watching = false;
    if (watching) return;
    watching = true;
    auto check = [] {
        if (gTracked && !gTracked->FormIsActive()) gTracked->LeaveHot();
    };
    QObject::connect(qApp, &QGuiApplication::focusWindowChanged, qApp, check);
    QObject::connect(qApp, &QGuiApplication::applicationStateChanged, qApp, [](Qt::ApplicationState state) {
        if (gTracked && state != Qt::ApplicationActive) gTracked->LeaveHot();
    });
}

void TToolbarButton97::EnterHot() {
    if (FMouseIn) return;
    if (!FormIsActive()) return;
    if (gTracked && gTracked != this) gTracked->LeaveHot();
    FMouseIn = true;
    gTracked = this;
    CheckTimer()->start();
    if (FState == bsUp) FState = bsMouseIn;
    update();
    if (OnMouseEnter) OnMouseEnter(this);
}

void TToolbarButton97::LeaveHot() {
    if (!FMouseIn) return;
    if (FState == bsMouseIn || (!FInClick && FState == bsDown)) FState = (FDown && FGroupIndex) ? bsExclusive : bsUp;
    FMouseIn = false;
    if (gTracked == this) {
        gTracked = nullptr;
        CheckTimer()->stop();
    }
    update();
    if (OnMouseExit) OnMouseExit(this);
}

void TToolbarButton97::CheckMouse() {
    if (!isEnabled() || FMouseIsDown || FMenuOpen) return;
    const bool over = underMouse() || (isVisible() && rect().contains(mapFromGlobal(QCursor::pos())));
    if (!over) LeaveHot();
}

void TToolbarButton97::MouseLeave() {
    if (!FMouseIsDown && !FMenuOpen) LeaveHot();
}

void TToolbarButton97::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TGraphicControl::MouseDown(button, shift, x, y);
    if (button != mbLeft || !isEnabled()) return;
    if (FMenuOpen) {
        // A press on the button whose menu is open only closes the menu.
        if (FDropdownMenu && FDropdownMenu->GetWidget()) FDropdownMenu->GetWidget()->close();
        return;
    }
    EnterHot();
    FMenuPartPressed = FDropdownMenu && (FDropdownCombo ? x >= width() - kTB97ComboPart : true);
    if (!FDown) FState = bsDown;
    if (!FDown || FAllowAllUp || FMenuPartPressed) update();
    if (FMenuPartPressed) {
        Click();  // the menu opens on mouse down
        return;
    }
    FMouseIsDown = true;
}

void TToolbarButton97::MouseMove(TShiftState shift, int x, int y) {
    TGraphicControl::MouseMove(shift, x, y);
    EnterHot();
    if (!FMouseIsDown) return;
    const TButtonState97 s = FDown ? bsExclusive : (InMainPart(x, y) ? bsDown : bsUp);
    if (s != FState) {
        FState = s;
        update();
    }
}

// The button decides itself whether a release clicks.
void TToolbarButton97::mouseReleaseEvent(QMouseEvent* event) {
    TMouseButton b;
    if (!MouseButtonOf(event, b)) return;
    const QPoint pos = event->position().toPoint();
    MouseUp(b, ShiftStateOf(event), pos.x(), pos.y());
}

void TToolbarButton97::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TGraphicControl::MouseUp(button, shift, x, y);
    if (button == mbRight) {
        LeaveHot();
        return;
    }
    if (button != mbLeft || !FMouseIsDown) return;
    FMouseIsDown = false;
    if (InMainPart(x, y)) {
        if (FGroupIndex != 0) {
            if (!FDown) SetDown(true);
            else if (FAllowAllUp) SetDown(false);
            else FState = bsExclusive;
        }
        Click();
    } else {
        if (FDown) FState = bsExclusive;
        else FState = bsUp;
        update();
        CheckMouse();
    }
}

void TToolbarButton97::DblClick() {
    if (FDown) TGraphicControl::DblClick();
}

void TToolbarButton97::Click() {
    FInClick = true;
    if (FState == bsUp || FState == bsMouseIn) FState = bsDown;
    const bool menu = FDropdownMenu && (!FDropdownCombo || FMenuPartPressed);
    QPointer<TToolbarButton97> self(this);
    if (!menu) {
        if (FState == bsDown && !FMouseIsDown && !FDown) FState = bsUp;
        TGraphicControl::Click();
    } else {
        OpenMenu();
    }
    if (!self) return;
    FInClick = false;
    FMenuPartPressed = false;
    if (FState == bsDown) FState = FDown ? bsExclusive : bsUp;
    update();
    CheckMouse();
}

// Closing the menu by a press on this button must not reopen it: that press
// is kept from reaching the button again.
bool TToolbarButton97::eventFilter(QObject* watched, QEvent* event) {
    if (FMenuOpen && FDropdownMenu && watched == FDropdownMenu->GetWidget() &&
        event->type() == QEvent::MouseButtonPress) {
        const auto* me = static_cast<QMouseEvent*>(event);
        const QPoint local = mapFromGlobal(me->globalPosition().toPoint());
        if (rect().contains(local) && !FDropdownMenu->GetWidget()->rect().contains(me->position().toPoint())) {
            FDropdownMenu->GetWidget()->setAttribute(Qt::WA_NoMouseReplay, true);
            FDropdownMenu->GetWidget()->close();
            return true;
        }
    }
    return TGraphicControl::eventFilter(watched, event);
}

void TToolbarButton97::OpenMenu() {
    TMenuPopup* popup = FDropdownMenu->GetWidget();
    if (!popup) return;
    FState = bsDown;
    repaint();
    QPoint at = mapToGlobal(QPoint(0, height()));
    auto* toolbar = qobject_cast<TToolbar97*>(parentWidget());
    bool rightAligned = false;
    if (TDock97* dock = toolbar ? toolbar->GetDockedTo() : nullptr) {
        if (dock->GetPosition() == dpLeft) at = mapToGlobal(QPoint(width(), 0));
        else if (dock->GetPosition() == dpRight) {
            at = mapToGlobal(QPoint(0, 0));
            rightAligned = true;
        }
    }
    if (rightAligned) at.rx() -= popup->sizeHint().width();
    popup->setAttribute(Qt::WA_NoMouseReplay, false);
    popup->installEventFilter(this);
    FMenuOpen = true;
    QPointer<TToolbarButton97> self(this);
    popup->exec(at);
    if (!self) return;
    FMenuOpen = false;
    if (FDropdownMenu && FDropdownMenu->GetWidget()) FDropdownMenu->GetWidget()->removeEventFilter(this);
}

void TToolbarButton97::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) {
        FState = isEnabled() ? ((FDown && FGroupIndex) ? bsExclusive : bsUp) : bsDisabled;
        if (!isEnabled()) LeaveHot();
        update();
    } else if (event->type() == QEvent::PaletteChange) {
        TB97SystemColorsChanged();
        FGlyph.Invalidate();  // system colours: the disabled images are made anew
        update();
    }
    TGraphicControl::changeEvent(event);
}
