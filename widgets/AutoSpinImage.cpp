#include "widgets/AutoSpinImage.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "platform/Paint.h"

// ---- arithmetic --------------------------------------------------------------------

TRect SpinImageArea(const TRect& client, TUpDownAlign align, int upDownWidth) {
    TRect r = client;
    switch (align) {
        case udaBottom: r.Bottom -= upDownWidth; break;
        case udaLeft: r.Left += upDownWidth; break;
        case udaRight: r.Right -= upDownWidth; break;
        case udaTop: r.Top += upDownWidth; break;
    }
    return r;
}

TRect SpinImagePlacement(const TRect& area, int w, int h, TImageHAlign hAlign, TImageVAlign vAlign) {
    int x = area.Left, y = area.Top;
    if (w < area.Width()) {
        if (hAlign == hsiCenter) x = area.Left + (area.Width() - w) / 2;
        else if (hAlign == hsiRight) x = area.Right - w;
    }
    if (h < area.Height()) {
        if (vAlign == vsiCenter) y = area.Top + (area.Height() - h) / 2;
        else if (vAlign == vsiBottom) y = area.Bottom - h;
    }
    return Bounds(x, y, w, h);
}

int SpinImageNext(int itemIndex, int count) { return itemIndex + 1 >= count ? 0 : itemIndex + 1; }

// ---- TAutoSpinUpDown ----------------------------------------------------------------

TAutoSpinUpDown::TAutoSpinUpDown(QWidget* parent) : QWidget(parent) {}

void TAutoSpinUpDown::SetOrientation(TUDOrientation value) {
    if (ChangeField(FOrientation, value)) update();
}

TUDBtnType TAutoSpinUpDown::ButtonAt(int x, int y) const {
    if (FOrientation == udVertical) return y < height() / 2 ? btNext : btPrev;
    return x < width() / 2 ? btPrev : btNext;
}

void TAutoSpinUpDown::PressAt(int x, int y) {
    const TUDBtnType button = ButtonAt(x, y);
    FPressed = button;
    update();
    if (OnClick) OnClick(button);
}

void TAutoSpinUpDown::ReleaseAt(int, int) {
    FPressed = -1;
    update();
}

void TAutoSpinUpDown::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPoint p = event->position().toPoint();
    PressAt(p.x(), p.y());
}

void TAutoSpinUpDown::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPoint p = event->position().toPoint();
    ReleaseAt(p.x(), p.y());
}

void TAutoSpinUpDown::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const int w = width(), h = height();
    const bool vertical = FOrientation == udVertical;
    for (const TUDBtnType button : {btNext, btPrev}) {
        TRect r = vertical ? (button == btNext ? TRect(0, 0, w, h / 2) : TRect(0, h / 2, w, h))
                           : (button == btPrev ? TRect(0, 0, w / 2, h) : TRect(w / 2, 0, w, h));
        const bool down = FPressed == button;
        FillRect(p, r, clBtnFace);
        TRect edge = r;
        DrawEdge(p, edge, down ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
        // A small triangle pointing away from the other button.
        const int cx = (r.Left + r.Right) / 2 + (down ? 1 : 0), cy = (r.Top + r.Bottom) / 2 + (down ? 1 : 0);
        const TColor ink = isEnabled() ? clBtnText : clGrayText;
        for (int i = 0; i < 3; ++i) {
            if (vertical) {
                const int y = button == btNext ? cy - 1 + i : cy + 1 - i;
                FillRect(p, TRect(cx - i, y, cx + i + 1, y + 1), ink);
            } else {
                const int x = button == btPrev ? cx - 1 + i : cx + 1 - i;
                FillRect(p, TRect(x, cy - i, x + 1, cy + i + 1), ink);
            }
        }
    }
}

// ---- items ------------------------------------------------------------------------------

void TAutoSpinImageItem::SetImageIndex(int value) {
    if (ChangeField(FImageIndex, value)) Changed();
}

void TAutoSpinImageItem::SetValue(const QString& value) {
    if (ChangeField(FValue, value)) Changed();
}

void TAutoSpinImageItem::Assign(const TAutoSpinImageItem& source) {
    FImageIndex = source.FImageIndex;
    FValue = source.FValue;
    FHint = source.FHint;
    Changed();
}

