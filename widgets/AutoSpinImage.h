#pragma once
// TAutoSpinImage: a framed picture chooser. It shows one image of an image
// list and steps through them with an attached up-down control, Space or a
// double click (which wrap round); with DefaultImages off it shows the
// images named by its Items, each with a value and a hint.
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "platform/Controls.h"
#include "platform/ImageList.h"

enum TImageHAlign { hsiLeft, hsiCenter, hsiRight };
enum TImageVAlign { vsiTop, vsiCenter, vsiBottom };
enum TUpDownAlign { udaBottom, udaLeft, udaRight, udaTop };
enum TUDOrientation { udHorizontal, udVertical };
enum TUDBtnType { btNext, btPrev };

using TAutoSpinImageChangeEvent = std::function<void(QObject* Sender, int ItemIndex)>;

// ---- arithmetic --------------------------------------------------------------------

// The image area: the client rectangle less upDownWidth on the up-down's side.
TRect SpinImageArea(const TRect& client, TUpDownAlign align, int upDownWidth);
// Where an image of w x h goes in area at its own size: aligned as asked
// along an axis where it is smaller than the area, else at the area's
// left or top.
TRect SpinImagePlacement(const TRect& area, int w, int h, TImageHAlign hAlign, TImageVAlign vAlign);
// The index after itemIndex, from the last of count back to 0.
int SpinImageNext(int itemIndex, int count);

// ---- the up-down control --------------------------------------------------------------

// Two arrow buttons, upper and lower (vertical) or left and right
// (horizontal); the upper and the right one is btNext. A press on a
// button clicks it.
class TAutoSpinUpDown : public QWidget {
    Q_OBJECT
public:
    explicit TAutoSpinUpDown(QWidget* parent = nullptr);
    TUDOrientation GetOrientation() const { return FOrientation; }
    void SetOrientation(TUDOrientation value);
    int GetMax() const { return FMax; }
    void SetMax(int value) { FMax = value; }
    int GetPosition() const { return FPosition; }
    void SetPosition(int value) { FPosition = value; }
    // The button under (x, y).
    TUDBtnType ButtonAt(int x, int y) const;
    // A left-button press and release at (x, y), as the mouse would give.
    void PressAt(int x, int y);
    void ReleaseAt(int x, int y);
    // The button held down, or -1.
    int Pressed() const { return FPressed; }

    std::function<void(TUDBtnType)> OnClick;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    TUDOrientation FOrientation = udVertical;
    int FMax = 0;
    int FPosition = 0;
    int FPressed = -1;
};

// ---- items ------------------------------------------------------------------------------

class TAutoCustomSpinImage;
class TAutoSpinImageItems;

class TAutoSpinImageItem {
public:
    explicit TAutoSpinImageItem(TAutoSpinImageItems* collection = nullptr) : FCollection(collection) {}
    int GetImageIndex() const { return FImageIndex; }
    void SetImageIndex(int value);
    const QString& GetValue() const { return FValue; }
    void SetValue(const QString& value);
    const QString& GetHint() const { return FHint; }
    void SetHint(const QString& value) { FHint = value; }
    // Copies ImageIndex, Value and Hint.
    void Assign(const TAutoSpinImageItem& source);

private:
    void Changed();
    TAutoSpinImageItems* FCollection;
    int FImageIndex = -1;
    QString FValue;
    QString FHint;
};

class TAutoSpinImageItems {
public:
    explicit TAutoSpinImageItems(TAutoCustomSpinImage* owner = nullptr) : FOwner(owner) {}
    TAutoSpinImageItems(const TAutoSpinImageItems&) = delete;
    TAutoSpinImageItems& operator=(const TAutoSpinImageItems&) = delete;
    int Count() const { return static_cast<int>(FItems.size()); }
    // nullptr outside 0..Count - 1.
    TAutoSpinImageItem* GetItem(int index) const;
    TAutoSpinImageItem* Add();
    void Delete(int index);
    void Clear();
    void Assign(const TAutoSpinImageItems& source);

private:
    friend class TAutoSpinImageItem;
    TAutoCustomSpinImage* FOwner;
    std::vector<std::unique_ptr<TAutoSpinImageItem>> FItems;
};

// ---- the control --------------------------------------------------------------------------

class TAutoCustomSpinImage : public QWidget {
    Q_OBJECT
public:
    explicit TAutoCustomSpinImage(QWidget* parent = nullptr);
    ~TAutoCustomSpinImage() override;

