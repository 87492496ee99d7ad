#include "glimmo/BatchRender.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QSet>
#include <QStandardPaths>

#include "image/PGFormats.h"
#include "platform/Streams.h"
#include "platform/StringList.h"

namespace {

std::string NativePath(const QString& path) { return QFile::encodeName(path).toStdString(); }

// A name for a message: long ones are cut.
QString Shown(const QString& name) { return name.size() > 60 ? name.left(57) + QStringLiteral("...") : name; }

}  // namespace

QString BatchExtension(int formatIndex) {
    static const char* const extensions[] = {".bmp", ".jpg", ".png", ".tif"};
    return formatIndex >= 0 && formatIndex < 4 ? QString::fromLatin1(extensions[formatIndex]) : QString();
}

QStringList BatchCaptionLines(const QString& text) {
    TStringList lines;
    lines.SetText(text.toStdString());
    QStringList result;
    for (const std::string& line : lines.Lines()) result << QString::fromStdString(line);
    return result;
}

QString CleanFileNamePart(const QString& part) {
    QString clean;
    clean.reserve(part.size());
    for (QChar c : part)
        if (c != QLatin1Char('/') && c.category() != QChar::Other_Control) clean += c;
    return clean;
}

TBatchNames BuildBatchFileNames(const QString& folder, const QString& baseName, const QStringList& captions,
                                const QString& extension) {
    TBatchNames names;
    const QDir dir(folder);
    const QString base = CleanFileNamePart(baseName);
    QHash<QString, QString> pathOfCaption;  // identical captions share a file
    QSet<QString> used;
    for (int i = 0; i < captions.size(); ++i) {
        const QString& caption = captions[i];
        if (const auto known = pathOfCaption.constFind(caption); known != pathOfCaption.cend()) {
            names.Paths << *known;
            continue;
        }
        const QString stem = base + CleanFileNamePart(caption);
        QString name = stem + extension;
        for (int n = 2; used.contains(name); ++n) name = stem + QStringLiteral(" (%1)").arg(n) + extension;
        if (name == QLatin1String(".") || name == QLatin1String("..")) {
            names.BadLine = i;
            names.Error = QStringLiteral("Line %1 gives no usable file name.").arg(i + 1);
            return names;
        }
        if (QFile::encodeName(name).size() > MaxFileNameBytes) {
            names.BadLine = i;
            names.Error = QStringLiteral("Line %1 gives the file name \"%2\", longer than %3 bytes.")
                              .arg(i + 1)
                              .arg(Shown(name))
                              .arg(MaxFileNameBytes);
            return names;
        }
        used.insert(name);
        const QString path = dir.filePath(name);
        pathOfCaption.insert(caption, path);
        names.Paths << path;
    }
    return names;
}

QString BatchStartFolder(const QString& last) {
    const auto exists = [](const QString& folder) {
        return !folder.isEmpty() && QDir::isAbsolutePath(folder) && FolderExists(NativePath(folder));
    };
    if (exists(last)) return last;
    // The XDG user folder (user-dirs.dirs), or ~/Pictures without one.
    QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (exists(pictures)) return pictures;
    return QDir::homePath();
}

bool FolderWritable(const QString& folder) {
    try {
        // The stream's temporary file is removed when it is not committed.
        TSafeFileStream probe(NativePath(QDir(folder).filePath(QStringLiteral("batch"))));
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

void SaveBatchPicture(TPixelGraphic& picture, const QString& path) {
    TMemoryStream data;
    SaveToStreamExtWithJpegQuality(picture, data, ExtensionOf(NativePath(path)), BatchJpegQuality);
    data.SaveToFile(NativePath(path));
}

TBatchResult RunBatch(TButtonRenderer& renderer, const TButtonDesign& design, const TPixelGraphic& preview,
                      const QStringList& captions, const QStringList& paths, const TBatchProgress& progress) {
    TBatchResult result;
    QSet<QString> written;
    const int count = std::min(captions.size(), paths.size());
    for (int i = 0; i < count; ++i) {
        if (!written.contains(paths[i])) {
            try {
                TPixelGraphic picture;
                picture.Assign(&preview);
                renderer.RenderButton(design, picture, captions[i].toStdString());
                SaveBatchPicture(picture, paths[i]);
            } catch (const std::exception& e) {
                result.Error =
                    QStringLiteral("Could not write \"%1\":\n%2").arg(paths[i], QString::fromStdString(e.what()));
                return result;
            }
            written.insert(paths[i]);
            ++result.Written;
        }
        if (progress && !progress(i)) {
            result.Cancelled = i < count - 1;
            return result;
        }
    }
    return result;
}
