#pragma once
// Batch rendering: one button file per caption line with the current
// design. The names of all files are made and checked before the first one
// is written; the files are then rendered and saved one by one, with a
// report after each that may stop the run.
#include <QString>
#include <QStringList>
#include <functional>

#include "glimmo/ButtonRenderer.h"

// The wizard's formats by index: ".bmp", ".jpg", ".png", ".tif"; "" outside.
QString BatchExtension(int formatIndex);
// JPEG files of a batch are always saved at this quality.
constexpr int BatchJpegQuality = 80;
// The longest file name the file systems take, in bytes.
constexpr int MaxFileNameBytes = 255;

// The caption lines of a memo's text: split at CR, LF or CRLF; a final line
// break adds no empty line, an empty line inside stays (a button without
// caption).
QStringList BatchCaptionLines(const QString& text);
// A part of a file name without "/" and control characters.
QString CleanFileNamePart(const QString& part);

struct TBatchNames {
    QStringList Paths;  // one per caption line
    int BadLine = -1;   // 0-based line that gives no usable name, or -1
    QString Error;      // the message naming that line
    bool Ok() const { return BadLine < 0; }
};
// The file of each line: folder joined with base name + caption +
// extension, both cleaned. Identical captions share their file; different
// captions that clean to one name are numbered " (2)", " (3)" ... before the
// extension. A name of "." or "..", or longer than MaxFileNameBytes, stops
// at its line.
TBatchNames BuildBatchFileNames(const QString& folder, const QString& baseName, const QStringList& captions,
                                const QString& extension);

// The folder a batch starts in: last (the folder of the batch before) while
// it exists, else the user's pictures folder while it exists, else home.
// Never the program's own folder, which an installed program cannot write.
QString BatchStartFolder(const QString& last);

// True when a file can be created in folder (tried, and removed again).
bool FolderWritable(const QString& folder);

// Saves a picture by the extension of path; JPEG at BatchJpegQuality. The
// old file is replaced only by a complete new one.
void SaveBatchPicture(TPixelGraphic& picture, const QString& path);

struct TBatchResult {
    int Written = 0;         // files written
    bool Cancelled = false;  // stopped by the progress report before the last line
    QString Error;           // why the run ended early, naming the file; empty when it did not fail
};
// Called after line i has been saved; returning false stops the run.
using TBatchProgress = std::function<bool(int line)>;

// Renders each caption with design on a copy of preview and saves it under
// its path (lines that share a path are rendered once). A failure ends the
// run; files written before remain.
TBatchResult RunBatch(TButtonRenderer& renderer, const TButtonDesign& design, const TPixelGraphic& preview,
                      const QStringList& captions, const QStringList& paths, const TBatchProgress& progress);
