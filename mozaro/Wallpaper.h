#pragma once
// The tile as the desktop's wallpaper. The picture is saved as a BMP in the
// user's data folder, recorded in the settings (section "desktop", values
// "Wallpaper" and "TileWallpaper"), and the running desktop is told to show
// it: GNOME through gsettings, XFCE through xfconf-query, KDE Plasma through
// its shell's script interface, any other desktop through the freedesktop
// wallpaper portal. The tools run with argument lists, never through a
// shell. The desktop backend, the folder and the screen size are
// replaceable so that tests reach no desktop.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Exception.h"
#include "platform/Geometry.h"

class TPixelGraphic;

GW_DECLARE_EXCEPTION(EWallpaperError, Exception)

// ---- running the desktop's tools ---------------------------------------------------

struct TProgramResult {
    // The exit status; -1 when the program could not be started or did not
    // finish in time.
    int ExitCode = -1;
    std::string Output;  // standard output
    std::string Error;   // standard error, or why it did not run
};
using TProgramRunner =
    std::function<TProgramResult(const std::string& program, const std::vector<std::string>& arguments)>;
// Runs program with the arguments (no shell) and waits up to 20 s.
TProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments);

// ---- desktops ----------------------------------------------------------------------------

class TWallpaperBackend {
public:
    virtual ~TWallpaperBackend() = default;
    virtual std::string Name() const = 0;
    // False for a desktop that takes only a picture, without tiling or
    // centring of its own: it is handed a screen-sized picture.
    virtual bool HasModes() const { return true; }
    // Tells the desktop to show the file, tiled or centred; raises
    // EWallpaperError when it cannot.
    virtual void Apply(const std::string& path, bool tiled) = 0;
};

std::unique_ptr<TWallpaperBackend> MakeGnomeWallpaperBackend(TProgramRunner runner = RunProgram);
std::unique_ptr<TWallpaperBackend> MakeXfceWallpaperBackend(TProgramRunner runner = RunProgram);
std::unique_ptr<TWallpaperBackend> MakePlasmaWallpaperBackend(TProgramRunner runner = RunProgram);
std::unique_ptr<TWallpaperBackend> MakePortalWallpaperBackend(TProgramRunner runner = RunProgram);
// The backend of a desktop named as XDG_CURRENT_DESKTOP names it (a list
// separated by ":"): GNOME (also Unity, ubuntu), XFCE, KDE; the portal for
// anything else.
std::unique_ptr<TWallpaperBackend> WallpaperBackendFor(const std::string& currentDesktop,
                                                       TProgramRunner runner = RunProgram);

// Replaces the backend SetWallpaper tells (nullptr: the running desktop's,
// chosen when first needed); returns the previous one.
std::unique_ptr<TWallpaperBackend> SetWallpaperBackend(std::unique_ptr<TWallpaperBackend> backend);
// The folder the pictures go to; empty (the default) is the user's data
// folder, "<data>/Glimworks".
void SetWallpaperFolder(const std::string& folder);
std::string WallpaperFolder();
// The screen size a desktop without modes gets its picture in; nullptr (the
// default) asks the primary screen.
void SetWallpaperScreenSize(std::function<TSize()> screenSize);

// ---- the command ----------------------------------------------------------------------

// The file name of a wallpaper name: name + ".bmp" unless it already ends in
// ".bmp" (any case). Raises EWallpaperError for an empty or blank name or
// one holding "/", "\", "..", or a control character.
std::string WallpaperFileName(const std::string& name);
// A width x height picture (24 bits) holding the tile repeated from the
// top-left corner, or once in the middle on black.
void ComposeScreenPicture(const TPixelGraphic& tile, bool tiled, int width, int height, TPixelGraphic& out);
// Saves picture under the name in the wallpaper folder (an existing file is
// replaced only when the user confirms), records it in the settings, and
// tells the desktop; when the desktop cannot be told, a warning names the
// saved file's path. Returns false when the user kept the existing file
// (nothing was done). Raises EWallpaperError for a bad name.
bool SetWallpaper(TPixelGraphic& picture, const std::string& name, bool tiled);
