#pragma once
// A list box and a drop-down list that show a picture of an image list beside
// each entry. Every item carries a record "<picture index>,<data>": the
// number before the first comma chooses the item's picture, the rest is free
// text. The record is kept in the item itself (a data role), so it travels
// with its item through inserts, removals, text changes and sorting; the
// list of records is the controls' "SaveStrings".
//
// The tile generator's algorithm picker is such a drop-down list: its items
// are the 25 algorithms, each showing a small render of its algorithm.
#include <QComboBox>
#include <QListWidget>
#include <QPointer>
#include <functional>
#include <string>

#include "platform/Colors.h"
#include "platform/Controls.h"
#include "platform/ImageList.h"
#include "platform/StringList.h"

enum TVertAlignment { tvaTop, tvaCenter, tvaBottom };
enum TImageAlign { aliLeft, aliRight };

// OnDrawItem: draws item Index into Rect (the text rectangle) in place of the
// text.
using TAutoImageDrawItemEvent = std::function<void(QObject* Sender, int Index, const TRect& Rect)>;

// Data of a record is read up to this many characters.
constexpr int kMaxItemDataLength = 1000;
// The item data role that holds the record
// (the combo box's user data: addItem(text, record) gives both at once).
constexpr int kImageRecordRole = Qt::UserRole;

// The number before the first comma of a record; -1 without a comma or when
// that text is no integer.
int RecordImageIndex(const std::string& record);
// The text after the first comma (at most kMaxItemDataLength characters);
// empty without a comma.
std::string RecordData(const std::string& record);

// What both controls share: the image list, the look of the items, the
// records and the item height. The derived class supplies the widget and its
// item model.
class TImageItemsControl {
public:
    virtual ~TImageItemsControl();

    // ---- properties -----------------------------------------------------------
    TAlignment GetAlignment() const { return FAlignment; }
    void SetAlignment(TAlignment value);
    TVertAlignment GetVertAlignment() const { return FVertAlignment; }
    void SetVertAlignment(TVertAlignment value);
    TImageAlign GetImageAlign() const { return FImageAlign; }
    void SetImageAlign(TImageAlign value);
    bool GetMultiLines() const { return FMultiLines; }
    void SetMultiLines(bool value);
    // The image list is not owned; the control follows its changes and
    // drops it when it is destroyed.
    TImageList* GetImageList() const { return FImageList; }
    void SetImageList(TImageList* value);
    // 0 (automatic) or a set height of 10 and above; values below 10 store 0.
    int GetItemHeight() const { return FItemHeight; }
    void SetItemHeight(int value);
    // The height the items have now: a set ItemHeight, or automatically
    // max(text height of "Wg", image height) + 2.
    int EffectiveItemHeight() const { return FEffectiveItemHeight; }
    // Background of the unselected items (clWindow after construction).
    TColor GetColor() const { return FColor; }
    void SetColor(TColor value);
    TAutoImageDrawItemEvent OnDrawItem;
    // The painter of the item being drawn, for OnDrawItem (null otherwise).
    QPainter* GetCanvas() const { return FCanvas; }

    // ---- items and records -------------------------------------------------------
    int ItemCount() const;
    std::string GetItemText(int index) const;
    // The whole record of item index; empty past the items.
    std::string GetItemRecord(int index) const;
    // Nothing happens past the items.
    void SetItemRecord(int index, const std::string& record);
    // The picture index of item index: -1 past the items or when its record
    // has none.
    int GetItemImageIndex(int index) const;
    // The data of item index; empty past the items.
    std::string GetItemData(int index) const;
    // For 0 <= index < count and a changed value, the record becomes
    // value, a comma and the old data.
    void SetItemImageIndex(int index, int value);
    // "SaveStrings": the records item by item. Setting gives item i record
    // i; records past the items are ignored, items past the records get an
    // empty record.
    TStringList GetSaveStrings() const;
    void SetSaveStrings(const TStringList& records);

