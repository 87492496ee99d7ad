#pragma once
// The programs' answer to a reader's or writer's warning: a message box on
// the GUI thread (OK for pgwaOKBox; OK and Cancel for pgwaOKCancelBox,
// aborting unless OK was chosen). Off the GUI thread nobody is asked and a
// box mode goes on.
#include <string>

#include "image/PGFormats.h"

TWarningAnswer AskWarningBox(TPGWarningAction mode, const std::string& caption, const std::string& text);
// Installs AskWarningBox as the warning handler every later load and save
// copies; call it once at start on the GUI thread.
void InstallWarningBoxes();