void TAutoSpinImageItem::Changed() {
    if (FCollection && FCollection->FOwner) {
        FCollection->FOwner->ItemsChanged();
        FCollection->FOwner->update();
    }
}

TAutoSpinImageItem* TAutoSpinImageItems::GetItem(int index) const {
    return index >= 0 && index < Count() ? FItems[static_cast<size_t>(index)].get() : nullptr;
}

TAutoSpinImageItem* TAutoSpinImageItems::Add() {
    FItems.push_back(std::make_unique<TAutoSpinImageItem>(this));
    return FItems.back().get();
}

void TAutoSpinImageItems::Delete(int index) {
    if (index >= 0 && index < Count()) FItems.erase(FItems.begin() + index);
}

void TAutoSpinImageItems::Clear() { FItems.clear(); }

void TAutoSpinImageItems::Assign(const TAutoSpinImageItems& source) {
    if (&source == this) return;
    FItems.clear();
    for (const auto& item : source.FItems) Add()->Assign(*item);
}

// ---- TAutoCustomSpinImage -----------------------------------------------------------

TAutoCustomSpinImage::TAutoCustomSpinImage(QWidget* parent) : QWidget(parent), FUpDown(new TAutoSpinUpDown(this)) {
    FUpDown->OnClick = [this](TUDBtnType button) { Step(button); };
    setFocusPolicy(Qt::StrongFocus);
    resize(118, 100);
    LayoutUpDown();
}

TAutoCustomSpinImage::~TAutoCustomSpinImage() {
    if (FImageList) disconnect(FImageList, nullptr, this, nullptr);
}

int TAutoCustomSpinImage::BorderWidth() const {
    if (FBorderStyle == bsNone) return 0;
    return FCtl3D ? 2 : 1;
}

TRect TAutoCustomSpinImage::ImageArea() const {
    const int b = BorderWidth();
    return SpinImageArea(TRect(b, b, width() - b, height() - b), FUpDownAlign, FUpDownWidth);
}

int TAutoCustomSpinImage::ImageCount() const {
    if (FDefaultImages) return FImageList ? FImageList->Count() : 0;
    return FItems.Count();
}

int TAutoCustomSpinImage::CurrentImage() const {
    if (!FImageList || FItemIndex < 0) return -1;
    int image = FItemIndex;
    if (!FDefaultImages) {
        const TAutoSpinImageItem* item = FItems.GetItem(FItemIndex);
        image = item ? item->GetImageIndex() : -1;
    }
    return image >= 0 && image < FImageList->Count() ? image : -1;
}

void TAutoCustomSpinImage::LayoutUpDown() {
    const int b = BorderWidth();
    const TRect client(b, b, width() - b, height() - b);
    TRect r;
    switch (FUpDownAlign) {
        case udaBottom: r = TRect(client.Left, client.Bottom - FUpDownWidth, client.Right, client.Bottom); break;
        case udaLeft: r = TRect(client.Left, client.Top, client.Left + FUpDownWidth, client.Bottom); break;
        case udaRight: r = TRect(client.Right - FUpDownWidth, client.Top, client.Right, client.Bottom); break;
        case udaTop: r = TRect(client.Left, client.Top, client.Right, client.Top + FUpDownWidth); break;
    }
    FUpDown->setGeometry(r.ToQRect());
}

QSize TAutoCustomSpinImage::FrameExtent() const {
    const int b = 2 * BorderWidth();
    const bool beside = FUpDownAlign == udaLeft || FUpDownAlign == udaRight;
    return QSize(b + (beside ? FUpDownWidth : 0), b + (beside ? 0 : FUpDownWidth));
}

QSize TAutoCustomSpinImage::sizeHint() const {
    if (FAutoSize && FImageList) return FrameExtent() + QSize(FImageList->GetWidth(), FImageList->GetHeight());
    return QSize(118, 100);
}

QSize TAutoCustomSpinImage::minimumSizeHint() const {
    // The up-down's two arrow buttons need 16 pixels along it.
    return FrameExtent() + QSize(16, 16);
}

void TAutoCustomSpinImage::AdjustSize() {
    if (!FImageList) return;
    const TRect area = ImageArea();
    ApplyAutoSize(this, Bounds(x(), y(), FImageList->GetWidth() + width() - area.Width(),
                               FImageList->GetHeight() + height() - area.Height()));
}

