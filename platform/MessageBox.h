#pragma once
// The message-box service. The program shows Qt boxes; tests install their
// own handler to see and answer what would be shown. A box is never shown
// from a thread other than the GUI thread: it then answers the default.
#include <functional>
#include <string>

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TModalResult { mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6, mrNo = 7 };
enum TMsgDlgButtons { mbOK = 1, mbOKCancel = 2, mbYesNo = 3, mbYesNoCancel = 4 };

struct TMessageBoxRequest {
    std::string Text;
    std::string Caption;
    TMsgDlgType Type = mtInformation;
    TMsgDlgButtons Buttons = mbOK;
};

using TMessageBoxHandler = std::function<int(const TMessageBoxRequest&)>;

// Shows (or hands to the installed handler) and returns the modal result.
// Off the GUI thread, or without an application object, returns mrOk for
// an OK box and mrCancel otherwise, showing nothing.
int ShowMessageBox(const TMessageBoxRequest& request);
inline int ShowMessageBox(const std::string& text, const std::string& caption, TMsgDlgType type = mtInformation,
                          TMsgDlgButtons buttons = mbOK) {
    return ShowMessageBox(TMessageBoxRequest{text, caption, type, buttons});
}
// Installs a handler (an empty one restores the Qt boxes); returns the old one.
TMessageBoxHandler SetMessageBoxHandler(TMessageBoxHandler handler);
// True on the thread that runs the GUI.
bool IsGuiThread();
