#include "mozaro/forms/ImageListBox.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>
#include <QPointer>
#include <QProxyStyle>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <QStyledItemDelegate>
#include <algorithm>

#include "artkit/PaletteText.h"
#include "image/PGraphic.h"
#include "mozaro/Layer.h"
#include "platform/ComboBoxPaint.h"
#include "platform/DrawText.h"
#include "platform/IntText.h"
#include "platform/Paint.h"
#include "platform/Style.h"

// ---- records ---------------------------------------------------------------------

int RecordImageIndex(const std::string& record) {
    const size_t comma = record.find(',');
    if (comma == std::string::npos) return -1;
    int32_t value;
    return TryStrToInt(record.substr(0, comma), value) ? value : -1;
}

std::string RecordData(const std::string& record) {
    const QString text = QString::fromStdString(record);
    const int comma = text.indexOf(',');
    if (comma < 0) return std::string();
    return text.mid(comma + 1, kMaxItemDataLength).toStdString();
}

// ---- the delegate both views draw their items with ------------------------------------

namespace {
class TImageItemDelegate : public QStyledItemDelegate {
public:
    TImageItemDelegate(TImageItemsControl* control, QObject* parent) : QStyledItemDelegate(parent), FControl(control) {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        painter->save();
        painter->setClipRect(option.rect);
        FControl->DrawItem(*painter, index.row(), TRect::FromQRect(option.rect), option.state & QStyle::State_Selected,
                           option.state & QStyle::State_HasFocus);
        painter->restore();
    }
    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
        return QSize(0, FControl->EffectiveItemHeight());
    }

private:
    TImageItemsControl* FControl;
};

// Drops the list below the box, DropDownCount rows high, where the
// application's style would lay a menu-like list over the box.
class TDropDownListStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_ComboBox_Popup) return 0;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

QStyle* SharedDropDownListStyle() {
    static QPointer<QStyle> style;
    if (!style) {
        style = new TDropDownListStyle(CreateApplicationStyle());
        style->setParent(qApp);
    }
    return style;
}
}  // namespace

// ---- what both controls share ----------------------------------------------------------

TImageItemsControl::TImageItemsControl(QWidget* self) : FSelf(self) {}

TImageItemsControl::~TImageItemsControl() {
    QObject::disconnect(FChangeLink);
    QObject::disconnect(FDestroyLink);
}

QAbstractItemModel* TImageItemsControl::Model() const { return FModel; }

void TImageItemsControl::SetAlignment(TAlignment value) {
    if (ChangeField(FAlignment, value)) LookChanged();
}

void TImageItemsControl::SetVertAlignment(TVertAlignment value) {
    if (ChangeField(FVertAlignment, value)) LookChanged();
}

void TImageItemsControl::SetImageAlign(TImageAlign value) {
    if (ChangeField(FImageAlign, value)) LookChanged();
}

void TImageItemsControl::SetMultiLines(bool value) {
    if (ChangeField(FMultiLines, value)) LookChanged();
}

void TImageItemsControl::SetColor(TColor value) {
    if (ChangeField(FColor, value)) LookChanged();
}

void TImageItemsControl::SetImageList(TImageList* value) {
    if (FImageList == value) return;
    QObject::disconnect(FChangeLink);
    QObject::disconnect(FDestroyLink);
    FImageList = value;
    if (value) {
        FChangeLink = QObject::connect(value, &TImageList::Change, FSelf, [this] {
            UpdateItemHeight();
            LookChanged();
        });
        FDestroyLink = QObject::connect(value, &QObject::destroyed, FSelf, [this] {
            QObject::disconnect(FChangeLink);
            FImageList = nullptr;
            UpdateItemHeight();
            LookChanged();
        });
    }
    UpdateItemHeight();
    LookChanged();
}

void TImageItemsControl::SetItemHeight(int value) {
    if (ChangeField(FItemHeight, value >= 10 ? value : 0)) UpdateItemHeight();
}

