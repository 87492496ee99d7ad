// Docks, toolbars, their floating windows, dragging and resizing.
#include <QApplication>
#include <QChildEvent>
#include <QContextMenuEvent>
#include <QDrag>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionTitleBar>
#include <QToolTip>
#include <QWindow>

#include "menus97/MenuBar97.h"
#include "menus97/TB97.h"
#include "platform/DrawText.h"
#include "platform/Exception.h"
#include "platform/Paint.h"

namespace {

TB97Mover gMover = TB97Mover::FromPlatform;

// The drag data of the drop route: this process and the toolbar, then the
// grab point.
const char* const kDragMimeType = "application/x-glimworks-toolbar97";
QByteArray ToolbarId(const TToolbar97* t) {
    return QByteArray::number(QCoreApplication::applicationPid()) + ' ' +
           QByteArray::number(reinterpret_cast<quintptr>(t), 16);
}

QRect ToQ(const TRect& r) { return QRect(r.Left, r.Top, r.Width(), r.Height()); }
TRect FromQ(const QRect& r) { return TRect(r.left(), r.top(), r.left() + r.width(), r.top() + r.height()); }

// The frame and caption a floating window adds round the toolbar.
TSize FloatFrame() { return TSize(2 * TB97FrameWidth(), 2 * TB97FrameWidth() + TB97CaptionHeight()); }

QRect AvailableArea(QPoint near) {
    QScreen* s = QGuiApplication::screenAt(near);
    if (!s) s = QGuiApplication::primaryScreen();
    return s ? s->availableGeometry() : QRect(0, 0, 1 << 20, 1 << 20);
}

// The outline shown while dragging or resizing: a frameless window that
// takes no input, its inside cut away, filled with a half-tone pattern.
class TDragOutline : public QWidget {
public:
    TDragOutline()
        : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowTransparentForInput |
                               Qt::WindowDoesNotAcceptFocus | Qt::WindowStaysOnTopHint) {
        setAttribute(Qt::WA_ShowWithoutActivating);
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    void SetRect(const QRect& r, int thickness) {
        if (r == geometry() && thickness == FThickness && isVisible()) return;
        FThickness = thickness;
        setGeometry(r);
        setMask(QRegion(0, 0, r.width(), r.height()) -
                QRegion(thickness, thickness, r.width() - 2 * thickness, r.height() - 2 * thickness));
        if (!isVisible()) show();
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        QImage halftone(8, 8, QImage::Format_RGB32);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) halftone.setPixel(x, y, ((x + y) & 1) ? 0xFFFFFFu : 0xFF000000u);
        p.fillRect(rect(), QBrush(halftone));
    }

private:
    int FThickness = 1;
};

}  // namespace

int TB97FrameWidth() { return QApplication::style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth); }

int TB97CaptionHeight() {
    QStyleOptionTitleBar option;
    option.titleBarFlags = Qt::Tool;
    return QApplication::style()->pixelMetric(QStyle::PM_TitleBarHeight, &option);
}

int TB97CaptionButtonWidth() {
    QStyleOptionTitleBar option;
    option.titleBarFlags = Qt::Window;
    return QApplication::style()->pixelMetric(QStyle::PM_TitleBarHeight, &option);
}

void TB97SetMover(TB97Mover value) { gMover = value; }

