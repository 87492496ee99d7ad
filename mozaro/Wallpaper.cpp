#include "mozaro/Wallpaper.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QUrl>
#include <algorithm>
#include <mutex>

#include "image/PGraphic.h"
#include "platform/MessageBox.h"
#include "platform/Settings.h"

// ---- running tools -----------------------------------------------------------------------

TProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments) {
    TProgramResult result;
    QStringList args;
    for (const std::string& a : arguments) args << QString::fromStdString(a);
    QProcess process;
    process.start(QString::fromStdString(program), args);
    if (!process.waitForStarted(5000)) {
        result.Error = program + " could not be started";
        return result;
    }
    process.closeWriteChannel();
    if (!process.waitForFinished(20000)) {
        process.kill();
        process.waitForFinished(1000);
        result.Error = program + " did not finish";
        return result;
    }
    result.Output = process.readAllStandardOutput().toStdString();
    result.Error = process.readAllStandardError().toStdString();
    result.ExitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    if (process.exitStatus() != QProcess::NormalExit && result.Error.empty()) result.Error = program + " crashed";
    return result;
}

namespace {

std::string Trimmed(const std::string& s) { return QString::fromStdString(s).trimmed().toStdString(); }

// Runs the tool and raises with its own words when it fails.
TProgramResult Run(const TProgramRunner& runner, const std::string& program, const std::vector<std::string>& args) {
    TProgramResult r = runner(program, args);
    if (r.ExitCode != 0) {
        std::string why = Trimmed(r.Error);
        if (why.empty()) why = program + " ended with status " + std::to_string(r.ExitCode);
        throw EWallpaperError(why);
    }
    return r;
}

std::string FileUri(const std::string& path) {
    return QUrl::fromLocalFile(QString::fromStdString(path)).toString(QUrl::FullyEncoded).toStdString();
}

// A desktop told through its command-line tools.
class TToolBackend : public TWallpaperBackend {
public:
    explicit TToolBackend(TProgramRunner runner) : FRunner(std::move(runner)) {}

protected:
    TProgramRunner FRunner;
};

// ---- GNOME --------------------------------------------------------------------------------

class TGnomeBackend : public TToolBackend {
public:
    using TToolBackend::TToolBackend;
    std::string Name() const override { return "GNOME"; }
    void Apply(const std::string& path, bool tiled) override {
        const std::string schema = "org.gnome.desktop.background";
        const std::string uri = FileUri(path);
        Run(FRunner, "gsettings", {"set", schema, "picture-uri", uri});
        // Older GNOME has no dark-style picture; the light one then serves.
        FRunner("gsettings", {"set", schema, "picture-uri-dark", uri});
        Run(FRunner, "gsettings", {"set", schema, "picture-options", tiled ? "wallpaper" : "centered"});
    }
};

// ---- XFCE ---------------------------------------------------------------------------------

class TXfceBackend : public TToolBackend {
public:
    using TToolBackend::TToolBackend;
    std::string Name() const override { return "XFCE"; }
    void Apply(const std::string& path, bool tiled) override {
        const std::string channel = "xfce4-desktop";
        const TProgramResult list = Run(FRunner, "xfconf-query", {"-c", channel, "-l"});
        const std::string suffix = "/last-image";
        int monitors = 0;
        for (const QString& line : QString::fromStdString(list.Output).split('\n')) {
            const std::string property = line.trimmed().toStdString();
            if (property.size() <= suffix.size() ||
                property.compare(property.size() - suffix.size(), suffix.size(), suffix) != 0)
                continue;
            const std::string base = property.substr(0, property.size() - suffix.size());
            Run(FRunner, "xfconf-query", {"-c", channel, "-p", property, "-n", "-t", "string", "-s", path});
            Run(FRunner, "xfconf-query",
                {"-c", channel, "-p", base + "/image-style", "-n", "-t", "int", "-s", tiled ? "2" : "1"});
            ++monitors;
        }
        if (monitors == 0) throw EWallpaperError("the XFCE desktop lists no monitor backdrop");
    }
};

// ---- KDE Plasma ----------------------------------------------------------------------------

// A JavaScript string literal.
std::string ScriptString(const std::string& s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') out += '\\';
        out += static_cast<char>(c);
    }
    return out + "\"";
}

