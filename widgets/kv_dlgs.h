#pragma once
// Tinputdlg: asks for one line of text in a small modal dialog.
#include <QDialog>
#include <QLineEdit>
#include <QObject>
#include <QPushButton>

class QLabel;

// The dialog's form: Edit1, and BitBtn1 (OK) and BitBtn2 (Cancel); with a
// prompt, the line Label1 above the edit, the rest moved down for it.
class Tinputdlgform : public QDialog {
    Q_OBJECT
public:
    explicit Tinputdlgform(QWidget* parent = nullptr);
    // Shows the line above the edit (an empty one: none).
    void SetPrompt(const QString& prompt);
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
    // The line that tells what to type; empty: none.
    const QString& GetPrompt() const { return FPrompt; }
    void SetPrompt(const QString& value) { FPrompt = value; }

    // Shows the form modally with Text in the edit; on OK takes the edit's
    // text into Text and returns true. Cancel leaves Text as it was.
    bool Execute();

private:
    QString FText;
    QString FCaption;
    QString FPrompt;
};