void TImageItemsControl::UpdateItemHeight() {
    int height = FItemHeight;
    if (height < 10) {
        height = TextHeight(QFontMetrics(FSelf->font()), QStringLiteral("Wg"));
        if (FImageList) height = std::max(height, FImageList->GetHeight());
        height += 2;
    }
    if (ChangeField(FEffectiveItemHeight, height)) ItemHeightChanged();
}

int TImageItemsControl::ItemCount() const { return FModel ? FModel->rowCount() : 0; }

std::string TImageItemsControl::GetItemText(int index) const {
    if (index < 0 || index >= ItemCount()) return std::string();
    return FModel->data(FModel->index(index, 0), Qt::DisplayRole).toString().toStdString();
}

std::string TImageItemsControl::GetItemRecord(int index) const {
    if (index < 0 || index >= ItemCount()) return std::string();
    return FModel->data(FModel->index(index, 0), kImageRecordRole).toString().toStdString();
}

void TImageItemsControl::SetItemRecord(int index, const std::string& record) {
    if (index < 0 || index >= ItemCount()) return;
    FModel->setData(FModel->index(index, 0), QString::fromStdString(record), kImageRecordRole);
}

int TImageItemsControl::GetItemImageIndex(int index) const {
    if (index < 0 || index >= ItemCount()) return -1;
    return RecordImageIndex(GetItemRecord(index));
}

std::string TImageItemsControl::GetItemData(int index) const { return RecordData(GetItemRecord(index)); }

void TImageItemsControl::SetItemImageIndex(int index, int value) {
    if (index < 0 || index >= ItemCount() || GetItemImageIndex(index) == value) return;
    SetItemRecord(index, std::to_string(value) + "," + GetItemData(index));
}

TStringList TImageItemsControl::GetSaveStrings() const {
    TStringList records;
    for (int i = 0; i < ItemCount(); ++i) records.Add(GetItemRecord(i));
    return records;
}

void TImageItemsControl::SetSaveStrings(const TStringList& records) {
    for (int i = 0; i < ItemCount(); ++i) SetItemRecord(i, i < records.Count() ? records[i] : std::string());
}

bool TImageItemsControl::HasImages() const {
    return FImageList && FImageList->GetWidth() > 0 && FImageList->GetHeight() > 0;
}

bool TImageItemsControl::HasPicture(int index) const {
    if (!HasImages()) return false;
    const int image = GetItemImageIndex(index);
    return image >= 0 && image < FImageList->Count();
}

void TImageItemsControl::AssignCommon(const TImageItemsControl& source) {
    SetImageList(source.GetImageList());
    ClearItems();
    for (int i = 0; i < source.ItemCount(); ++i)
        AddItemWithRecord(QString::fromStdString(source.GetItemText(i)),
                          QString::fromStdString(source.GetItemRecord(i)));
    SetImageAlign(source.FImageAlign);
    SetAlignment(source.FAlignment);
    SetMultiLines(source.FMultiLines);
    SetVertAlignment(source.FVertAlignment);
    FSelf->setFont(source.FSelf->font());
    SetFontColor(FSelf, GetFontColor(source.FSelf));
}

void TImageItemsControl::DrawPicture(QPainter& canvas, int index, TRect picture) const {
    picture.Inflate(-1, -1);
    if (picture.IsEmpty()) return;
    StretchBlt(canvas, picture, FImageList->GetBitmap(GetItemImageIndex(index)));
}