bool TB97CompositorMoves() {
    if (gMover != TB97Mover::FromPlatform) return gMover == TB97Mover::Compositor;
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

// ---- TDock97 ------------------------------------------------------------------------

TDock97::TDock97(QWidget* parent, TDockPosition position) : QWidget(parent) {
    if (qobject_cast<TToolbar97*>(parent) || qobject_cast<TDock97*>(parent))
        throw EInvalidOperation(kTB97DockInsideDock);
    if (!parent || !parent->isWindow()) throw EInvalidOperation(kTB97DockOwnedByForm);
    FForm = parent;
    FPosition = position;
    setAttribute(Qt::WA_OpaquePaintEvent);
    parent->installEventFilter(this);
    ArrangeToolbars();
}

TDock97::~TDock97() {
    FDestroying = true;
    if (FForm) FForm->removeEventFilter(this);
}

void TDock97::setVisible(bool visible) {
    if (!visible && !FDestroying && FForm && !FForm->isHidden()) throw EInvalidOperation(kTB97CannotHideDock);
    QWidget::setVisible(visible);
}

void TDock97::contextMenuEvent(QContextMenuEvent* event) {
    if (!FPopupMenu) return QWidget::contextMenuEvent(event);
    FPopupMenu->Popup(event->globalPos().x(), event->globalPos().y());
}

void TDock97::SetPosition(TDockPosition value) {
    if (value == FPosition) return;
    if (!Toolbars().empty()) throw EInvalidOperation(kTB97CannotChangePosition);
    FPosition = value;
    ArrangeToolbars();
}

void TDock97::SetAllowDrag(bool value) {
    if (!ChangeField(FAllowDrag, value)) return;
    for (TToolbar97* t : Toolbars()) t->Arrange();
    ArrangeToolbars();
}

void TDock97::SetBackground(const QImage& value) {
    FBackground = value;
    FTransparentBackground = QImage();
    update();
    for (TToolbar97* t : Toolbars()) t->update();
}

void TDock97::SetBackgroundTransparent(bool value) {
    if (!ChangeField(FBackgroundTransparent, value)) return;
    FTransparentBackground = QImage();
    update();
    for (TToolbar97* t : Toolbars()) t->update();
}

void TDock97::SetColor(TColor value) {
    if (!ChangeField(FColor, value)) return;
    FTransparentBackground = QImage();
    update();
    for (TToolbar97* t : Toolbars()) t->update();
}

void TDock97::SetBoundLines(TDockBoundLines value) {
    if (!ChangeField(FBoundLines, value)) return;
    ArrangeToolbars();
    update();
}

void TDock97::SetFixAlign(bool value) {
    if (ChangeField(FFixAlign, value)) ArrangeToolbars();
}

void TDock97::SetLimitToOneRow(bool value) {
    if (ChangeField(FLimitToOneRow, value)) ArrangeToolbars();
}

void TDock97::EndUpdate() {
    if (FDisableArrange > 0 && --FDisableArrange == 0) ArrangeToolbars();
}

// The children's order is the stored order: a toolbar docked again comes last.
std::vector<TToolbar97*> TDock97::Toolbars() const {
    std::vector<TToolbar97*> list;
    for (QObject* c : children())
        if (auto* t = qobject_cast<TToolbar97*>(c)) list.push_back(t);
    return list;
}

void TDock97::childEvent(QChildEvent* event) {
    QWidget::childEvent(event);
    if (event->type() == QEvent::ChildRemoved && !FDestroying)
        QTimer::singleShot(0, this, [this] { ArrangeToolbars(); });
}

void TDock97::UpdateMargins() {
    const bool lines = width() >= 2 && height() >= 2;
    auto line = [&](TDockBoundLine l) { return (lines || FThickness > 0) && (FBoundLines & l) ? 1 : 0; };
    setContentsMargins(line(blLeft), line(blTop), line(blRight), line(blBottom));
}

void TDock97::ArrangeToolbars() {
    if (FDisableArrange > 0 || FDestroying) return;
    UpdateMargins();
    const bool vertical = DockIsVertical(FPosition);
    std::vector<TToolbar97*> bars;
    for (TToolbar97* t : Toolbars())
        if (!t->isHidden()) bars.push_back(t);
    std::vector<TB97DockBar> in;
    for (TToolbar97* t : bars) {
        t->Arrange();
        const TB97ToolbarResult& r = t->LastArrangement();
        TB97DockBar b;
        b.DockRow = t->FDockRow;
        b.DockPos = t->FDockPos;
        b.Length = vertical ? r.Client.cy : r.Client.cx;
        b.Content = vertical ? r.ContentWidth : r.ContentHeight;
        in.push_back(b);
    }
    const QRect cr = contentsRect();
    const int length = vertical ? cr.height() : cr.width();
    const TB97DockResult res = TB97ArrangeDock(in, length > 0 ? length : (1 << 20), FLimitToOneRow, FFixAlign);
    FRows = res.Rows;
    for (size_t i = 0; i < bars.size(); ++i) {
        TToolbar97* t = bars[i];
        t->FDockRow = in[i].DockRow;
        t->FDockPos = in[i].DockPos;
        const TSize c = t->LastArrangement().Client;
        t->FArranging = true;
        if (vertical) t->setGeometry(cr.left() + in[i].Across, cr.top() + in[i].Along, in[i].Thickness, c.cy);
        else t->setGeometry(cr.left() + in[i].Along, cr.top() + in[i].Across, c.cx, in[i].Thickness);
        t->FArranging = false;
    }
    const QMargins m = contentsMargins();
    const int thickness =
        res.Thickness + (res.Thickness > 0 || FFixAlign ? (vertical ? m.left() + m.right() : m.top() + m.bottom()) : 0);
    if (thickness != FThickness) {
        FThickness = thickness;
        RealignDocks(FForm);
        if (OnResize) OnResize(this);
    } else if (FForm && width() == 0 && height() == 0) {
        RealignDocks(FForm);
    }
    update();
}

void TDock97::RealignDocks(QWidget* form) {
    if (!form) return;
    std::vector<TDock97*> docks;
    for (QObject* c : form->children())
        if (auto* d = qobject_cast<TDock97*>(c)) docks.push_back(d);
    int top = 0, bottom = form->height();
    for (QObject* c : form->children())
        if (auto* bar = qobject_cast<QWidget*>(c); bar &&
                                                   (qobject_cast<QMenuBar*>(c) || qobject_cast<TCustomMenuBar97*>(c)) &&
                                                   !bar->isHidden() && bar->y() == 0)
            top = std::max(top, bar->height());  // docks go below the menu bar or its panel
    auto place = [](TDock97* d, int x, int y, int w, int h) {
        if (d->geometry() != QRect(x, y, w, h)) d->setGeometry(x, y, w, h);
    };
    for (TDock97* d : docks)
        if (d->FPosition == dpTop) {
            place(d, 0, top, form->width(), d->FThickness);
            top += d->FThickness;
        }
    for (TDock97* d : docks)
        if (d->FPosition == dpBottom) {
            bottom -= d->FThickness;
            place(d, 0, bottom, form->width(), d->FThickness);  // keeps its far edge
        }
    int left = 0, right = form->width();
    for (TDock97* d : docks)
        if (d->FPosition == dpLeft) {
            place(d, left, top, d->FThickness, bottom - top);
            left += d->FThickness;
        } else if (d->FPosition == dpRight) {
            right -= d->FThickness;
            place(d, right, top, d->FThickness, bottom - top);
        }
}

bool TDock97::eventFilter(QObject* watched, QEvent* event) {
    if (watched == FForm && event->type() == QEvent::Resize) {
        RealignDocks(FForm);
        QTimer::singleShot(0, this, [this] { ArrangeToolbars(); });
    }
    return QWidget::eventFilter(watched, event);
}

const QImage& TDock97::DrawnBackground() {
    if (!FBackgroundTransparent || FBackground.isNull()) return FBackground;
    if (FTransparentBackground.isNull()) {
        // The bottom-left pixel's colour becomes the dock's colour.
        FTransparentBackground = FBackground.convertToFormat(QImage::Format_RGB32);
        const QRgb key = FTransparentBackground.pixel(0, FTransparentBackground.height() - 1);
        const QRgb color = ToQColor(FColor).rgb();
        for (int y = 0; y < FTransparentBackground.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(FTransparentBackground.scanLine(y));
            for (int x = 0; x < FTransparentBackground.width(); ++x)
                if (line[x] == key) line[x] = color;
        }
    }
    return FTransparentBackground;
}

void TDock97::PaintBackground(QPainter& p, const QRect& rect, QPoint offset) {
    const QImage& bg = DrawnBackground();
    const QRect target = rect.translated(-offset);
    if (bg.isNull()) {
        p.fillRect(target, ToQColor(FColor));
        return;
    }
    // Tiled from the form's origin so that neighbouring docks continue it.
    const QPoint origin = FForm ? mapTo(FForm.data(), QPoint(0, 0)) : QPoint(0, 0);
    p.save();
    p.setBrushOrigin(-origin - offset);
    p.fillRect(target, QBrush(bg));
    p.restore();
}

void TDock97::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    PaintBackground(p, event->rect(), QPoint(0, 0));
    if (width() < 2 || height() < 2) return;
    const TPen shadow{clBtnShadow}, light{clBtnHighlight};
    if (FBoundLines & blTop) Line(p, shadow, 0, 0, width(), 0);
    if (FBoundLines & blBottom) Line(p, light, 0, height() - 1, width(), height() - 1);
    if (FBoundLines & blLeft) Line(p, shadow, 0, 0, 0, height());
    if (FBoundLines & blRight) Line(p, light, width() - 1, 0, width() - 1, height());
}

