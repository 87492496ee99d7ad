#pragma once
// Tfullscreen: the tile repeated over a whole screen (the main window's),
// black and borderless, with nine sample texts in different colours lying
// over it. The mouse cursor is hidden over it; a key or a click closes it,
// and the window is freed.
#include <QDialog>
#include <array>

#include "image/PGControls.h"
#include "image/PGImage.h"

// The framework's cream colour, one of the sample texts' colours.
constexpr TColor clCream = 0xF0FBFF;

class Tfullscreen : public QDialog {
    Q_OBJECT
public:
    // A copy of picture fills the screen of mainWindow (the primary screen
    // without one). The window frees itself when closed.
    Tfullscreen(QWidget* mainWindow, const TPixelGraphic& picture);
    ~Tfullscreen() override;

    // Shows the view modally; returns when it has been closed, with
    // mainWindow active again.
    static void Execute(QWidget* mainWindow, const TPixelGraphic& picture);
    // Shows it full screen and asks for the keyboard focus (without a
    // modal loop: Execute adds one).
    void ShowFullScreen();

    TPGImage* image;
    // "White Text" .. "Cream Text".
    std::array<TPGLabel*, 9> Labels{};

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void Watch(QWidget* w);
    QWidget* FMainWindow;
};