void TImageItemsControl::DrawItemText(QPainter& canvas, int index, const TRect& textRect) {
    canvas.setBackgroundMode(Qt::TransparentMode);
    if (OnDrawItem) {
        FCanvas = &canvas;
        struct TReset {
            QPainter*& p;
            ~TReset() { p = nullptr; }
        } reset{FCanvas};
        OnDrawItem(FSelf, index, textRect);
        return;
    }
    static const unsigned horizontal[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
    static const unsigned vertical[] = {DT_TOP, DT_VCENTER, DT_BOTTOM};
    unsigned format = DT_EXPANDTABS | DT_NOPREFIX | DT_EDITCONTROL | horizontal[FAlignment];
    format |= FMultiLines ? DT_WORDBREAK : DT_SINGLELINE | vertical[FVertAlignment];
    TRect r = textRect;
    DrawTextEx(canvas, QString::fromStdString(GetItemText(index)), r, format);
}

// ---- list box ---------------------------------------------------------------------------

TAutoCustomImageListBox::TAutoCustomImageListBox(QWidget* parent) : QListWidget(parent), TImageItemsControl(this) {
    SetModel(model());
    setItemDelegate(new TImageItemDelegate(this, this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    LookChanged();
    UpdateItemHeight();
}

void TAutoCustomImageListBox::SetSorted(bool value) {
    setSortingEnabled(value);
    if (value) sortItems();
}

void TAutoCustomImageListBox::AddItemWithRecord(const QString& text, const QString& record) {
    auto* item = new QListWidgetItem(text);
    item->setData(kImageRecordRole, record);
    addItem(item);
}

void TAutoCustomImageListBox::Assign(const TAutoCustomImageListBox& source) {
    if (&source == this) return;
    AssignCommon(source);
    SetItemHeight(source.GetItemHeight());
    UpdateItemHeight();
    LookChanged();
}

void TAutoCustomImageListBox::Assign(const TAutoImageComboBox& source) {
    AssignCommon(source);
    SetItemHeight(source.GetItemHeight());
    UpdateItemHeight();
    LookChanged();
}

void TAutoCustomImageListBox::ItemHeightChanged() { doItemsLayout(); }

void TAutoCustomImageListBox::LookChanged() {
    QPalette p = viewport()->palette();
    p.setColor(QPalette::Base, ToQColor(GetColor()));
    viewport()->setPalette(p);
    viewport()->update();
}

void TAutoCustomImageListBox::changeEvent(QEvent* event) {
    QListWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) UpdateItemHeight();
}

TRect TAutoCustomImageListBox::PictureRect(const TRect& item) const {
    if (!HasImages()) return TRect();
    const int w = (item.Bottom - item.Top - 2) * GetImageList()->GetWidth() / GetImageList()->GetHeight();
    if (GetImageAlign() == aliRight) return TRect(item.Right - w - 2, item.Top + 1, item.Right - 1, item.Bottom - 1);
    return TRect(item.Left + 1, item.Top + 1, item.Left + w + 2, item.Bottom - 1);
}

void TAutoCustomImageListBox::DrawItem(QPainter& canvas, int index, const TRect& rect, bool selected, bool focused) {
    const TColor brush = selected ? clHighlight : GetColor();
    canvas.setFont(font());
    canvas.setPen(ToQColor(selected ? clHighlightText : GetFontColor(this)));
    if (index < 0) {
        FillRect(canvas, rect, brush);
        return;
    }
    const bool images = HasImages();
    const bool picture = HasPicture(index);
    const TRect pic = PictureRect(rect);
    TRect fill = rect;
    if (picture && selected) {
        // The selected item's picture stands out by a raised frame in place
        // of the highlight.
        if (GetImageAlign() == aliRight) fill.Right = pic.Left - 1;
        else fill.Left = pic.Right + 1;
        TRect edge = pic;
        DrawEdge(canvas, edge, BDR_RAISEDOUTER, BF_RIGHT | BF_BOTTOM);
        TRect inner(pic.Left, pic.Top, pic.Right - 1, pic.Bottom - 1);
        const bool onWindow = GetColor() == clWindow || ColorToRGB(GetColor()) == 0xFFFFFF;
        DrawEdge(canvas, inner, onWindow ? BDR_RAISEDOUTER : BDR_RAISEDINNER, BF_LEFT | BF_TOP);
    }
    FillRect(canvas, fill, brush);
    if (picture) DrawPicture(canvas, index, pic);

    TRect text = rect;
    if (images) {
        text.Inflate(-2, -2);
        if (GetImageAlign() == aliRight) text.Right = pic.Left - 2;
        else text.Left = pic.Right + 2;
    }
    text.Left += 1;
    text.Right -= 1;
    DrawItemText(canvas, index, text);

    if (focused) {
        TRect f = rect;
        if (images) f.Inflate(-2, -3);
        DrawFocusRect(canvas, f);
    }
}

// ---- combo box --------------------------------------------------------------------------

TAutoImageComboBox::TAutoImageComboBox(QWidget* parent) : QComboBox(parent), TImageItemsControl(this) {
    setStyle(SharedDropDownListStyle());
    SetModel(model());
    setItemDelegate(new TImageItemDelegate(this, this));
    setMaxVisibleItems(8);
    connect(this, QOverload<int>::of(&QComboBox::activated), this, [this] {
        if (OnChange) OnChange(this);
    });
    connect(model(), &QAbstractItemModel::rowsInserted, this, [this] {
        if (FSorted) model()->sort(0);
    });
    UpdateItemHeight();
}

void TAutoImageComboBox::SetSorted(bool value) {
    if (ChangeField(FSorted, value) && value) model()->sort(0);
}

void TAutoImageComboBox::Assign(const TAutoCustomImageListBox& source) {
    AssignCommon(source);
    UpdateItemHeight();
}

void TAutoImageComboBox::Assign(const TAutoImageComboBox& source) {
    if (&source == this) return;
    AssignCommon(source);
    UpdateItemHeight();
}

void TAutoImageComboBox::ItemHeightChanged() {
    if (view()) view()->doItemsLayout();
    updateGeometry();
    update();
}

void TAutoImageComboBox::LookChanged() {
    update();
    if (view()) view()->viewport()->update();
}

void TAutoImageComboBox::changeEvent(QEvent* event) {
    QComboBox::changeEvent(event);
    if (event->type() == QEvent::FontChange) UpdateItemHeight();
}

TRect TAutoImageComboBox::PictureRect(const TRect& item) const {
    if (!HasImages()) return TRect();
    const int w = (item.Bottom - item.Top - 2) * GetImageList()->GetWidth() / GetImageList()->GetHeight();
    if (GetImageAlign() == aliRight) return TRect(item.Right - w - 2, item.Top + 1, item.Right - 1, item.Bottom - 1);
    return TRect(item.Left - 1, item.Top + 1, item.Left + w + 2, item.Bottom - 1);
}

void TAutoImageComboBox::DrawItem(QPainter& canvas, int index, const TRect& rect, bool selected, bool focused) {
    const TColor brush = selected ? clHighlight : GetColor();
    canvas.setFont(font());
    canvas.setPen(ToQColor(selected ? clHighlightText : GetFontColor(this)));
    FillRect(canvas, rect, brush);
    if (index >= 0) {
        const bool images = HasImages();
        const TRect pic = PictureRect(rect);
        if (HasPicture(index)) {
            // The highlighted item is the current one: in the drop-down the
            // highlight follows the mouse as the choice does.
            if (selected && brush != GetColor()) {
                TRect edge = pic;
                DrawEdge(canvas, edge, EDGE_RAISED, BF_RECT);
            }
            DrawPicture(canvas, index, pic);
        }
        TRect text = rect;
        text.Top += 1;
        text.Bottom -= 1;
        if (images) {
            if (GetImageAlign() == aliRight) text.Right = pic.Left;
            else text.Left = pic.Right;
        }
        text.Left += 1;
        text.Right -= 1;
        DrawItemText(canvas, index, text);
    }
    if (focused) DrawFocusRect(canvas, rect);
}

QSize TAutoImageComboBox::sizeHint() const {
    QSize base = QComboBox::sizeHint();
    QStyleOptionComboBox opt;
    initStyleOption(&opt);
    int textWidth = 0;
    const QFontMetrics fm(font());
    for (int i = 0; i < count(); ++i) textWidth = std::max(textWidth, fm.horizontalAdvance(itemText(i)));
    const int h = EffectiveItemHeight();
    const TRect pic = PictureRect(TRect(0, 0, 0, h));
    const QSize contents(textWidth + std::max(0, pic.Right) + 4, h);
    const QSize s = style()->sizeFromContents(QStyle::CT_ComboBox, &opt, contents, this);
    return base.expandedTo(s);
}

QSize TAutoImageComboBox::minimumSizeHint() const {
    return QComboBox::minimumSizeHint().expandedTo(QSize(0, sizeHint().height()));
}

void TAutoImageComboBox::paintEvent(QPaintEvent*) {
    QStylePainter p(this);
    QStyleOptionComboBox opt;
    initStyleOption(&opt);
    const QRect field = PaintComboBoxFrame(p, opt, this);
    p.setClipRect(field);
    DrawItem(p, currentIndex(), TRect::FromQRect(field), hasFocus(), hasFocus());
}

// ---- the algorithm picker -------------------------------------------------------------------

int AlgorithmPictureIndex(int algorithm) {
    if (algorithm < 0 || algorithm >= kAlgorithmCount) return -1;
    if (algorithm == algNoiseRings) return 20;
    return algorithm < algWhiteNoise ? algorithm : algorithm + 1;
}

namespace {
// Colours of the pictures: deep blue, sky, near white, gold, brown.
const char* const kPicturePalette = "21;41;101;71;131;201;241;241;231;221;161;61;91;51;21;";

// What "Image File" shows in its picture: a small landscape.
void PaintImportPicture(TPixelGraphic& g) {
    g.SetSize(64, 64, 3);
    QImage view = g.QImageView();
    QPainter p(&view);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 40);
    sky.setColorAt(0, QColor(40, 90, 200));
    sky.setColorAt(1, QColor(170, 210, 250));
    p.fillRect(0, 0, 64, 64, sky);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 210, 60));
    p.drawEllipse(QPointF(46, 16), 8, 8);
    p.setBrush(QColor(60, 140, 50));
    p.drawEllipse(QPointF(16, 70), 40, 30);
    p.setBrush(QColor(40, 110, 40));
    p.drawEllipse(QPointF(56, 74), 34, 28);
    p.end();
    g.DoChange();
}
}  // namespace

