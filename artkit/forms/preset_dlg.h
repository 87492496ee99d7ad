#pragma once
// The preset browser "Presets": one thumbnail for every parameter file of a
// folder that carries a thumbnail item; a click on one chooses that file.
// Both programs use it, with their own extension and thumbnail key (".glw"
// and "pgimage1", ".mzo" and "_result"). Created once at program start and
// reused:
//
//   dlg.FillFromFolder(folder);
//   if (dlg.exec() == 1) open(dlg.ChosenFile());
//
// However it closes, the dialog hides and lets go of its thumbnails.
#include <QDialog>
#include <string>
#include <vector>

#include "image/PGImage.h"

class QScrollArea;

// One thumbnail of the browser: a 75 x 75 picture control on black that
// turns grey while the mouse is over it; its tooltip is the file's name.
class tthumb : public TPGImage {
    Q_OBJECT
public:
    tthumb(QWidget* parent, int n, const std::string& fileName);
    const std::string& FileName() const { return FFileName; }
    // $808080 while the mouse is over it, else black.
    static constexpr TColor HoverColor = 0x808080;

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    std::string FFileName;
};

class Tpreset_dlg : public QDialog {
    Q_OBJECT
public:
    // extension with its dot (".glw"); key: the thumbnail item's key.
    Tpreset_dlg(const std::string& extension, const std::string& key, QWidget* parent = nullptr);

    // Replaces the thumbnails by those of folder's files (with or without a
    // trailing "/"). Files that cannot be read, hold no thumbnail item or no
    // readable picture get none.
    void FillFromFolder(const std::string& folder);
    // The file of the last click (full path).
    const std::string& ChosenFile() const { return FChosenFile; }
    // The thumbnails of the current fill, in order.
    const std::vector<tthumb*>& Thumbnails() const { return FThumbs; }

    // A thumbnail was clicked: chooses its file and ends with 1.
    void thumbclick(tthumb* thumb);
    // Ends the dialog (any result); the thumbnails go once the event that
    // closed it has returned, since a clicked one may be on the stack.
    void done(int result) override;

    QScrollArea* ScrollBox1;

private:
    void FreeThumbnails();

    std::string FExtension;
    std::string FKey;
    std::string FChosenFile;
    QWidget* FContent;
    std::vector<tthumb*> FThumbs;
};