// ---- TToolbar97 ---------------------------------------------------------------------

struct TToolbar97::DragState {
    QPointF Grab;  // relative to the toolbar's size
    QPoint Start;
    QPoint Last;
    bool Ctrl = false;
    QSize FloatSize;
    TDock97* Target = nullptr;
    QRect Rect;
    std::unique_ptr<TDragOutline> Outline;
    bool Moved = false;
};

struct TToolbar97::ResizeState {
    Qt::Edges Edge;
    std::vector<TB97SizeChoice> Sizes;
    std::vector<int> Extents;
    int Current = 0;
    // Which side of the current size's edge the cursor was on (-1 inside,
    // 1 beyond, 0 on it); none before the first move.
    std::optional<int> Side;
    QRect Start;
    QRect Rect;
    std::unique_ptr<TDragOutline> Outline;
};

TToolbar97::TToolbar97(QWidget* parent) : QWidget(parent) {
    if (!parent) throw EInvalidOperation(kTB97ToolbarOwnedByForm);
    auto* dock = qobject_cast<TDock97*>(parent);
    if (!dock && !parent->isWindow()) throw EInvalidOperation(kTB97ToolbarPlacement);
    FForm = parent->window();
    FFloatParent = new TFloatParent(this, FForm);
    FForm->installEventFilter(this);
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) { UpdateFloatingVisibility(state); });
    connect(qApp, &QGuiApplication::screenRemoved, this,
            [this] { QTimer::singleShot(0, this, [this] { KeepOnScreen(); }); });
    connect(qApp, &QGuiApplication::screenAdded, this, &TToolbar97::WatchScreen);
    FSnapTimer.setSingleShot(true);
    FSnapTimer.setInterval(150);
    connect(&FSnapTimer, &QTimer::timeout, this, &TToolbar97::SnapToWindowSize);
    for (QScreen* s : QGuiApplication::screens()) WatchScreen(s);
    if (!dock) {
        // Placed on the form: it floats.
        FReparenting = true;
        setParent(FFloatParent);
        FReparenting = false;
    }
    // Visible unless hidden, as every control.
    QWidget::setVisible(true);
    Arrange();
    if (dock) {
        dock->ArrangeToolbars();
        if (dock->OnInsertRemoveBar) dock->OnInsertRemoveBar(dock, true, this);
    } else {
        UpdateFloatingVisibility();
    }
}

TToolbar97::~TToolbar97() {
    if (TDock97* dock = GetDockedTo(); dock && !dock->FDestroying && dock->OnInsertRemoveBar)
        dock->OnInsertRemoveBar(dock, false, this);
    FDrag.reset();
    FResize.reset();
    if (FForm) FForm->removeEventFilter(this);
    delete FFloatParent;  // nullptr when the floating window is what deletes us
}

TDock97* TToolbar97::GetDockedTo() const { return qobject_cast<TDock97*>(parentWidget()); }

void TToolbar97::contextMenuEvent(QContextMenuEvent* event) {
    if (!FPopupMenu) return QWidget::contextMenuEvent(event);  // the dock's, if any
    FPopupMenu->Popup(event->globalPos().x(), event->globalPos().y());
}

void TToolbar97::SetCaption(const QString& value) {
    FCaption = value;
    setWindowTitle(value);
    if (FFloatParent) FFloatParent->update();
}

void TToolbar97::SetCloseButton(bool value) {
    if (ChangeField(FCloseButton, value)) FFloatParent->update();
}

void TToolbar97::SetColor(TColor value) {
    if (ChangeField(FColor, value)) update();
}

void TToolbar97::SetDockRow(int value) {
    FDockRow = value;
    if (TDock97* d = GetDockedTo()) d->ArrangeToolbars();
}

void TToolbar97::SetDockPos(int value) {
    FDockPos = value;
    if (TDock97* d = GetDockedTo()) d->ArrangeToolbars();
}

void TToolbar97::SetFloatingRect(const TRect& value) {
    FFloatingRect = value;
    if (IsFloating() && !value.IsEmpty()) {
        FFloatParent->setGeometry(ToQ(value));
        KeepOnScreen();
    }
}

void TToolbar97::SetOrientationPair(QWidget* horizontal, QWidget* vertical) {
    FPairs.emplace_back(horizontal, vertical);
    Arrange();
}

void TToolbar97::childEvent(QChildEvent* event) {
    QWidget::childEvent(event);
    if (event->type() == QEvent::ChildAdded && event->child()->isWidgetType()) {
        auto* w = static_cast<QWidget*>(event->child());
        if (std::find(FOrder.begin(), FOrder.end(), w) == FOrder.end()) {
            FOrder.emplace_back(w);
            w->installEventFilter(this);
        }
        QTimer::singleShot(0, this, [this] {
            // Controls are visible unless hidden.
            for (QWidget* c : Controls())
                if (!c->testAttribute(Qt::WA_WState_ExplicitShowHide)) c->show();
            Arrange();
            if (TDock97* d = GetDockedTo()) d->ArrangeToolbars();
        });
    } else if (event->type() == QEvent::ChildRemoved) {
        FOrder.erase(std::remove_if(FOrder.begin(), FOrder.end(),
                                    [&](const QPointer<QWidget>& w) { return !w || w == event->child(); }),
                     FOrder.end());
    }
}

std::vector<QWidget*> TToolbar97::Controls() const {
    std::vector<QWidget*> list;
    for (const QPointer<QWidget>& w : FOrder)
        if (w && w->parentWidget() == this) list.push_back(w);
    return list;
}

TB97Margins TToolbar97::Margins(bool floating, TDock97* dock) const {
    return TB97ToolbarMargins(floating, floating || (dock && dock->GetAllowDrag()));
}

std::vector<TB97Item> TToolbar97::Items() const {
    std::vector<TB97Item> items;
    for (QWidget* w : Controls()) {
        TB97Item it;
        if (auto* sep = qobject_cast<TToolbarSep97*>(w)) {
            it.Separator = true;
            it.SizeHorz = sep->GetSizeHorz();
            it.SizeVert = sep->GetSizeVert();
        }
        it.Visible = !w->isHidden();
        it.Width = w->width();
        it.Height = w->height();
        items.push_back(it);
    }
    return items;
}

