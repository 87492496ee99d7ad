#pragma once
// The one look of both programs: Qt's Fusion style (the same on every
// desktop) drawing the classic 3-D frames, flat faces and dotted focus
// rectangles, with a palette made from the system colour table of Colors.h,
// so that standard Qt controls and the owner-drawn controls share one face,
// frame, highlight and text colour. The application object sets both at
// start-up.
#include <QPalette>

class QStyle;

// The palette of the system colour table, in every colour group: window and
// buttons clBtnFace, text clWindowText on clWindow, clBtnHighlight,
// cl3DLight, clBtnShadow and cl3DDkShadow for the 3-D edges, clHighlight
// and clHighlightText for selections, clInfoBk and clInfoText for tips;
// disabled text is clGrayText on the face.
QPalette SystemColorPalette();
// A new instance of the programs' style (the caller owns it): Fusion with
// the classic frames of push and tool buttons, edits, combo and spin boxes,
// check and radio boxes, frames, group boxes, tab panes, header sections and
// scroll bars.
QStyle* CreateApplicationStyle();
// Gives the running application its style and the system colour palette.
void ApplyApplicationLook();