class TPlasmaBackend : public TToolBackend {
public:
    using TToolBackend::TToolBackend;
    std::string Name() const override { return "KDE Plasma"; }
    void Apply(const std::string& path, bool tiled) override {
        const std::string script =
            "var all = desktops();\n"
            "for (var i = 0; i < all.length; i++) {\n"
            "  var d = all[i];\n"
            "  d.wallpaperPlugin = \"org.kde.image\";\n"
            "  d.currentConfigGroup = Array(\"Wallpaper\", \"org.kde.image\", \"General\");\n"
            "  d.writeConfig(\"Image\", " +
            ScriptString(FileUri(path)) +
            ");\n"
            "  d.writeConfig(\"FillMode\", " +
            (tiled ? "3" : "6") +
            ");\n"
            "}\n";
        Run(FRunner, "gdbus",
            {"call", "--session", "--dest", "org.kde.plasmashell", "--object-path", "/PlasmaShell", "--method",
             "org.kde.PlasmaShell.evaluateScript", script});
    }
};

// ---- the freedesktop portal ------------------------------------------------------------------

class TPortalBackend : public TToolBackend {
public:
    using TToolBackend::TToolBackend;
    std::string Name() const override { return "wallpaper portal"; }
    bool HasModes() const override { return false; }
    void Apply(const std::string& path, bool) override {
        Run(FRunner, "gdbus",
            {"call", "--session", "--dest", "org.freedesktop.portal.Desktop", "--object-path",
             "/org/freedesktop/portal/desktop", "--method", "org.freedesktop.portal.Wallpaper.SetWallpaperURI", "",
             FileUri(path), "{'show-preview': <false>, 'set-on': <'background'>}"});
    }
};

// ---- replaceable services ------------------------------------------------------------------------

std::mutex gServicesLock;
std::unique_ptr<TWallpaperBackend> gBackend;
std::string gFolder;
std::function<TSize()> gScreenSize;

TSize PrimaryScreenSize() {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        if (QScreen* s = QGuiApplication::primaryScreen()) {
            const QSize size = s->size() * s->devicePixelRatio();
            if (!size.isEmpty()) return TSize(size.width(), size.height());
        }
    return TSize(1920, 1080);
}

bool EndsWithBmp(const std::string& name) {
    return QString::fromStdString(name).endsWith(QStringLiteral(".bmp"), Qt::CaseInsensitive);
}

}  // namespace

std::unique_ptr<TWallpaperBackend> MakeGnomeWallpaperBackend(TProgramRunner runner) {
    return std::make_unique<TGnomeBackend>(std::move(runner));
}
std::unique_ptr<TWallpaperBackend> MakeXfceWallpaperBackend(TProgramRunner runner) {
    return std::make_unique<TXfceBackend>(std::move(runner));
}
std::unique_ptr<TWallpaperBackend> MakePlasmaWallpaperBackend(TProgramRunner runner) {
    return std::make_unique<TPlasmaBackend>(std::move(runner));
}
std::unique_ptr<TWallpaperBackend> MakePortalWallpaperBackend(TProgramRunner runner) {
    return std::make_unique<TPortalBackend>(std::move(runner));
}

std::unique_ptr<TWallpaperBackend> WallpaperBackendFor(const std::string& currentDesktop, TProgramRunner runner) {
    for (const QString& part : QString::fromStdString(currentDesktop).split(':', Qt::SkipEmptyParts)) {
        const QString d = part.trimmed().toUpper();
        if (d == "GNOME" || d == "UNITY" || d == "UBUNTU") return MakeGnomeWallpaperBackend(std::move(runner));
        if (d == "XFCE") return MakeXfceWallpaperBackend(std::move(runner));
        if (d == "KDE") return MakePlasmaWallpaperBackend(std::move(runner));
    }
    return MakePortalWallpaperBackend(std::move(runner));
}

std::unique_ptr<TWallpaperBackend> SetWallpaperBackend(std::unique_ptr<TWallpaperBackend> backend) {
    std::lock_guard<std::mutex> lock(gServicesLock);
    std::swap(gBackend, backend);
    return backend;
}

