#pragma once
// The one look of both programs: Qt's Fusion style, with a palette made from
// the system colour table of Colors.h, so that standard Qt controls and the
// owner-drawn controls share one face, shadow, highlight and text colour.
// The application object sets both at start-up.
#include <QPalette>

class QStyle;

// The palette of the system colour table, in every colour group: window and
// buttons clBtnFace, text clWindowText on clWindow, clBtnHighlight,
// cl3DLight, clBtnShadow and cl3DDkShadow for the 3-D edges, clHighlight
// and clHighlightText for selections, clInfoBk and clInfoText for tips;
// disabled text is clGrayText on the face.
QPalette SystemColorPalette();
// A new instance of the programs' style (the caller owns it).
QStyle* CreateApplicationStyle();
// Gives the running application its style and the system colour palette.
void ApplyApplicationLook();
