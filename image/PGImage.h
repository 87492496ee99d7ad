#pragma once
// TPGImage: the control that shows one TPixelGraphic. A scrolling box (border,
// client area, scroll bars whose ranges follow the picture) holding one inner
// paint box, TPicBox, placed and sized where the picture is shown. The picture
// is scaled by a stretch rule or a zoom factor, centred, repeated as tiles
// (plain or mirrored), flipped, panned with the mouse, and carries a
// rectangular selection with marching ants and eight handles. Where the
// screen or a smoothing stretch mode asks for it, a display copy is built on
// a worker thread (PGDisplayCopy.h) while small clocks show its progress.
//
// The control owns its picture. Every operation that hands out, replaces or
// re-reads the picture first stops the worker and waits for it.
#include <QCursor>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "image/PGDisplayCopy.h"
#include "image/PGImageLayout.h"
#include "image/PGraphic.h"
#include "platform/Controls.h"
#include "platform/Cursors.h"

class QMenu;
class QScrollBar;
class QTimer;
class TPGImage;

// Cursor requests: the handler may replace the cursor.
using TPGSetCursorEvent = std::function<void(QObject* Sender, QCursor& Cursor)>;
using TPGINewAutoSizeEvent = std::function<void(QObject* Sender, int PGImageWidth, int PGImageHeight)>;

// One progress clock (15 x 15) with its top-left corner at origin: a circle
// in bkColor outlined in lineColor, the hour hand advancing a twelfth of a
// turn per stage, the minute hand one turn per 100 percent.
void DrawProgressClock(QPainter& canvas, TPoint origin, int stage, int percent, TColor bkColor, TColor lineColor);

// The library's four cursors, made once on first use.
enum TPGImageCursor { pgcOpenHand, pgcClosedHand, pgcCross, pgcMove };
const QCursor& PGImageCursor(TPGImageCursor which);

// The inner paint box. Its mouse and paint go first to the owning control
// (mouse up last) and then to the user's handlers, with the box as sender.
class TPicBox : public TGraphicControl {
    Q_OBJECT
public:
    TPicBox(TPGImage* owner, QWidget* parent);

    TColor GetColor() const;
    void SetColor(TColor value);
    bool GetParentColor() const { return FParentColor; }
    void SetParentColor(bool value);
    TCursor GetCursorId() const { return FCursor; }
    void SetCursorId(TCursor value) { FCursor = value; }
    QMenu* PopupMenu = nullptr;
    int Tag = 0;

    TNotifyEvent OnPaint;

protected:
    void Paint(QPainter& canvas) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    TPGImage* FOwner;
    TColor FColor = clBtnFace;
    bool FParentColor = true;
    TCursor FCursor = crDefault;
};

class TPGImage : public QWidget {
    Q_OBJECT
public:
    // Width of a vertical scroll bar and height of a horizontal one.
    static constexpr int ScrollBarSize = 16;

    explicit TPGImage(QWidget* parent = nullptr);
    ~TPGImage() override;

    // ---- the picture ------------------------------------------------------
    // Stops the worker, then the picture (still owned by the control).
    TPixelGraphic* GetPixelGraphic();
    // Takes ownership (nullptr empties the control) and frees the previous
    // picture.
    void SetPixelGraphic(TPixelGraphic* graphic);
    void SetPixelGraphic(std::unique_ptr<TPixelGraphic> graphic);
    // Shows a picture that someone else owns (a renderer's preview): the
    // control follows its changes and never frees it. The owner keeps it
    // alive while it is attached (until another picture is set or the
    // control is destroyed).
    void AttachPixelGraphic(TPixelGraphic* graphic);
    bool IsPixelGraphicAttached() const { return FAttached; }
    TPixelGraphic* GetPaintPixelGraphic() const { return FPaintPixelGraphic.get(); }
    int GetGraphicWidth() const { return FGraphicWidth; }
    int GetGraphicHeight() const { return FGraphicHeight; }
    // Loads a picture file (an empty file part empties the control). On
    // failure the control is left empty with an empty FileName and the
    // failure propagates.
    void LoadFromFile(const std::string& fileName);
    // EPGEmpty without a picture.
    virtual void SaveToFile(const std::string& fileName);
    const std::string& GetFileName() const { return FFileName; }
    void SetFileName(const std::string& value);