void TToolbar97::Arrange() {
    if (FDisableArrange > 0 || FArranging) return;
    FArranging = true;
    TDock97* dock = GetDockedTo();
    const bool floating = dock == nullptr;
    const bool vertical = dock && DockIsVertical(dock->GetPosition());
    for (auto& [h, v] : FPairs) {
        if (h) h->setHidden(vertical);
        if (v) v->setHidden(!vertical);
    }
    std::vector<QWidget*> controls = Controls();
    std::vector<TB97Item> items = Items();
    int rowSize = 0;
    if (dock) {
        for (const TB97Item& it : items)
            if (it.Visible && !it.Separator) rowSize = std::max(rowSize, vertical ? it.Width : it.Height);
        rowSize = std::max(rowSize, kTB97MinContent) + kTB97RowExtra;
    }
    FLast = TB97ArrangeToolbar(items, vertical, floating, Margins(floating, dock),
                               floating ? FFloatingWidth : kTB97Unlimited, rowSize);
    for (size_t i = 0; i < controls.size(); ++i)
        if (items[i].Visible) controls[i]->setGeometry(ToQ(items[i].Bounds));
    if (floating && FFloatParent) {
        resize(FLast.Client.cx, FLast.Client.cy);
        move(TB97FrameWidth(), TB97FrameWidth() + TB97CaptionHeight());
        const QSize outer(FLast.Client.cx + FloatFrame().cx, FLast.Client.cy + FloatFrame().cy);
        if (FFloatParent->size() != outer) FFloatParent->resize(outer);
        if (!FFloatingRect.IsEmpty())
            FFloatingRect = TRect(FFloatingRect.Left, FFloatingRect.Top, FFloatingRect.Left + outer.width(),
                                  FFloatingRect.Top + outer.height());
    }
    FArranging = false;
    update();
}

void TToolbar97::setVisible(bool visible) {
    if (FReparenting) return QWidget::setVisible(visible);
    FHiddenByUser = !visible;
    QWidget::setVisible(visible);
    if (IsFloating()) UpdateFloatingVisibility();
    else if (TDock97* d = GetDockedTo()) d->ArrangeToolbars();
}

void TToolbar97::SetHideWhenInactive(bool value) {
    if (ChangeField(FHideWhenInactive, value)) UpdateFloatingVisibility();
}

void TToolbar97::UpdateFloatingVisibility() { UpdateFloatingVisibility(QGuiApplication::applicationState()); }

// A floating toolbar shows while its form is shown and not minimised and
// (unless it stays) the application is active.
void TToolbar97::UpdateFloatingVisibility(Qt::ApplicationState state) {
    if (!IsFloating() || !FForm || !FFloatParent) return;
    const bool active = state == Qt::ApplicationActive || !FHideWhenInactive;
    const bool show = !FHiddenByUser && FForm->isVisible() && !FForm->isMinimized() && active;
    if (show != FFloatParent->isVisible()) FFloatParent->setVisible(show);
}

void TToolbar97::KeepOnScreen() {
    if (!IsFloating() || TB97CompositorMoves() || !FFloatParent) return;
    std::vector<TRect> areas;
    for (QScreen* s : QGuiApplication::screens()) areas.push_back(FromQ(s->availableGeometry()));
    const TRect r = FromQ(FFloatParent->geometry());
    const TRect to = TB97KeepOnScreen(r, areas);
    if (to == r) return;
    FFloatParent->move(to.Left, to.Top);
    FFloatingRect = to;
}

// A screen that goes or changes its work area may leave a floating window
// off the screens; checked once the windows have settled.
void TToolbar97::WatchScreen(QScreen* screen) {
    connect(screen, &QScreen::availableGeometryChanged, this,
            [this] { QTimer::singleShot(0, this, [this] { KeepOnScreen(); }); });
}

void TToolbar97::SetDockedTo(TDock97* value) {
    TDock97* old = GetDockedTo();
    const bool wasFloating = old == nullptr && parentWidget() == FFloatParent;
    if (value == old && (value || wasFloating)) {
        if (value) value->ArrangeToolbars();
        return;
    }
    if (value && !FCanDockLeftRight && DockIsVertical(value->GetPosition())) return;
    if (OnDockChanging) OnDockChanging(this);
    const bool hidden = FHiddenByUser;
    if (OnRecreating) OnRecreating(this);
    FReparenting = true;
    if (value) {
        setParent(value);
        if (FFirstWhenDocked) lower();
        FFloatParent->hide();
    } else {
        if (FFloatingRect.IsEmpty()) {
            const QPoint at = mapToGlobal(QPoint(0, 0));
            FFloatingRect =
                TRect(at.x(), at.y(), at.x() + width() + FloatFrame().cx, at.y() + height() + FloatFrame().cy);
        }
        setParent(FFloatParent);
        if (!TB97CompositorMoves()) FFloatParent->move(FFloatingRect.Left, FFloatingRect.Top);
    }
    if (!hidden) QWidget::setVisible(true);
    FReparenting = false;
    if (OnRecreated) OnRecreated(this);
    Arrange();
    if (value) {
        value->ArrangeToolbars();
        if (value->OnInsertRemoveBar) value->OnInsertRemoveBar(value, true, this);
    } else {
        UpdateFloatingVisibility();
        KeepOnScreen();
    }
    if (old) {
        old->ArrangeToolbars();
        if (old->OnInsertRemoveBar) old->OnInsertRemoveBar(old, false, this);
    }
    if (OnDockChanged) OnDockChanged(this);
}

void TToolbar97::ToggleDocking() {
    if (IsFloating()) {
        if (!FDefaultDock) return;
        FDockRow = 0;
        FDockPos = -8;  // first in the row
        SetDockedTo(FDefaultDock);
    } else {
        SetDockedTo(nullptr);
    }
}

void TToolbar97::CloseFloating() {
    setVisible(false);
    if (OnClose) OnClose(this);
}

