#include "widgets/FontComboBox.h"

#include <QEvent>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QPainter>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <QStyledItemDelegate>
#include <algorithm>
#include <set>

#include "platform/ComboBoxPaint.h"
#include "platform/DrawText.h"
#include "platform/Paint.h"
#include "widgets/RxUtils.h"

bool FontPassesOptions(const TFontRecord& font, TFontListOptions options) {
    bool result = true;
    if (options & foAnsiOnly) result = result && font.CharSet == ANSI_CHARSET;
    if (options & foTrueTypeOnly) result = result && (font.FontType & TRUETYPE_FONTTYPE);
    if (options & foFixedPitchOnly) result = result && (font.PitchAndFamily & FIXED_PITCH);
    if (options & foOEMFontsOnly) result = result && font.CharSet == OEM_CHARSET;
    if (options & foNoOEMFonts) result = result && font.CharSet != OEM_CHARSET;
    if (options & foScalableOnly) result = result && !(font.FontType & RASTER_FONTTYPE);
    return result;
}

std::vector<TFontEntry> BuildFontList(const std::vector<TFontRecord>& fonts, TFontListOptions options) {
    std::vector<TFontEntry> list;
    std::set<QString> seen;  // case-folded names already listed
    for (const TFontRecord& f : fonts) {
        const QString key = f.FaceName.toCaseFolded();
        if (seen.count(key) || !FontPassesOptions(f, options)) continue;
        seen.insert(key);
        list.push_back({f.FaceName, f.FontType});
    }
    std::stable_sort(list.begin(), list.end(), [](const TFontEntry& a, const TFontEntry& b) {
        const int c = QString::compare(a.Name, b.Name, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a.Name < b.Name;
    });
    return list;
}

std::vector<TFontRecord> ScreenFontRecords() {
    std::vector<TFontRecord> fonts;
    for (const QString& family : QFontDatabase::families()) {
        if (QFontDatabase::isPrivateFamily(family)) continue;
        TFontRecord r;
        r.FaceName = family;
        r.FontType = QFontDatabase::isSmoothlyScalable(family) ? TRUETYPE_FONTTYPE : RASTER_FONTTYPE;
        const QList<QFontDatabase::WritingSystem> systems = QFontDatabase::writingSystems(family);
        if (systems.contains(QFontDatabase::Latin)) r.CharSet = ANSI_CHARSET;
        else if (systems.contains(QFontDatabase::Symbol)) r.CharSet = SYMBOL_CHARSET;
        else r.CharSet = DEFAULT_CHARSET;
        r.PitchAndFamily = QFontDatabase::isFixedPitch(family) ? FIXED_PITCH : 2;
        fonts.push_back(r);
    }
    return fonts;
}

namespace {
constexpr int kFontTypeRole = Qt::UserRole;

class TFontItemDelegate : public QStyledItemDelegate {
public:
    explicit TFontItemDelegate(TFontComboBox* combo) : QStyledItemDelegate(combo), FCombo(combo) {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        FCombo->DrawItem(*painter, index.row(), TRect::FromQRect(option.rect), option.state & QStyle::State_Selected);
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override {
        return QSize(option.rect.width(), FCombo->ItemHeight());
    }

private:
    TFontComboBox* FCombo;
};
}  // namespace

TFontComboBox::TFontComboBox(QWidget* parent) : QComboBox(parent) {
    FTrueTypeBmp = LoadBitmapResourceOrRaise("TTF_FONT");
    FDeviceBmp = LoadBitmapResourceOrRaise("PRN_FONT");
    setItemDelegate(new TFontItemDelegate(this));
    UpdateItemHeight();
    connect(this, QOverload<int>::of(&QComboBox::activated), this, [this] { Change(); });
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        connect(app, &QGuiApplication::fontDatabaseChanged, this, [this] { Reset(); });
    Fill();
}

void TFontComboBox::SetDevice(TFontDevice value) {
    if (ChangeField(FDevice, value)) Reset();
}

void TFontComboBox::SetOptions(TFontListOptions value) {
    if (ChangeField(FOptions, value)) Reset();
}

void TFontComboBox::SetTrueTypeOnly(bool value) {
    SetOptions(value ? (FOptions | foTrueTypeOnly) : (FOptions & ~static_cast<unsigned>(foTrueTypeOnly)));
}

void TFontComboBox::SetFontName(const QString& value) {
    if (value == currentText()) return;
    const QString wanted = value.toUpper();
    int found = -1;
    for (int i = 0; i < count() && found < 0; ++i)
        if (itemText(i).toUpper() == wanted) found = i;
    setCurrentIndex(found);
    Change();
}

int TFontComboBox::FontTypeOf(int index) const { return itemData(index, kFontTypeRole).toInt(); }

void TFontComboBox::DrawItem(QPainter& canvas, int index, const TRect& rect, bool selected) const {
    FillRect(canvas, rect, selected ? clHighlight : clWindow);
    const int type = FontTypeOf(index);
    const QImage* mark = (type & TRUETYPE_FONTTYPE) ? &FTrueTypeBmp : (type & DEVICE_FONTTYPE) ? &FDeviceBmp : nullptr;
    int markWidth = 20;
    if (mark) {
        DrawBitmapTransparent(canvas, rect.Left + 2, (rect.Top + rect.Bottom - mark->height()) / 2, *mark,
                              BitmapTransparentColor(*mark));
        markWidth = mark->width();
    }
    TRect textRect = rect;
    textRect.Left = rect.Left + markWidth + 6;
    canvas.save();
    canvas.setFont(FontForDevice(font(), this));
    canvas.setPen(ToQColor(selected ? clHighlightText : clWindowText));
    DrawText(canvas, itemText(index), textRect, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    canvas.restore();
}

std::vector<TFontRecord> TFontComboBox::EnumerateFonts() const {
    // No printer fonts are known: a printer's enumeration failing is passed
    // over, so fdPrinter lists nothing and fdBoth the screen's faces.
    if (FDevice == fdPrinter) return {};
    return ScreenFontRecords();
}

void TFontComboBox::Fill() {
    clear();
    for (const TFontEntry& e : BuildFontList(EnumerateFonts(), FOptions)) addItem(e.Name, e.FontType);
    setCurrentIndex(-1);
}

void TFontComboBox::Reset() {
    const QString old = GetFontName();
    FUpdating = true;
    try {
        Fill();
        SetFontName(old);
    } catch (...) {
        FUpdating = false;
        throw;
    }
    FUpdating = false;
    if (GetFontName() != old) Change();
}

void TFontComboBox::Change() {
    if (!FUpdating && OnChange) OnChange(this);
}

void TFontComboBox::UpdateItemHeight() {
    FItemHeight = std::max({QFontMetrics(font()).height() + 1, FTrueTypeBmp.height() - 1, 9});
}

// The chosen entry shows as in the list, mark included.
void TFontComboBox::paintEvent(QPaintEvent*) {
    QStylePainter p(this);
    QStyleOptionComboBox opt;
    initStyleOption(&opt);
    const QRect field = PaintComboBoxFrame(p, opt, this);
    if (currentIndex() < 0) return;
    DrawItem(p, currentIndex(), TRect::FromQRect(field), hasFocus());
}

void TFontComboBox::changeEvent(QEvent* event) {
    QComboBox::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        UpdateItemHeight();
        Reset();
    }
}
