#pragma once
// TFontComboBox: a drop-down list of the installed font names, each with a
// mark for scalable (TrueType) or printer fonts, filtered by options.
#include <QComboBox>
#include <QImage>
#include <vector>

#include "platform/Controls.h"

enum TFontDevice { fdScreen, fdPrinter, fdBoth };
enum TFontListOption : unsigned {
    foAnsiOnly = 1,
    foTrueTypeOnly = 2,
    foFixedPitchOnly = 4,
    foNoOEMFonts = 8,
    foOEMFontsOnly = 16,
    foScalableOnly = 32,
};
using TFontListOptions = unsigned;  // set of TFontListOption

// Font type bits of an enumerated font.
enum : int { RASTER_FONTTYPE = 1, DEVICE_FONTTYPE = 2, TRUETYPE_FONTTYPE = 4 };
// Character sets and the fixed-pitch bit of pitch-and-family.
enum : int { ANSI_CHARSET = 0, DEFAULT_CHARSET = 1, SYMBOL_CHARSET = 2, OEM_CHARSET = 255 };
enum : int { FIXED_PITCH = 1 };

// One enumerated font face.
struct TFontRecord {
    QString FaceName;
    int FontType = 0;
    int CharSet = ANSI_CHARSET;
    int PitchAndFamily = 0;
};

// One entry of the list: the name and the font type bits.
struct TFontEntry {
    QString Name;
    int FontType = 0;
};

bool FontPassesOptions(const TFontRecord& font, TFontListOptions options);
// The faces that pass the options, each name once (the first passing record
// of a name counts; names compare without case), sorted without case.
std::vector<TFontEntry> BuildFontList(const std::vector<TFontRecord>& fonts, TFontListOptions options);
// The screen's font faces from the font database: scalable faces stand for
// TrueType fonts, others for raster fonts; faces that write Latin are ANSI.
std::vector<TFontRecord> ScreenFontRecords();

class TFontComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit TFontComboBox(QWidget* parent = nullptr);

    TFontDevice GetDevice() const { return FDevice; }
    void SetDevice(TFontDevice value);
    TFontListOptions GetOptions() const { return FOptions; }
    void SetOptions(TFontListOptions value);
    bool GetTrueTypeOnly() const { return (FOptions & foTrueTypeOnly) != 0; }
    void SetTrueTypeOnly(bool value);
    // The chosen name ("" without a choice).
    QString GetFontName() const { return currentText(); }
    // Chooses the first entry equal to value without case (none when no
    // entry matches) and notifies.
    void SetFontName(const QString& value);

    // Height of a list entry.
    int ItemHeight() const { return FItemHeight; }
    // The font type bits of entry index.
    int FontTypeOf(int index) const;
    // Draws entry index into rect (what the list shows).
    void DrawItem(QPainter& canvas, int index, const TRect& rect, bool selected) const;
    // Fills the list again, keeping the chosen name; notifies when it is lost.
    void Reset();

    TNotifyEvent OnChange;

protected:
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    // The fonts listed; tests give their own.
    virtual std::vector<TFontRecord> EnumerateFonts() const;

private:
    void Fill();
    void Change();
    void UpdateItemHeight();

    QImage FTrueTypeBmp, FDeviceBmp;
    TFontDevice FDevice = fdScreen;
    TFontListOptions FOptions = 0;
    bool FUpdating = false;
    int FItemHeight = 9;
};
