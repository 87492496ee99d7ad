#pragma once
// The application object: it gives every window the programs' one look (style
// and system colour palette, Style.h), and an exception that escapes an event
// handler is shown in a message box and the program goes on.
#include <QApplication>
#include <string>

class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
    // Shows the exception's message in an error box (title: the program's).
    static void ShowException(const std::exception& e);
    void SetTitle(const std::string& title);
    std::string Title() const { return FTitle; }

private:
    std::string FTitle;
};
