#pragma once
// TColorPanel: a panel whose bevels are drawn in shades of its own colour
// (the colour shifted by 64 per channel, lighter and darker) rather than in
// the system's highlight and shadow. The tile generator shows one as its
// "Parsing file..." notice.
#include "image/PGControls.h"

class TColorPanel : public TPGPanel {
    Q_OBJECT
public:
    // Takes the owner's colour when the owner is a form (a window) or
    // another colour panel; the caption is empty.
    explicit TColorPanel(QWidget* owner = nullptr);

    // The light and the dark shade of a colour: its RGB value shifted by
    // +64 and -64 per channel, clamped.
    static TColor LightShade(TColor color);
    static TColor DarkShade(TColor color);

    // Shows the panel in front of its siblings and paints it at once,
    // without processing events: for a notice shown before long work.
    void ShowNow();

protected:
    void paintEvent(QPaintEvent* event) override;
};
