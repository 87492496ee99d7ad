#include "platform/Application.h"

#include "platform/MessageBox.h"
#include "platform/Style.h"

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) { ApplyApplicationLook(); }

bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        ShowException(e);
    } catch (...) {
        ShowException(std::runtime_error("Unknown error"));
    }
    return false;
}

void TApplication::ShowException(const std::exception& e) {
    auto* app = qobject_cast<TApplication*>(QCoreApplication::instance());
    std::string title = app ? app->Title() : std::string();
    ShowMessageBox(e.what(), title, mtError, mbOK);
}

void TApplication::SetTitle(const std::string& title) {
    // Message boxes only: Qt would append a display name to every window's
    // caption, and the captions must read as the forms give them.
    FTitle = title;
}