    bool GetAutoSize() const { return FAutoSize; }
    // Only while an ImageList is assigned; on: the image area becomes one
    // image of the list.
    void SetAutoSize(bool value);
    TBorderStyle GetBorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle value);
    bool GetCtl3D() const { return FCtl3D; }
    void SetCtl3D(bool value);
    bool GetDefaultImages() const { return FDefaultImages; }
    void SetDefaultImages(bool value);
    TImageList* GetImageList() const { return FImageList; }
    void SetImageList(TImageList* value);
    TImageHAlign GetImageHAlign() const { return FImageHAlign; }
    void SetImageHAlign(TImageHAlign value);
    TImageVAlign GetImageVAlign() const { return FImageVAlign; }
    void SetImageVAlign(TImageVAlign value);
    TAutoSpinImageItems& GetItems() { return FItems; }
    void SetItems(const TAutoSpinImageItems& value);
    int GetItemIndex() const { return FItemIndex; }
    // Accepted only from -1 to the image count - 1, with an ImageList.
    void SetItemIndex(int value);
    bool GetReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value) { FReadOnly = value; }
    bool GetStretch() const { return FStretch; }
    void SetStretch(bool value);
    TUpDownAlign GetUpDownAlign() const { return FUpDownAlign; }
    void SetUpDownAlign(TUpDownAlign value);
    TUDOrientation GetUpDownOrientation() const { return FUpDownOrientation; }
    void SetUpDownOrientation(TUDOrientation value);
    int GetUpDownWidth() const { return FUpDownWidth; }
    void SetUpDownWidth(int value);
    bool GetUseDblClick() const { return FUseDblClick; }
    void SetUseDblClick(bool value) { FUseDblClick = value; }
    TColor GetColor() const { return FColor; }
    void SetColor(TColor value);
    bool GetTabStop() const { return focusPolicy() != Qt::NoFocus; }
    void SetTabStop(bool value) { setFocusPolicy(value ? Qt::StrongFocus : Qt::NoFocus); }
    const QString& GetHint() const { return FHint; }
    void SetHint(const QString& value);
    bool GetShowHint() const { return FShowHint; }
    void SetShowHint(bool value);

    // Images of the list (DefaultImages) or Items.
    int ImageCount() const;
    // The list image shown for ItemIndex, or -1 when there is none (also
    // when an item names an image the list does not have).
    int CurrentImage() const;
    TAutoSpinUpDown* GetUpDown() const { return FUpDown; }
    // The client area less the up-down.
    TRect ImageArea() const;

    // With AutoSize one image of the list in the frame beside the up-down,
    // else the size at creation (118 x 100).
    QSize sizeHint() const override;
    // The frame, the up-down and a small image area.
    QSize minimumSizeHint() const override;

    TAutoSpinImageChangeEvent OnChange;
    TNotifyEvent OnClick, OnDblClick;

protected:
    friend class TAutoSpinImageItem;
    // An item's ImageIndex or Value changed.
    virtual void ItemsChanged() {}
    virtual bool CanModify() const { return !FReadOnly; }

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void Change();
    void Step(TUDBtnType button);
    void Advance();
    void ImageListChanged();
    void LayoutUpDown();
    void AdjustSize();
    int BorderWidth() const;
    // What the frame and the up-down take of the width and the height.
    QSize FrameExtent() const;
    TPoint LowerButtonPoint() const;

    TAutoSpinUpDown* FUpDown;
    QPointer<TImageList> FImageList;
    TAutoSpinImageItems FItems{this};
    int FItemIndex = -1;
    bool FDefaultImages = true;
    bool FAutoSize = false;
    TBorderStyle FBorderStyle = bsSingle;
    bool FCtl3D = true;
    TImageHAlign FImageHAlign = hsiCenter;
    TImageVAlign FImageVAlign = vsiCenter;
    bool FStretch = true;
    TUpDownAlign FUpDownAlign = udaRight;
    TUDOrientation FUpDownOrientation = udVertical;
    int FUpDownWidth = 16;
    bool FReadOnly = false;
    bool FUseDblClick = true;
    TColor FColor = clBtnFace;
    QString FHint;
    bool FShowHint = false;
    bool FLeftPressed = false;
};

class TAutoSpinImage : public TAutoCustomSpinImage {
    Q_OBJECT
public:
    using TAutoCustomSpinImage::TAutoCustomSpinImage;
};
