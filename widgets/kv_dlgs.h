#pragma once
// Tinputdlg: asks for one line of text in a small modal dialog.
#include <QDialog>
#include <QLineEdit>
#include <QObject>
#include <QPushButton>

// The dialog's form: Edit1, and BitBtn1 (OK) and BitBtn2 (Cancel).
class QLabel;

class Tinputdlgform : public QDialog {
    Q_OBJECT
public:
    explicit Tinputdlgform(QWidget* parent = nullptr);
    // Shows text as a prompt line above the edit (the form grows by it).
    void SetPrompt(const QString& text);
    QLabel* Label1;
    QLineEdit* Edit1;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
};

class Tinputdlg : public QObject {
    Q_OBJECT
public:
    explicit Tinputdlg(QObject* owner = nullptr) : QObject(owner) {}

    const QString& GetText() const { return FText; }
    void SetText(const QString& value) { FText = value; }
    const QString& GetCaption() const { return FCaption; }
    void SetCaption(const QString& value) { FCaption = value; }
    // The line above the edit that says what to type (none when empty).
    const QString& GetPrompt() const { return FPrompt; }
    void SetPrompt(const QString& value) { FPrompt = value; }

    // Shows the form modally with Text in the edit, selected so that typing
    // replaces it; on OK takes the edit's text into Text and returns true.
    // Cancel leaves Text as it was.
    bool Execute();

private:
    QString FText;
    QString FCaption;
    QString FPrompt;
};