    // ---- drawing ---------------------------------------------------------------------
    // Whether item index shows a picture: an image list with images of a
    // size above zero, and a picture index inside it.
    bool HasPicture(int index) const;
    // The picture rectangle of an item rectangle (meaningful only while the
    // image list has images of a size above zero).
    virtual TRect PictureRect(const TRect& itemRect) const = 0;
    // Draws item index into rect of canvas as the list shows it.
    virtual void DrawItem(QPainter& canvas, int index, const TRect& rect, bool selected, bool focused) = 0;

protected:
    explicit TImageItemsControl(QWidget* self);
    QAbstractItemModel* Model() const;
    // The widget's own item model (set by the derived constructor).
    void SetModel(QAbstractItemModel* model) { FModel = model; }
    // Computes the item height again and applies it when it changed.
    void UpdateItemHeight();
    // The new item height has to reach the items' layout.
    virtual void ItemHeightChanged() = 0;
    // A property that changes the look changed.
    virtual void LookChanged() = 0;
    virtual void ClearItems() = 0;
    virtual void AddItemWithRecord(const QString& text, const QString& record) = 0;
    // Copies what both controls take from each other (image list, items with
    // their records, the alignments, MultiLines, font).
    void AssignCommon(const TImageItemsControl& source);
    // True when the image list has images of a size above zero.
    bool HasImages() const;
    // The image scaled into the picture rectangle made one pixel smaller.
    void DrawPicture(QPainter& canvas, int index, TRect picture) const;
    // The text rectangle's text, or OnDrawItem in its place.
    void DrawItemText(QPainter& canvas, int index, const TRect& textRect);

    QWidget* FSelf;

private:
    QPointer<TImageList> FImageList;
    QMetaObject::Connection FChangeLink, FDestroyLink;
    QAbstractItemModel* FModel = nullptr;
    QPainter* FCanvas = nullptr;
    TAlignment FAlignment = taLeftJustify;
    TVertAlignment FVertAlignment = tvaCenter;
    TImageAlign FImageAlign = aliLeft;
    bool FMultiLines = false;
    int FItemHeight = 0;
    int FEffectiveItemHeight = 0;
    TColor FColor = clWindow;
};

class TAutoImageComboBox;

// The list box (placed on no form of the programs).
class TAutoCustomImageListBox : public QListWidget, public TImageItemsControl {
    Q_OBJECT
public:
    explicit TAutoCustomImageListBox(QWidget* parent = nullptr);

    bool GetSorted() const { return isSortingEnabled(); }
    void SetSorted(bool value);
    // Copies image list, items and records, alignments, MultiLines, font and
    // ItemHeight from either control, then measures the item height again.
    void Assign(const TAutoCustomImageListBox& source);
    void Assign(const TAutoImageComboBox& source);

    TRect PictureRect(const TRect& itemRect) const override;
    void DrawItem(QPainter& canvas, int index, const TRect& rect, bool selected, bool focused) override;

protected:
    void ItemHeightChanged() override;
    void LookChanged() override;
    void ClearItems() override { clear(); }
    void AddItemWithRecord(const QString& text, const QString& record) override;
    void changeEvent(QEvent* event) override;
};

// The drop-down list (the algorithm picker).
class TAutoImageComboBox : public QComboBox, public TImageItemsControl {
    Q_OBJECT
public:
    explicit TAutoImageComboBox(QWidget* parent = nullptr);

    // Rows shown by the drop-down before it scrolls (8 after construction).
    int GetDropDownCount() const { return maxVisibleItems(); }
    void SetDropDownCount(int value) { setMaxVisibleItems(value); }
    bool GetSorted() const { return FSorted; }
    void SetSorted(bool value);
    // Copies image list, items and records, alignments, MultiLines and font
    // from either control (not ItemHeight), then measures the item height
    // again.
    void Assign(const TAutoCustomImageListBox& source);
    void Assign(const TAutoImageComboBox& source);

    TRect PictureRect(const TRect& itemRect) const override;
    void DrawItem(QPainter& canvas, int index, const TRect& rect, bool selected, bool focused) override;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // The user chose an item (setting the index in code does not fire it).
    TNotifyEvent OnChange;

protected:
    void ItemHeightChanged() override;
    void LookChanged() override;
    void ClearItems() override { clear(); }
    void AddItemWithRecord(const QString& text, const QString& record) override { addItem(text, record); }
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    bool FSorted = false;
};

// ---- the algorithm picker ---------------------------------------------------------

constexpr int kAlgorithmPictureCount = 26;
constexpr int kAlgorithmPictureSize = 32;
// The picture that item (algorithm) a shows: a for 0..13 and 15..19, 20 for
// 14 ("Noise Rings"), a + 1 for 20..24; -1 outside 0..24.
int AlgorithmPictureIndex(int algorithm);
// The 26 pictures of 32 x 32 as a new image list owned by parent: picture k
// a small render of the algorithm that shows it, picture 14 (unused) blank.
TImageList* MakeAlgorithmImageList(QObject* parent);
// The 25 items "Shifted Plasma 1" .. "Image File" with their records "0,"
// .. "13," "20," "15," .. "19," "21," .. "25,", and the image list.
void FillAlgorithmPicker(TAutoImageComboBox& picker, TImageList* images);