void TToolbar97::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    TDock97* dock = GetDockedTo();
    if (!dock) {
        p.fillRect(event->rect(), ToQColor(FColor));
        const TPen shadow{clBtnShadow}, light{clBtnHighlight};
        for (int y : FLast.SeparatorLines) {
            // In the middle of the gap before the line.
            Line(p, shadow, 0, y - 3, width(), y - 3);
            Line(p, light, 0, y - 2, width(), y - 2);
        }
        return;
    }
    if (dock->GetBackground().isNull()) p.fillRect(event->rect(), ToQColor(FColor));
    else dock->PaintBackground(p, event->rect().translated(pos()), pos());
    TRect r = TRect(0, 0, width(), height());
    DrawEdge(p, r, BDR_RAISEDINNER, BF_RECT);
    if (!dock->GetAllowDrag()) return;
    const bool vertical = DockIsVertical(dock->GetPosition());
    for (int bar = 0; bar < 2; ++bar) {
        const int a = 4 + 3 * bar;
        TRect g = vertical ? TRect(2, a, width() - 2, a + 3) : TRect(a, 2, a + 3, height() - 2);
        DrawEdge(p, g, BDR_RAISEDINNER, BF_RECT);
        if (vertical) p.fillRect(QRect(width() - 3, a, 1, 1), ToQColor(clBtnHighlight));
        else p.fillRect(QRect(a, height() - 3, 1, 1), ToQColor(clBtnHighlight));
    }
}

// ---- dragging ------------------------------------------------------------------------

void TToolbar97::mousePressEvent(QMouseEvent* event) {
    if (FDrag || FResize) return;
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    TDock97* dock = GetDockedTo();
    if (dock && !dock->GetAllowDrag()) return;
    if (!dock && TB97CompositorMoves()) {
        // The compositor moves the window by its caption; a drag from the
        // body docks the toolbar again when dropped onto the form.
        FDockDragFrom = event->position().toPoint();
        return;
    }
    BeginDrag(event->globalPosition().toPoint());
}

void TToolbar97::BeginDrag(QPoint globalPos) {
    auto d = std::make_unique<DragState>();
    const QPoint local = mapFromGlobal(globalPos);
    const bool floating = IsFloating();
    const QSize outer = floating ? FFloatParent->size() : size();
    const QPoint origin = floating ? FFloatParent->mapToGlobal(QPoint(0, 0)) : mapToGlobal(QPoint(0, 0));
    const QPoint rel = globalPos - origin;
    (void)local;
    d->Grab = QPointF(outer.width() > 0 ? double(rel.x()) / outer.width() : 0,
                      outer.height() > 0 ? double(rel.y()) / outer.height() : 0);
    d->Start = d->Last = globalPos;
    d->Ctrl = QGuiApplication::queryKeyboardModifiers() & Qt::ControlModifier;
    // The floating size: as it was, or the single-line arrangement.
    if (floating || !FFloatingRect.IsEmpty()) {
        d->FloatSize = floating ? FFloatParent->size() : QSize(FFloatingRect.Width(), FFloatingRect.Height());
    } else {
        std::vector<TB97Item> items = Items();
        const TB97ToolbarResult r = TB97ArrangeToolbar(items, false, true, Margins(true, nullptr), FFloatingWidth, 0);
        d->FloatSize = QSize(r.Client.cx + FloatFrame().cx, r.Client.cy + FloatFrame().cy);
    }
    d->Outline = std::make_unique<TDragOutline>();
    QToolTip::hideText();
    FDrag = std::move(d);
    grabMouse();
    qApp->installEventFilter(this);
    DragMove(globalPos);
}

void TToolbar97::DragMove(QPoint globalPos) {
    DragState& d = *FDrag;
    d.Last = globalPos;
    if (globalPos != d.Start) d.Moved = true;
    d.Target = d.Ctrl ? nullptr
                      : FindDock(
                            globalPos, d.Grab, [](TDock97* dk) { return dk->mapToGlobal(QPoint(0, 0)); }, d.Rect);
    int thickness = 1;
    if (!d.Target) {
        // Kept on the work area.
        const QRect area = AvailableArea(globalPos);
        const QPoint p(std::clamp(globalPos.x(), area.left(), area.right()),
                       std::clamp(globalPos.y(), area.top(), area.bottom()));
        d.Rect = QRect(p - QPoint(int(d.Grab.x() * d.FloatSize.width()), int(d.Grab.y() * d.FloatSize.height())),
                       d.FloatSize);
        const QRect inner =
            area.adjusted(TB97FrameWidth() + 4, TB97FrameWidth() + 4, -TB97FrameWidth() - 4, -TB97FrameWidth() - 4);
        if (d.Rect.right() < inner.left()) d.Rect.moveRight(inner.left());
        if (d.Rect.left() > inner.right()) d.Rect.moveLeft(inner.right());
        if (d.Rect.bottom() < inner.top()) d.Rect.moveBottom(inner.top());
        if (d.Rect.top() > inner.bottom()) d.Rect.moveTop(inner.bottom());
        thickness = TB97FrameWidth();
    }
    if (d.Outline && !TB97CompositorMoves()) d.Outline->SetRect(d.Rect, thickness);
}

TDock97* TToolbar97::FindDock(QPoint cursor, QPointF grab, const std::function<QPoint(TDock97*)>& origin,
                              QRect& rect) const {
    if (!FForm) return nullptr;
    std::vector<TDock97*> docks;
    for (QObject* c : FForm->children())
        if (auto* dk = qobject_cast<TDock97*>(c)) docks.push_back(dk);
    for (int pass = 0; pass < 2; ++pass) {
        const bool vertical = pass == 1;
        if (vertical && !FCanDockLeftRight) break;
        for (TDock97* dk : docks) {
            if (DockIsVertical(dk->GetPosition()) != vertical) continue;
            std::vector<TB97Item> items = Items();
            const TB97ToolbarResult r =
                TB97ArrangeToolbar(items, vertical, false, Margins(false, dk), kTB97Unlimited, 0);
            const QSize size(r.Client.cx, r.Client.cy);
            const QRect drag(cursor - QPoint(int(grab.x() * size.width()), int(grab.y() * size.height())), size);
            const QPoint o = origin(dk);
            const TRect dockRect(o.x(), o.y(), o.x() + dk->width(), o.y() + dk->height());
            if (TB97DockAccepts(dockRect, dk->GetPosition(), TPoint(cursor.x(), cursor.y()), FromQ(drag), grab.x(),
                                grab.y())) {
                rect = drag;
                return dk;
            }
        }
    }
    return nullptr;
}

void TToolbar97::DockAt(TDock97* dock, const QRect& rect) {
    const bool vertical = DockIsVertical(dock->GetPosition());
    const QRect r = rect.translated(-dock->contentsRect().topLeft());
    const int across = vertical ? r.center().x() : r.center().y();
    const TB97RowHit hit = TB97FindRow(dock->RowSizes(), across);
    if (hit.Insert)
        for (TToolbar97* t : dock->Toolbars())
            if (t != this && t->FDockRow >= hit.Row) ++t->FDockRow;
    FDockRow = hit.Row;
    FDockPos = std::max(0, vertical ? r.top() : r.left());
    // First in the stored order: at a place another toolbar has (the start
    // of a row, say) the dropped one goes where it was dropped.
    if (GetDockedTo() == dock) lower();
    FFirstWhenDocked = true;
    SetDockedTo(dock);
    FFirstWhenDocked = false;
    dock->ArrangeToolbars();
}