void SetWallpaperFolder(const std::string& folder) {
    std::lock_guard<std::mutex> lock(gServicesLock);
    gFolder = folder;
}

std::string WallpaperFolder() {
    {
        std::lock_guard<std::mutex> lock(gServicesLock);
        if (!gFolder.empty()) return gFolder;
    }
    return (QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/Glimworks").toStdString();
}

void SetWallpaperScreenSize(std::function<TSize()> screenSize) {
    std::lock_guard<std::mutex> lock(gServicesLock);
    gScreenSize = std::move(screenSize);
}

std::string WallpaperFileName(const std::string& name) {
    // A name of blanks names nothing.
    if (QString::fromStdString(name).trimmed().isEmpty()) throw EWallpaperError("Please give the wallpaper a name.");
    const bool control = std::any_of(name.begin(), name.end(), [](unsigned char c) { return c < 32 || c == 127; });
    if (control || name.find('/') != std::string::npos || name.find('\\') != std::string::npos ||
        name.find("..") != std::string::npos)
        throw EWallpaperError(
            "\"" + name +
            "\" cannot be a wallpaper's name: it must not contain \"/\", \"\\\", \"..\" or control characters.");
    return EndsWithBmp(name) ? name : name + ".bmp";
}

void ComposeScreenPicture(const TPixelGraphic& tile, bool tiled, int width, int height, TPixelGraphic& out) {
    out.SetSize(width, height, 3);
    out.SetBackgroundColor(0);
    out.Clear();
    const int tw = tile.GetWidth(), th = tile.GetHeight();
    if (tw <= 0 || th <= 0) return;
    if (tiled) {
        for (int y = 0; y < height; y += th)
            for (int x = 0; x < width; x += tw) out.CopyRect(x, y, tile, 0, 0, tw, th);
    } else {
        // Centred: a tile larger than the screen shows its middle part.
        const int dx = (width - tw) / 2, dy = (height - th) / 2;
        out.CopyRect(std::max(dx, 0), std::max(dy, 0), tile, std::max(-dx, 0), std::max(-dy, 0), std::min(tw, width),
                     std::min(th, height));
    }
    out.DoChange();
}

bool SetWallpaper(TPixelGraphic& picture, const std::string& name, bool tiled) {
    const std::string fileName = WallpaperFileName(name);
    const std::string folder = WallpaperFolder();
    if (!QDir().mkpath(QString::fromStdString(folder)))
        throw EWallpaperError("The folder \"" + folder + "\" cannot be created.");
    const std::string path = folder + "/" + fileName;
    if (QFileInfo::exists(QString::fromStdString(path)) &&
        ShowMessageBox("The file \"" + path + "\" already exists.\nDo you want to replace it?", "Wallpaper",
                       mtConfirmation, mbYesNo) != mrYes)
        return false;

    TWallpaperBackend* backend;
    std::function<TSize()> screenSize;
    {
        std::lock_guard<std::mutex> lock(gServicesLock);
        if (!gBackend) gBackend = WallpaperBackendFor(qEnvironmentVariable("XDG_CURRENT_DESKTOP").toStdString());
        backend = gBackend.get();
        screenSize = gScreenSize;
    }
    if (backend->HasModes()) {
        picture.SaveToFile(path);
    } else {
        // The desktop shows one picture as it is: it gets the whole screen.
        const TSize size = screenSize ? screenSize() : PrimaryScreenSize();
        TPixelGraphic screen;
        ComposeScreenPicture(picture, tiled, size.cx, size.cy, screen);
        screen.SaveToFile(path);
    }
    SettingsWriteString("desktop", "Wallpaper", path);
    SettingsWriteString("desktop", "TileWallpaper", tiled ? "1" : "0");

    try {
        backend->Apply(path, tiled);
    } catch (const std::exception& e) {
        // The picture is there for the user to set by hand: a warning.
        ShowMessageBox("The picture was saved as \"" + path + "\", but the desktop (" + backend->Name() +
                           ") could not be told to show it:\n" + e.what(),
                       "Wallpaper", mtWarning);
    }
    return true;
}
