#pragma once
// The "Batch Rendering Wizard" and the batch command it serves: the wizard
// collects the captions, the format, the output folder and a base name; the
// command then renders one button per caption line with the current design,
// showing Tprogressform, and reports the time it took.
//
// The main form's "B&atch Render" command is one line:
//
//     glimmo::BatchRender(this, Renderer, Renderer.Design, Renderer.Preview);
//
// with the main form's TButtonRenderer, the design it renders and the
// preview picture (its size is the size of every file).
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

#include "glimmo/ButtonRenderer.h"
#include "menus97/Edit97.h"
#include "widgets/Notebook.h"
#include "widgets/PageMngr.h"
#include "widgets/dirtree.h"
#include "widgets/kv_btns.h"

namespace glimmo {

// Runs the batch command: the wizard (modal), then the rendering with the
// progress form (application-modal, so the main window takes no commands
// meanwhile). It ends in one message, cancelled or finished with the time
// taken; a failed run (its message names the file) brings the wizard back
// with everything entered.
void BatchRender(QWidget* mainWindow, TButtonRenderer& renderer, const TButtonDesign& design,
                 const TPixelGraphic& preview);

class Tbatwizard : public QDialog {
    Q_OBJECT
public:
    explicit Tbatwizard(QWidget* parent = nullptr);

    // What the wizard collected.
    QStringList Captions() const;
    QString Directory() const { return Label10->text(); }
    QString BaseName() const { return Edit971->text(); }
    int FormatIndex() const;
    QString Extension() const;

    TNotebook* Notebook1;
    TPageManager* PageManager1;
    TKV_Button* KV_Button1;    // "Previous Page"
    TKV_Button* KV_Button2;    // "Next Page"
    TKV_Button* SpeedButton3;  // "Cancel"
    QPlainTextEdit* Memo2;
    QGroupBox* RadioGroup1;
    QRadioButton* Formats[4];
    QLabel* Label10;
    Tdirtree* dirtree1;
    TEdit97* Edit971;
    QLabel* Label12;       // the finish page's explanation
    QPushButton* BitBtn2;  // "OK"

    void dirtree1Change(QObject* Sender);
    // OK: refuses with a message while something is missing (a blank base
    // name counts as none) or the folder takes no files, else closes the
    // wizard with the result OK. The wizard starts in the folder it was
    // last confirmed for, else the user's pictures folder, else home.
    void BitBtn2Click();
    void SpeedButton3Click(QObject* Sender);

private:
    QWidget* StepPage(const QString& name, const QString& heading);
};

class Tprogressform : public QDialog {
    Q_OBJECT
public:
    explicit Tprogressform(QWidget* parent = nullptr);

    QProgressBar* ProgressBar1;
    QPushButton* CancelBtn;
    // True once Cancel (or closing the window) asked the batch to stop.
    bool Cancelled() const { return FCancelled; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    bool FCancelled = false;
};

}  // namespace glimmo