TDock97* TToolbar97::DragTarget() const { return FDrag ? FDrag->Target : nullptr; }
QRect TToolbar97::DragRect() const { return FDrag ? FDrag->Rect : QRect(); }

void TToolbar97::EndDrag(bool accept) {
    if (!FDrag) return;
    std::unique_ptr<DragState> d = std::move(FDrag);
    qApp->removeEventFilter(this);
    releaseMouse();
    d->Outline.reset();
    if (!accept || !d->Moved) return;
    if (TDock97* dock = d->Target) {
        DockAt(dock, d->Rect.translated(-dock->mapToGlobal(QPoint(0, 0))));
    } else {
        FFloatingRect = FromQ(d->Rect);
        if (IsFloating()) FFloatParent->move(d->Rect.topLeft());
        else SetDockedTo(nullptr);
        KeepOnScreen();
    }
}

// ---- docking by drag and drop ---------------------------------------------------------

QMimeData* TToolbar97::MakeDragData(QPointF grab) const {
    auto* data = new QMimeData;
    data->setData(kDragMimeType, ToolbarId(this) + ' ' + QByteArray::number(grab.x(), 'g', 17) + ' ' +
                                     QByteArray::number(grab.y(), 'g', 17));
    return data;
}

bool TToolbar97::ReadDragData(const QMimeData* data, QPointF* grab) const {
    if (!data || !data->hasFormat(kDragMimeType)) return false;
    const QList<QByteArray> parts = data->data(kDragMimeType).split(' ');
    if (parts.size() != 4 || parts[0] + ' ' + parts[1] != ToolbarId(this)) return false;
    bool okX = false, okY = false;
    const double x = parts[2].toDouble(&okX), y = parts[3].toDouble(&okY);
    if (!okX || !okY || !(x >= 0 && x <= 1 && y >= 0 && y <= 1)) return false;
    if (grab) *grab = QPointF(x, y);
    return true;
}

void TToolbar97::StartDockDrag(QPoint pos) {
    if (!IsFloating() || !FFloatParent || !FForm || FDockDragging) return;
    const QPoint at = mapTo(FFloatParent, pos);
    const QSize outer = FFloatParent->size();
    const QPointF grab(outer.width() > 0 ? std::clamp(double(at.x()) / outer.width(), 0.0, 1.0) : 0,
                       outer.height() > 0 ? std::clamp(double(at.y()) / outer.height(), 0.0, 1.0) : 0);
    auto* drag = new QDrag(this);  // Qt deletes it when it has ended
    drag->setMimeData(MakeDragData(grab));
    drag->setPixmap(FFloatParent->grab());
    drag->setHotSpot(at);
    QPointer<QWidget> form = FForm;
    const bool acceptedDrops = form->acceptDrops();
    form->setAcceptDrops(true);
    // Seen at every widget of the form, so that one taking drops of its own
    // does not stop the toolbar.
    qApp->installEventFilter(this);
    FDockDragging = true;
    QPointer<TToolbar97> self = this;
    drag->exec(Qt::MoveAction);
    if (form) form->setAcceptDrops(acceptedDrops);
    if (!self) return;
    qApp->removeEventFilter(this);
    FDockDragging = false;
    // Docked once the drag has ended: the floating window is its source.
    if (TDock97* dock = FDropDock) {
        FDropDock = nullptr;
        DockAt(dock, FDropRect);
    }
}

bool TToolbar97::HandleDropEvent(QWidget* receiver, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop) return false;
    auto* e = static_cast<QDropEvent*>(event);
    QPointF grab;
    if (!FForm || !receiver || !ReadDragData(e->mimeData(), &grab)) return false;
    if (receiver != FForm && !FForm->isAncestorOf(receiver)) return false;
    e->setDropAction(Qt::MoveAction);
    if (type == QEvent::DragEnter) {
        e->accept();  // the moves that follow tell where a drop docks
        return true;
    }
    QWidget* form = FForm;
    const QPoint at = receiver->mapTo(form, e->position().toPoint());
    QRect rect;
    TDock97* dock = nullptr;
    if (IsFloating() && !(e->modifiers() & Qt::ControlModifier))
        dock = FindDock(
            at, grab, [form](TDock97* dk) { return dk->mapTo(form, QPoint(0, 0)); }, rect);
    if (!dock) {
        e->ignore();
        return true;
    }
    e->accept();
    if (type == QEvent::Drop) {
        const QRect inDock = rect.translated(-dock->mapTo(form, QPoint(0, 0)));
        if (FDockDragging) {
            FDropDock = dock;
            FDropRect = inDock;
        } else {
            DockAt(dock, inDock);
        }
    }
    return true;
}

// ---- resizing ------------------------------------------------------------------------

void TToolbar97::BeginResize(Qt::Edges edge, QPoint globalPos) {
    if (!IsFloating() || FDrag || FResize) return;
    auto r = std::make_unique<ResizeState>();
    r->Edge = edge;
    const bool byWidth = edge & (Qt::LeftEdge | Qt::RightEdge);
    r->Sizes = TB97SizeList(Items(), Margins(true, nullptr), FloatFrame(), byWidth);
    if (r->Sizes.empty()) return;
    r->Start = r->Rect = FFloatParent->geometry();
    int best = 0;
    for (size_t i = 0; i < r->Sizes.size(); ++i) {
        r->Extents.push_back(byWidth ? r->Sizes[i].Size.cx : r->Sizes[i].Size.cy);
        if (r->Sizes[i].Size == TSize(r->Start.width(), r->Start.height())) best = static_cast<int>(i);
    }
    r->Current = best;
    if (TB97CompositorMoves()) {
        // The compositor resizes; the size snaps to the list when it pauses.
        if (QWindow* w = FFloatParent->windowHandle()) w->startSystemResize(edge);
        return;
    }
    r->Outline = std::make_unique<TDragOutline>();
    r->Outline->SetRect(r->Rect, TB97FrameWidth());
    FResize = std::move(r);
    QToolTip::hideText();
    FFloatParent->grabMouse();
    qApp->installEventFilter(this);
    ResizeMove(globalPos);
}

