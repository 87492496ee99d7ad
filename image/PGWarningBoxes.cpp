#include "image/PGWarningBoxes.h"

#include "platform/MessageBox.h"

TWarningAnswer AskWarningBox(TPGWarningAction mode, const std::string& caption, const std::string& text) {
    switch (mode) {
        case pgwaOKBox:
            if (IsGuiThread()) ShowMessageBox(text, caption, mtWarning, mbOK);
            return waGoOn;
        case pgwaOKCancelBox:
            // A worker thread cannot ask anybody: the warning is let pass.
            if (!IsGuiThread()) return waGoOn;
            return ShowMessageBox(text, caption, mtWarning, mbOKCancel) == mrOk ? waGoOn : waAbort;
        default: return AnswerWarningUnasked(mode);
    }
}

void InstallWarningBoxes() { SetWarningHandler(AskWarningBox); }