void TAutoCustomSpinImage::resizeEvent(QResizeEvent* event) {
    LayoutUpDown();
    QWidget::resizeEvent(event);
}

void TAutoCustomSpinImage::SetAutoSize(bool value) {
    if (!FImageList || !ChangeField(FAutoSize, value)) return;
    setSizePolicy(FAutoSize ? QSizePolicy::Fixed : QSizePolicy::Preferred,
                  FAutoSize ? QSizePolicy::Fixed : QSizePolicy::Preferred);
    if (FAutoSize) AdjustSize();
    else updateGeometry();
}

void TAutoCustomSpinImage::SetBorderStyle(TBorderStyle value) {
    if (!ChangeField(FBorderStyle, value)) return;
    LayoutUpDown();
    updateGeometry();
    update();
}

void TAutoCustomSpinImage::SetCtl3D(bool value) {
    if (!ChangeField(FCtl3D, value)) return;
    LayoutUpDown();
    updateGeometry();
    update();
}

void TAutoCustomSpinImage::SetDefaultImages(bool value) {
    if (!ChangeField(FDefaultImages, value)) return;
    const bool hasImages = FDefaultImages ? (FImageList && FImageList->Count() > 0) : FItems.Count() > 0;
    FItemIndex = hasImages ? 0 : -1;
    ItemsChanged();
    update();
}

void TAutoCustomSpinImage::SetImageList(TImageList* value) {
    if (FImageList == value) return;
    if (FImageList) disconnect(FImageList, nullptr, this, nullptr);
    FImageList = value;
    if (FImageList) {
        connect(FImageList, &TImageList::Change, this, &TAutoCustomSpinImage::ImageListChanged);
        connect(FImageList, &QObject::destroyed, this, [this] {
            // The list is gone: nothing is shown any more.
            FItemIndex = -1;
            FAutoSize = false;
            setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
            updateGeometry();
            update();
        });
    }
    FItemIndex = -1;
    update();
}

void TAutoCustomSpinImage::ImageListChanged() {
    FUpDown->SetMax(ImageCount());
    if (FAutoSize) AdjustSize();
    update();
}

void TAutoCustomSpinImage::SetImageHAlign(TImageHAlign value) {
    if (ChangeField(FImageHAlign, value)) update();
}

void TAutoCustomSpinImage::SetImageVAlign(TImageVAlign value) {
    if (ChangeField(FImageVAlign, value)) update();
}

void TAutoCustomSpinImage::SetItems(const TAutoSpinImageItems& value) {
    FItems.Assign(value);
    update();
}

void TAutoCustomSpinImage::SetItemIndex(int value) {
    if (value < -1 || value == FItemIndex || !FImageList || value >= ImageCount()) return;
    FItemIndex = value;
    Change();
    repaint();
}

void TAutoCustomSpinImage::Change() {
    if (!FDefaultImages && FItemIndex >= 0) {
        if (const TAutoSpinImageItem* item = FItems.GetItem(FItemIndex)) {
            SetHint(item->GetHint());
            SetShowHint(!item->GetHint().isEmpty());
        }
    }
    FUpDown->SetMax(ImageCount());
    FUpDown->SetPosition(FItemIndex);
    if (OnChange) OnChange(this, FItemIndex);
}

void TAutoCustomSpinImage::SetStretch(bool value) {
    if (ChangeField(FStretch, value)) update();
}

void TAutoCustomSpinImage::SetUpDownAlign(TUpDownAlign value) {
    FUpDownAlign = value;
    SetUpDownWidth(FUpDownWidth);
    LayoutUpDown();
    update();
}

void TAutoCustomSpinImage::SetUpDownOrientation(TUDOrientation value) {
    FUpDownOrientation = value;
    FUpDown->SetOrientation(value);
    SetUpDownWidth(FUpDownWidth);
}

void TAutoCustomSpinImage::SetUpDownWidth(int value) {
    if (ChangeField(FUpDownWidth, value)) update();
    LayoutUpDown();
    if (FAutoSize) AdjustSize();
    else updateGeometry();
}

void TAutoCustomSpinImage::SetColor(TColor value) {
    if (ChangeField(FColor, value)) update();
}