void TToolbar97::SnapToWindowSize() {
    if (!IsFloating() || !FFloatParent) return;
    const QSize now = FFloatParent->size();
    const TSize arranged(FLast.Client.cx + FloatFrame().cx, FLast.Client.cy + FloatFrame().cy);
    if (TSize(now.width(), now.height()) == arranged) return;
    const bool byWidth = now.width() != arranged.cx;
    const std::vector<TB97SizeChoice> sizes = TB97SizeList(Items(), Margins(true, nullptr), FloatFrame(), byWidth);
    if (sizes.empty()) return;
    std::vector<int> extents;
    int current = 0;
    for (size_t i = 0; i < sizes.size(); ++i) {
        extents.push_back(byWidth ? sizes[i].Size.cx : sizes[i].Size.cy);
        if (sizes[i].Size == arranged) current = static_cast<int>(i);
    }
    const int pick =
        TB97PickSize(extents, current, byWidth ? now.width() : now.height(), TB97SnapDistance(extents, current));
    FFloatingWidth = sizes[pick].Available;
    Arrange();  // sizes the window to the pick
}

void TToolbar97::ResizeMove(QPoint g) {
    ResizeState& r = *FResize;
    int distance;
    if (r.Edge & Qt::LeftEdge) distance = r.Start.right() + 1 - g.x();
    else if (r.Edge & Qt::RightEdge) distance = g.x() - r.Start.left();
    else if (r.Edge & Qt::TopEdge) distance = r.Start.bottom() + 1 - g.y();
    else distance = g.y() - r.Start.top();
    // Snapping to the current size only on the first move and whenever the
    // cursor crosses its edge.
    auto side = [&](int current) { return distance > r.Extents[current] ? 1 : distance < r.Extents[current] ? -1 : 0; };
    const bool snaps = !r.Side || *r.Side != side(r.Current);
    const int snap = snaps ? TB97SnapDistance(r.Extents, r.Current) : 0;
    r.Current = TB97PickSize(r.Extents, r.Current, distance, snap);
    r.Side = side(r.Current);
    const TSize s = r.Sizes[r.Current].Size;
    QRect rect(r.Start.topLeft(), QSize(s.cx, s.cy));
    // Anchored at the opposite edge.
    if (r.Edge & Qt::LeftEdge) rect.moveRight(r.Start.right());
    if (r.Edge & Qt::TopEdge) rect.moveBottom(r.Start.bottom());
    r.Rect = rect;
    if (r.Outline) r.Outline->SetRect(rect, TB97FrameWidth());
}

void TToolbar97::EndResize(bool accept) {
    if (!FResize) return;
    std::unique_ptr<ResizeState> r = std::move(FResize);
    qApp->removeEventFilter(this);
    FFloatParent->releaseMouse();
    r->Outline.reset();
    if (!accept) return;
    FFloatingWidth = r->Sizes[r->Current].Available;
    FFloatingRect = FromQ(r->Rect);
    Arrange();
    FFloatParent->move(r->Rect.topLeft());
    KeepOnScreen();
}

void TToolbar97::mouseMoveEvent(QMouseEvent* event) {
    if (FDrag) return DragMove(event->globalPosition().toPoint());
    if (FDockDragFrom && (event->buttons() & Qt::LeftButton) &&
        (event->position().toPoint() - *FDockDragFrom).manhattanLength() >= QApplication::startDragDistance()) {
        const QPoint from = *FDockDragFrom;
        FDockDragFrom.reset();
        return StartDockDrag(from);
    }
    QWidget::mouseMoveEvent(event);
}

void TToolbar97::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) FDockDragFrom.reset();
    if (FDrag && event->button() == Qt::LeftButton) EndDrag(true);
    else QWidget::mouseReleaseEvent(event);
}

void TToolbar97::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    FDockDragFrom.reset();
    EndDrag(false);
    ToggleDocking();
}

bool TToolbar97::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if ((type == QEvent::DragEnter || type == QEvent::DragMove || type == QEvent::Drop) && watched->isWidgetType() &&
        HandleDropEvent(static_cast<QWidget*>(watched), event))
        return true;
    // The loops look at input only as it reaches widgets: taken from the
    // window before that, a release would leave the window thinking the
    // button still held over the toolbar, and every later move would go
    // there.
    if ((FDrag || FResize) && (watched->isWidgetType() || type == QEvent::ApplicationDeactivate)) {
        // The drag and resize loops: Esc, another left press, losing the
        // mouse or the application cancel; right and middle buttons and
        // keys are swallowed.
        auto cancel = [&] {
            if (FDrag) EndDrag(false);
            else EndResize(false);
        };
        switch (type) {
            case QEvent::ToolTip: return true;  // no hints while dragging or resizing
            case QEvent::KeyPress:
            case QEvent::KeyRelease: {
                const auto* k = static_cast<QKeyEvent*>(event);
                if (type == QEvent::KeyPress && k->key() == Qt::Key_Escape) {
                    cancel();
                } else if (FDrag && k->key() == Qt::Key_Control) {
                    FDrag->Ctrl = type == QEvent::KeyPress;
                    DragMove(FDrag->Last);
                }
                return true;
            }
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonDblClick: {
                const auto* m = static_cast<QMouseEvent*>(event);
                if (m->button() == Qt::LeftButton) cancel();
                return true;
            }
            case QEvent::MouseButtonRelease: {
                const auto* m = static_cast<QMouseEvent*>(event);
                if (m->button() != Qt::LeftButton) return true;
                if (FDrag) EndDrag(true);
                else EndResize(true);
                return true;
            }
            case QEvent::MouseMove: {
                const QPoint g = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
                if (FDrag) DragMove(g);
                else ResizeMove(g);
                return true;
            }
            case QEvent::UngrabMouse:
            case QEvent::ApplicationDeactivate:
                if (watched == this || watched == FFloatParent || type == QEvent::ApplicationDeactivate) cancel();
                break;
            default: break;
        }
    }
    if (watched == FForm) {
        if (type == QEvent::Show || type == QEvent::Hide || type == QEvent::WindowStateChange)
            QTimer::singleShot(0, this, [this] { UpdateFloatingVisibility(); });
        if (type == QEvent::ActivationChange && FFloatParent) FFloatParent->update();  // the caption's colours
    } else if (watched->isWidgetType() && static_cast<QWidget*>(watched)->parentWidget() == this && !FArranging) {
        if (type == QEvent::ShowToParent || type == QEvent::HideToParent || type == QEvent::Resize) {
            QTimer::singleShot(0, this, [this] {
                if (TDock97* d = GetDockedTo()) d->ArrangeToolbars();
                else Arrange();
            });
        }
    }
    return QWidget::eventFilter(watched, event);
}

