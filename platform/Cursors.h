#pragma once
// The screen's cursor table: cursor numbers as the framework numbers them
// (stock cursors are negative, programs register their own under positive
// numbers), the forced screen cursor (hourglass during long operations) and
// monochrome cursors made from AND/XOR masks.
#include <QCursor>
#include <QWidget>
#include <cstdint>

using TCursor = int;
constexpr TCursor crDefault = 0, crNone = -1, crArrow = -2, crCross = -3, crIBeam = -4, crSizeNESW = -6, crSizeNS = -7,
                  crSizeNWSE = -8, crSizeWE = -9, crUpArrow = -10, crHourGlass = -11, crDrag = -12, crNoDrop = -13,
                  crHSplit = -14, crVSplit = -15, crMultiDrag = -16, crSQLWait = -17, crNo = -18, crAppStart = -19,
                  crHelp = -20, crHandPoint = -21, crSizeAll = -22;

// Screen.Cursors[id]: a registered cursor, a stock cursor, else the arrow.
QCursor GetCursor(TCursor id);
// Registers (or replaces) cursor number id.
void SetCursor(TCursor id, const QCursor& cursor);
// Gives a widget cursor number id (crDefault: the widget's parent's).
void ApplyCursor(QWidget* widget, TCursor id);

// Screen.Cursor: a cursor forced on every window; crDefault lifts it.
void SetScreenCursor(TCursor id);
TCursor GetScreenCursor();

// Shows the hourglass for its lifetime and then restores the screen cursor
// that was set before, also when an exception passes.
class THourGlass {
public:
    THourGlass() : FOld(GetScreenCursor()) { SetScreenCursor(crHourGlass); }
    ~THourGlass() { SetScreenCursor(FOld); }
    THourGlass(const THourGlass&) = delete;
    THourGlass& operator=(const THourGlass&) = delete;

private:
    TCursor FOld;
};

// CreateCursor: width x height monochrome masks, rows of (width + 15) / 16 * 2
// bytes, leftmost pixel in the top bit. AND 0 / XOR 0 black, 0/1 white,
// 1/0 transparent, 1/1 inverted screen.
QCursor MakeCursor(int hotX, int hotY, int width, int height, const uint8_t* andMask, const uint8_t* xorMask);