void TAutoCustomSpinImage::SetHint(const QString& value) {
    FHint = value;
    setToolTip(FShowHint ? FHint : QString());
}

void TAutoCustomSpinImage::SetShowHint(bool value) {
    FShowHint = value;
    setToolTip(FShowHint ? FHint : QString());
}

void TAutoCustomSpinImage::paintEvent(QPaintEvent*) {
    QPainter p(this);
    TRect outer = GetClientRectOf(this);
    if (BorderWidth() == 2) DrawEdge(p, outer, EDGE_SUNKEN, BF_RECT);
    else if (BorderWidth() == 1) FrameRect(p, outer, clWindowFrame);
    const TRect area = ImageArea();
    const int image = CurrentImage();
    if (image >= 0) {
        const QImage bitmap = FImageList->GetBitmap(image, FColor);
        if (FStretch) {
            StretchBlt(p, area, bitmap);
        } else {
            FillRect(p, area, FColor);
            p.save();
            p.setClipRect(area.ToQRect());
            const TRect at = SpinImagePlacement(area, bitmap.width(), bitmap.height(), FImageHAlign, FImageVAlign);
            BitBlt(p, at.Left, at.Top, bitmap);
            p.restore();
        }
    } else {
        FillRect(p, area, FColor);
    }
    if (window()->focusWidget() == this) FrameRect(p, area, clWindowFrame);
}

void TAutoCustomSpinImage::Step(TUDBtnType button) {
    if (window()->focusWidget() != this) setFocus(Qt::MouseFocusReason);
    if (!CanModify()) return;
    if (button == btPrev) {
        if (FItemIndex > 0) SetItemIndex(FItemIndex - 1);
    } else {
        SetItemIndex(FItemIndex + 1);
    }
}

void TAutoCustomSpinImage::Advance() {
    if (CanModify() && ImageCount() > 0) SetItemIndex(SpinImageNext(FItemIndex, ImageCount()));
}

TPoint TAutoCustomSpinImage::LowerButtonPoint() const {
    return TPoint(FUpDown->width() - FUpDown->height(), FUpDown->height() - 1);
}

void TAutoCustomSpinImage::keyPressEvent(QKeyEvent* event) {
    if (FImageList && FImageList->Count() > 0 && CanModify()) {
        const TPoint lower = LowerButtonPoint();
        switch (event->key()) {
            case Qt::Key_Space: Advance(); return;
            case Qt::Key_Down: FUpDown->PressAt(lower.X, lower.Y); return;
            case Qt::Key_End:
                FUpDown->PressAt(lower.X, lower.Y);
                SetItemIndex(0);
                return;
            case Qt::Key_Up: FUpDown->PressAt(0, 1); return;
            case Qt::Key_Home:
                FUpDown->PressAt(0, 1);
                SetItemIndex(ImageCount() - 1);
                return;
            default: break;
        }
    }
    QWidget::keyPressEvent(event);
}

void TAutoCustomSpinImage::keyReleaseEvent(QKeyEvent* event) {
    if (FImageList && FImageList->Count() > 0 && !event->isAutoRepeat()) {
        const TPoint lower = LowerButtonPoint();
        switch (event->key()) {
            case Qt::Key_Down:
            case Qt::Key_End: FUpDown->ReleaseAt(lower.X, lower.Y); return;
            case Qt::Key_Up:
            case Qt::Key_Home: FUpDown->ReleaseAt(1, 0); return;
            default: break;
        }
    }
    QWidget::keyReleaseEvent(event);
}

void TAutoCustomSpinImage::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        FLeftPressed = true;
        if (GetTabStop()) setFocus(Qt::MouseFocusReason);
    }
}

void TAutoCustomSpinImage::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const bool click = FLeftPressed && rect().contains(event->position().toPoint());
    FLeftPressed = false;
    if (click && OnClick) OnClick(this);
}

void TAutoCustomSpinImage::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    FLeftPressed = true;
    if (FUseDblClick) Advance();
    else if (OnDblClick) OnDblClick(this);
}

void TAutoCustomSpinImage::focusInEvent(QFocusEvent* event) {
    update();
    QWidget::focusInEvent(event);
}

void TAutoCustomSpinImage::focusOutEvent(QFocusEvent* event) {
    update();
    QWidget::focusOutEvent(event);
}