TImageList* MakeAlgorithmImageList(QObject* parent) {
    auto* list = new TImageList(kAlgorithmPictureSize, kAlgorithmPictureSize, parent);
    const TColourTable palette = PaletteTextToTable(kPicturePalette);
    THeightMapCache maps(1);
    TRandomGenerator random;
    TPixelGraphic import, layer, small;
    PaintImportPicture(import);
    small.SetSize(kAlgorithmPictureSize, kAlgorithmPictureSize, 3);
    QImage blank(kAlgorithmPictureSize, kAlgorithmPictureSize, QImage::Format_RGB32);
    blank.fill(Qt::white);
    std::vector<QImage> pictures(kAlgorithmPictureCount, blank);
    for (int a = 0; a < kAlgorithmCount; ++a) {
        TLayerParams params;
        params.Algorithm = a;
        RenderLayer(params, palette, maps, &import, layer, nullptr, random);
        small.StretchFrom(layer);
        pictures[AlgorithmPictureIndex(a)] = small.ToQImage();
    }
    for (const QImage& picture : pictures) list->Add(picture);
    return list;
}

void FillAlgorithmPicker(TAutoImageComboBox& picker, TImageList* images) {
    picker.clear();
    for (int a = 0; a < kAlgorithmCount; ++a)
        picker.addItem(QString::fromUtf8(kAlgorithmNames[a]), QString::number(AlgorithmPictureIndex(a)) + ",");
    picker.SetImageList(images);
}
