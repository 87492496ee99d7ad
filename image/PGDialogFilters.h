#pragma once
// File-type lists of the picture dialogs, as text rules without any widget:
// the "Description|pattern|Description|pattern" filter texts built from the
// reader and writer registries, their conversion into Qt name filters, the
// extension that belongs to a filter entry, and what the save dialog does to
// a typed name when the file type changes.
#include <QStringList>
#include <string>
#include <vector>

#include "image/PGFormats.h"

// One entry of a "|" filter text.
struct TFilterEntry {
    std::string Description;
    std::string Pattern;  // "*.bmp; *.dib" as written
};

// The entries of a filter text, in order; a trailing "|" and a description
// without pattern end the list.
std::vector<TFilterEntry> ParseFilter(const std::string& filter);

// Qt name filters "Description (pat pat)" of a "|" filter text: the
// patterns' "; " separators become spaces and "*.*" becomes "*" (a Qt
// pattern "*.*" would skip names without a dot). Every program's own file
// dialogs pass their filters through it too.
QStringList FilterToNameFilters(const std::string& filter);

// The enabled entries of a registry, in registry order.
std::vector<TFileFormatReaderWriter*> EnabledReaders();
std::vector<TFileFormatReaderWriter*> EnabledWriters();

// The open dialog's filter: "Image files" with every enabled reader's
// pattern, one entry per enabled reader, "All files|*.*". With no reader
// enabled only "All files|*.*".
std::string BuildOpenFilter();
// The save dialog's filter: one entry per enabled writer, ending with "|".
std::string BuildSaveFilter();

// The first "*.ext" of an entry's pattern, lower case without the dot;
// empty for "*", "*.*" or a pattern with no plain extension.
std::string PatternExtension(const std::string& pattern);

// The save dialog's name box after the file type changed to an entry whose
// extension is extension: path is the dialog's file path (the current folder
// joined with the box's text), folder the current folder. False (nothing to
// change) when extension is empty, when path is empty or names an existing
// folder. Otherwise text is the path with that extension (".xxx" replaced, or
// added when there was none), reduced to the bare file name when the path
// lies directly in folder: "picture.bmp" -> "picture.jpg", "picture" ->
// "picture.jpg".
bool TypeChangedFileName(const std::string& path, const std::string& folder, const std::string& extension,
                         std::string& text);

// A chosen file name without extension gets "." + extension (nothing when
// either is missing): "a" with "tif" gives "a.tif".
std::string WithDefaultExtension(const std::string& fileName, const std::string& extension);