// ---- TFloatParent -------------------------------------------------------------------

TFloatParent::TFloatParent(TToolbar97* toolbar, QWidget* form)
    : QWidget(form, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus), FToolbar(toolbar) {
    // A window that never takes the focus: the form stays active.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
}

TFloatParent::~TFloatParent() {
    // Deleting the floating window deletes the toolbar in it.
    if (FToolbar->FFloatParent == this) FToolbar->FFloatParent = nullptr;
}

QRect TFloatParent::CloseBox() const {
    const int s = TB97CaptionHeight() - 4;
    return QRect(width() - TB97FrameWidth() - 2 - s, TB97FrameWidth() + 2, s, s);
}

QString TFloatParent::ShownCaption() const {
    QFont f = font();
    f.setPixelSize(11);
    f.setBold(true);
    const QFontMetrics fm(f);
    const int room =
        (FToolbar->GetCloseButton() ? CloseBox().left() : width() - TB97FrameWidth()) - TB97FrameWidth() - 4;
    return TB97ShortenCaption(FToolbar->GetCaption(), room, [&](const QString& s) { return fm.horizontalAdvance(s); });
}

Qt::Edges TFloatParent::EdgesAt(QPoint p) const {
    Qt::Edges e;
    if (p.x() < TB97FrameWidth()) e |= Qt::LeftEdge;
    else if (p.x() >= width() - TB97FrameWidth()) e |= Qt::RightEdge;
    else if (p.y() < TB97FrameWidth()) e |= Qt::TopEdge;
    else if (p.y() >= height() - TB97FrameWidth()) e |= Qt::BottomEdge;
    return e;
}

void TFloatParent::paintEvent(QPaintEvent*) {
    QPainter p(this);
    TRect r(0, 0, width(), height());
    p.fillRect(rect(), ToQColor(clBtnFace));
    DrawEdge(p, r, EDGE_RAISED, BF_RECT | BF_ADJUST);
    const QRect caption(TB97FrameWidth(), TB97FrameWidth(), width() - 2 * TB97FrameWidth(), TB97CaptionHeight() - 1);
    const bool active = CaptionActive();
    p.fillRect(caption, ToQColor(active ? clActiveCaption : clInactiveCaption));
    QFont f = font();
    f.setPixelSize(11);
    f.setBold(true);
    p.setFont(f);
    p.setPen(ToQColor(active ? clCaptionText : clInactiveCaptionText));
    p.drawText(caption.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, ShownCaption());
    if (FToolbar->GetCloseButton()) {
        const QRect b = CloseBox();
        TRect br = FromQ(b);
        p.fillRect(b, ToQColor(clBtnFace));
        DrawEdge(p, br, FClosePressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
        const int o = FClosePressed ? 1 : 0;
        p.setPen(QPen(ToQColor(clBtnText), 1.5));
        p.setRenderHint(QPainter::Antialiasing);
        p.drawLine(QPointF(b.left() + 3 + o, b.top() + 3 + o), QPointF(b.right() - 2 + o, b.bottom() - 2 + o));
        p.drawLine(QPointF(b.right() - 2 + o, b.top() + 3 + o), QPointF(b.left() + 3 + o, b.bottom() - 2 + o));
    }
}

bool TFloatParent::CaptionActive() const {
    const QWidget* form = FToolbar->OwnerForm();
    return form && (form->isActiveWindow() || isActiveWindow());
}

void TFloatParent::ActivateForm() {
    QWidget* form = FToolbar->OwnerForm();
    if (form && form->isVisible() && !form->isMinimized() && !form->isActiveWindow()) form->activateWindow();
}

bool TFloatParent::event(QEvent* event) {
    // The floating window shares its form's activation: activated itself
    // (shown, or clicked), it hands the activation to the form.
    if (event->type() == QEvent::WindowActivate) ActivateForm();
    if (event->type() == QEvent::ActivationChange) update();
    if (event->type() == QEvent::Show && !FWatchingWindow && windowHandle()) {
        // Presses anywhere in the window, also on the toolbar's buttons.
        windowHandle()->installEventFilter(this);
        FWatchingWindow = true;
    }
    return QWidget::event(event);
}

bool TFloatParent::eventFilter(QObject* watched, QEvent* event) {
    // A click on the floating window activates the form (it takes no
    // activation itself); the press goes on as it came.
    if (watched == windowHandle() && event->type() == QEvent::MouseButtonPress) ActivateForm();
    return QWidget::eventFilter(watched, event);
}

void TFloatParent::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPoint p = event->position().toPoint();
    if (FToolbar->GetCloseButton() && CloseBox().contains(p)) {
        FCloseTracking = FClosePressed = true;
        update();
        return;
    }
    if (const Qt::Edges e = EdgesAt(p)) {
        FToolbar->BeginResize(e, event->globalPosition().toPoint());
        return;
    }
    // The caption drags the toolbar.
    if (TB97CompositorMoves()) {
        if (QWindow* w = windowHandle()) w->startSystemMove();
        return;
    }
    FToolbar->BeginDrag(event->globalPosition().toPoint());
}

void TFloatParent::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (FCloseTracking) {
        const bool in = CloseBox().contains(p);
        if (in != FClosePressed) {
            FClosePressed = in;
            update();
        }
        return;
    }
    const Qt::Edges e = EdgesAt(p);
    if (e & (Qt::LeftEdge | Qt::RightEdge)) setCursor(Qt::SizeHorCursor);
    else if (e) setCursor(Qt::SizeVerCursor);
    else unsetCursor();
}

void TFloatParent::mouseReleaseEvent(QMouseEvent* event) {
    if (!FCloseTracking || event->button() != Qt::LeftButton) return;
    FCloseTracking = false;
    const bool close = FClosePressed;
    FClosePressed = false;
    update();
    if (close) FToolbar->CloseFloating();
}

void TFloatParent::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (TB97CompositorMoves() && !FToolbar->FArranging) FToolbar->FSnapTimer.start();
}

void TFloatParent::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && !CloseBox().contains(event->position().toPoint()) &&
        !EdgesAt(event->position().toPoint()))
        FToolbar->ToggleDocking();
}