    // ---- layout -------------------------------------------------------------
    void SetBounds(int left, int top, int width, int height);
    // With AutoSize the auto size of the picture, else the size at creation
    // (100 x 100); a picture control grows with its form unless it sizes
    // itself.
    QSize sizeHint() const override;
    // The border and a little room inside it (with AutoSize: the hint).
    QSize minimumSizeHint() const override;
    // Places the paint box by the stretch rule and centring (forced: also
    // when the size did not change).
    void Rearrange(bool forced);
    // Repaints the client area and the transparent controls over it.
    void Invalidate();
    // The effective zoom of the last layout (-1: not proportional).
    long double GetZoom() const { return FZoom; }
    TPicBox* GetPicBox() const { return FPicBox; }
    // The client area (inside the border and the scroll bars) and its widget.
    QWidget* GetClientWidget() const { return FClient; }
    TRect GetClientRect() const;
    // The paint box in client coordinates.
    TRect GetPicBoxRect() const;
    QScrollBar* GetHorzScrollBar() const { return FHorzBar; }
    QScrollBar* GetVertScrollBar() const { return FVertBar; }
    int GetBorderWidth() const;
    TBorderStyle GetBorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle value);
    bool GetCtl3D() const { return FCtl3D; }
    void SetCtl3D(bool value);
    bool GetAutoScroll() const { return FAutoScroll; }
    void SetAutoScroll(bool value);
    TColor GetColor() const { return FColor; }
    void SetColor(TColor value);

    // ---- display copy -------------------------------------------------------
    // Whether a display copy is in use; starts a rebuild when one is due.
    // Called at the start of every paint.
    bool CreatePaintPixelGraphic();
    // The screen's depth changed: the display copy is rebuilt.
    void DisplayChanged();
    bool GetPaintStale() const { return FPaintStale; }
    int GetProgressStage() const { return FProgressStage; }
    int GetProgressPercent() const { return FProgressPercent; }
    int GetStageCount() const { return FStageCount; }
    // True while a worker build is under way.
    bool IsBuilding() const;

    // ---- properties -----------------------------------------------------------
    TActionMode GetActionMode() const { return FActionMode; }
    void SetActionMode(TActionMode value);
    bool GetAllow24BitStretch() const { return FAllow24BitStretch; }
    void SetAllow24BitStretch(bool value);
    bool GetAutoSize() const { return FAutoSize; }
    void SetAutoSize(bool value);
    int GetAutoSizeMaxHeight() const { return FAutoSizeMax.cy; }
    void SetAutoSizeMaxHeight(int value);
    int GetAutoSizeMaxWidth() const { return FAutoSizeMax.cx; }
    void SetAutoSizeMaxWidth(int value);
    int GetAutoSizeMinHeight() const { return FAutoSizeMin.cy; }
    void SetAutoSizeMinHeight(int value);
    int GetAutoSizeMinWidth() const { return FAutoSizeMin.cx; }
    void SetAutoSizeMinWidth(int value);
    uint32_t GetBackGroundColor() const { return FBackGroundColor; }
    void SetBackGroundColor(uint32_t value) { FBackGroundColor = value & 0xFFFFFF; }
    bool GetCenter() const { return FCenter; }
    void SetCenter(bool value);
    bool GetDither() const { return FDither; }
    void SetDither(bool value);
    uint8_t GetDitherErrorLimit() const { return FDitherErrorLimit; }
    void SetDitherErrorLimit(uint8_t value);
    bool GetDitherErrorLimitAuto() const { return FDitherErrorLimitAuto; }
    void SetDitherErrorLimitAuto(bool value);
    bool GetDitherErrorLimitSoft() const { return FDitherErrorLimitSoft; }
    void SetDitherErrorLimitSoft(bool value);
    bool GetFlipHorizontal() const { return FFlipHorizontal; }
    void SetFlipHorizontal(bool value);
    bool GetFlipVertical() const { return FFlipVertical; }
    void SetFlipVertical(bool value);
    bool GetKeepOldPaintPixelGraphic() const { return FKeepOldPaintPixelGraphic; }
    void SetKeepOldPaintPixelGraphic(bool value) { FKeepOldPaintPixelGraphic = value; }
    TPalette8BitSys24BitGraphic GetPalette8BitSys24BitGraphic() const { return FPalette8BitSys24BitGraphic; }
    void SetPalette8BitSys24BitGraphic(TPalette8BitSys24BitGraphic value);
    TPalette8BitSys8BitGraphic GetPalette8BitSys8BitGraphic() const { return FPalette8BitSys8BitGraphic; }
    void SetPalette8BitSys8BitGraphic(TPalette8BitSys8BitGraphic value);
    TColor GetPicBoxFrameColor() const { return FPicBoxFrameColor; }
    void SetPicBoxFrameColor(TColor value);
    bool GetProgress5Clocks() const { return FProgress5Clocks; }
    void SetProgress5Clocks(bool value) { FProgress5Clocks = value; }
    TColor GetProgressClockBkColor() const { return FProgressClockBkColor; }
    void SetProgressClockBkColor(TColor value) { FProgressClockBkColor = value; }
    TColor GetProgressClockLineColor() const { return FProgressClockLineColor; }
    void SetProgressClockLineColor(TColor value) { FProgressClockLineColor = value; }
    bool GetProgressClockVisible() const { return FProgressClockVisible; }
    void SetProgressClockVisible(bool value) { FProgressClockVisible = value; }
    TPGWarningAction GetReadWarningAction() const { return FReadWarningAction; }
    void SetReadWarningAction(TPGWarningAction value) { FReadWarningAction = value; }
    bool GetRearrangeAlways() const { return FRearrangeAlways; }
    void SetRearrangeAlways(bool value) { FRearrangeAlways = value; }
    bool GetReduceOnLoad() const { return FReduceOnLoad; }
    void SetReduceOnLoad(bool value) { FReduceOnLoad = value; }
    bool GetRGBWeighting() const { return FRGBWeighting; }
    void SetRGBWeighting(bool value);
    TPGWarningAction GetSaveColorResWarningAction() const { return FSaveColorResWarningAction; }
    void SetSaveColorResWarningAction(TPGWarningAction value) { FSaveColorResWarningAction = value; }
    bool GetSelection() const { return FSelection; }
    void SetSelection(bool value);
    TColor GetSelectionColor1() const { return FSelectionColor1; }
    void SetSelectionColor1(TColor value);
    TColor GetSelectionColor2() const { return FSelectionColor2; }
    void SetSelectionColor2(TColor value);
    int GetSelectionLeft() const { return FSel.Left; }
    void SetSelectionLeft(int value) { SetSelectionRect(value, FSel.Top, FSel.Width, FSel.Height); }
    int GetSelectionTop() const { return FSel.Top; }
    void SetSelectionTop(int value) { SetSelectionRect(FSel.Left, value, FSel.Width, FSel.Height); }
    int GetSelectionWidth() const { return FSel.Width; }
    void SetSelectionWidth(int value) { SetSelectionRect(FSel.Left, FSel.Top, value, FSel.Height); }
    int GetSelectionHeight() const { return FSel.Height; }
    void SetSelectionHeight(int value) { SetSelectionRect(FSel.Left, FSel.Top, FSel.Width, value); }
    void SetSelectionRect(int left, int top, int width, int height);
    TSelectionRect GetSelectionRect() const { return FSel; }
    // The selection in paint-box pixels.
    TRect GetSelectionFrame() const;
    bool GetShowHourGlass() const { return FShowHourGlass; }
    void SetShowHourGlass(bool value) { FShowHourGlass = value; }
    TStretch GetStretch() const { return FStretch; }
    void SetStretch(TStretch value);
    TStretchMode GetStretchMode() const { return FStretchMode; }
    void SetStretchMode(TStretchMode value);
    TTiling GetTiling() const { return FTiling; }
    void SetTiling(TTiling value);
    bool GetUseThread() const { return FUseThread; }
    void SetUseThread(bool value);
    long double GetZoomFactor() const { return FZoomFactor; }
    void SetZoomFactor(long double value);
    int GetDragState() const { return FDragState; }
    int GetMarchingPhase() const { return FPhase; }
    // The control's hint, shown unless ShowHint and ParentShowHint are both off.
    std::string GetHint() const { return FHint; }
    void SetHint(const std::string& value);
    bool GetShowHint() const { return FShowHint; }
    void SetShowHint(bool value);
    bool GetParentShowHint() const { return FParentShowHint; }
    void SetParentShowHint(bool value);
    QMenu* PopupMenu = nullptr;

    // Straight through to the paint box.
    TColor GetPicBoxColor() const { return FPicBox->GetColor(); }
    void SetPicBoxColor(TColor value) { FPicBox->SetColor(value); }
    bool GetPicBoxParentColor() const { return FPicBox->GetParentColor(); }
    void SetPicBoxParentColor(bool value) { FPicBox->SetParentColor(value); }
    TCursor GetPicBoxCursor() const { return FPicBox->GetCursorId(); }
    void SetPicBoxCursor(TCursor value) { FPicBox->SetCursorId(value); }
    std::string GetPicBoxHint() const { return FPicBoxHint; }
    void SetPicBoxHint(const std::string& value);
    bool GetPicBoxShowHint() const { return FPicBoxShowHint; }
    void SetPicBoxShowHint(bool value);
    bool GetPicBoxParentShowHint() const { return FPicBoxParentShowHint; }
    void SetPicBoxParentShowHint(bool value);
    QMenu* GetPicBoxPopupMenu() const { return FPicBox->PopupMenu; }
    void SetPicBoxPopupMenu(QMenu* value) { FPicBox->PopupMenu = value; }
    int GetPicBoxTag() const { return FPicBox->Tag; }
    void SetPicBoxTag(int value) { FPicBox->Tag = value; }
    TNotifyEvent& PicBoxOnClick() { return FPicBox->OnClick; }
    TNotifyEvent& PicBoxOnDblClick() { return FPicBox->OnDblClick; }
    TMouseEvent& PicBoxOnMouseDown() { return FPicBox->OnMouseDown; }
    TMouseMoveEvent& PicBoxOnMouseMove() { return FPicBox->OnMouseMove; }
    TMouseEvent& PicBoxOnMouseUp() { return FPicBox->OnMouseUp; }
    TNotifyEvent& PicBoxOnPaint() { return FPicBox->OnPaint; }

    // ---- events -------------------------------------------------------------
    TPGINewAutoSizeEvent OnNewAutoSize;
    TNotifyEvent OnPainting;
    TNotifyEvent OnPaint;
    TNotifyEvent OnPixelGraphicChange;
    TPGNotifyEvent OnPixelGraphicProgressStart;
    TPGProgressEvent OnPixelGraphicProgress;
    TPGNotifyEvent OnPixelGraphicProgressEnd;
    TNotifyEvent OnSelectionChange;
    TNotifyEvent OnSelectionMade;
    TPGSetCursorEvent OnSetCursor;
    TPGSetCursorEvent PicBoxOnSetCursor;
    TNotifyEvent OnZoomFactorChange;
    // Mouse on the client area outside the paint box.
    TNotifyEvent OnClick, OnDblClick;
    TMouseEvent OnMouseDown, OnMouseUp;
    TMouseMoveEvent OnMouseMove;

protected:
    // Margins, tiles or the pending frame with its clocks, within clip.
    virtual void Paint(QPainter& canvas, const TRect& clip);
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

private:
    friend class TPicBox;
    friend class TPGImageClient;

    // The picture change handling: records the size, auto size, marks the
    // display copy stale, lays out, fires OnPixelGraphicChange.
    void PixelGraphicChanged();
    // The size AutoSize gives the current picture.
    TSize AutoSizeNow() const;
    void ConnectPicture(TPixelGraphic* g);
    // Stops the worker, frees the picture, drops (or keeps as stale) the copy.
    void ReleasePicture();
    // Lets go of the picture: frees it only when the control owns it.
    void DropPicture();
    // Terminates and waits for the worker. With dropResults its posted,
    // not yet received results are void too.
    void StopThread(bool dropResults);
    void DropDisplayCopy();
    void ReceiveDisplayCopy(std::unique_ptr<TPixelGraphic> g);
    void ReplacePicture(std::unique_ptr<TPixelGraphic> g);
    void Resized();
    void UpdateScrollBars();
    void PositionPicBox();
    bool ScrollPositionsCentred() const;
    bool Pannable() const;
    TPoint PicturePoint(int x, int y) const;
    void DrawTiles(QPainter& canvas, const TRect& clip, const TRect& r, TPixelGraphic& g);
    void DrawClocks(QPainter& canvas, const TRect& r);
    void UpdateClocks();
    void PaintSelectionFrame(QPainter& canvas);
    void UpdateSelectionStrips();
    const QBrush& AntsBrush(int k);
    void MarchingTick();
    void AutoScrollTick();
    void UpdatePicBoxCursor(int x, int y);
    void UpdateHints();
    void PicBoxMouseDown(TMouseButton button, int x, int y);
    void PicBoxMouseMove(int x, int y);
    void PicBoxMouseUp(TMouseButton button, int x, int y);

    TPicBox* FPicBox = nullptr;
    QWidget* FClient = nullptr;
    QScrollBar* FHorzBar = nullptr;
    QScrollBar* FVertBar = nullptr;
    TPoint FBoxOrigin;  // the paint box before scrolling
    TSize FBoxSize;
    TBorderStyle FBorderStyle = bsSingle;
    bool FCtl3D = true;
    bool FAutoScroll = true;
    TColor FColor = clBtnFace;

    std::unique_ptr<TPixelGraphic> FPixelGraphic;
    bool FAttached = false;  // FPixelGraphic is borrowed: released, never deleted
    std::unique_ptr<TPixelGraphic> FPaintPixelGraphic;
    std::unique_ptr<TCreatePaintPGThread> FThread;
    // Number of the build whose results are awaited; a posted result or
    // progress of any other number is stale and freed unread.
    uint64_t FGeneration = 0;
    bool FPaintStale = false;
    TSize FBuiltSize;
    int FProgressStage = 1;
    int FProgressPercent = 0;
    int FStageCount = 1;

    std::string FFileName;
    int FGraphicWidth = 0;
    int FGraphicHeight = 0;
    long double FZoom = 1.0L;
    bool FLayoutInProgress = false;
    bool FResizeSeen = false;

    int FDragState = dsIdle;
    TPoint FLastPos;
    TPoint FGrab;
    TPoint FAnchor;
    int FPhase = 0;
    std::unique_ptr<QBrush> FAntsBrushes[8];
    QTimer* FMarchingTimer = nullptr;
    QTimer* FAutoScrollTimer = nullptr;

    TActionMode FActionMode = amMoveImage;
    bool FAllow24BitStretch = false;
    bool FAutoSize = false;
    TSize FAutoSizeMax{2147483647, 2147483647};
    TSize FAutoSizeMin{0, 0};
    uint32_t FBackGroundColor = 0;
    bool FCenter = false;
    bool FDither = true;
    uint8_t FDitherErrorLimit = 32;
    bool FDitherErrorLimitAuto = true;
    bool FDitherErrorLimitSoft = true;
    bool FFlipHorizontal = false;
    bool FFlipVertical = false;
    bool FKeepOldPaintPixelGraphic = false;
    TPalette8BitSys24BitGraphic FPalette8BitSys24BitGraphic = pOptimized252Sys16;
    TPalette8BitSys8BitGraphic FPalette8BitSys8BitGraphic = pOptimized252Sys16;
    TColor FPicBoxFrameColor = clBtnShadow;
    bool FProgress5Clocks = true;
    TColor FProgressClockBkColor = clBtnFace;
    TColor FProgressClockLineColor = clBtnShadow;
    bool FProgressClockVisible = true;
    TPGWarningAction FReadWarningAction = pgwaOKCancelBox;
    bool FRearrangeAlways = false;
    bool FReduceOnLoad = false;
    bool FRGBWeighting = true;
    TPGWarningAction FSaveColorResWarningAction = pgwaOKCancelBox;
    bool FSelection = false;
    TColor FSelectionColor1 = 0xFFFFFF;
    TColor FSelectionColor2 = 0x0000FF;
    TSelectionRect FSel;
    bool FShowHourGlass = true;
    TStretch FStretch = sNeverKAR;
    TStretchMode FStretchMode = smFast;
    TTiling FTiling = tNone;
    bool FUseThread = true;
    long double FZoomFactor = 1.0L;
    std::string FHint;
    bool FShowHint = false;
    bool FParentShowHint = true;
    std::string FPicBoxHint;
    bool FPicBoxShowHint = false;
    bool FPicBoxParentShowHint = true;
};
