#include "artkit/PresetFolder.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

#include "image/PGraphic.h"
#include "platform/Streams.h"
#include "store/QDB.h"

std::vector<std::string> ListPresetFiles(const std::string& folder, const std::string& extension) {
    QString dirName = QString::fromStdString(folder);
    while (dirName.size() > 1 && dirName.endsWith('/')) dirName.chop(1);
    const QDir dir(dirName.isEmpty() ? QStringLiteral(".") : dirName);
    const QString ext = QString::fromStdString(extension);
    // Files only: no folders, and no pipes or devices (System is left out),
    // which an open could block on.
    const QFileInfoList entries = dir.entryInfoList(QDir::Files | QDir::Hidden, QDir::NoSort);
    QStringList names;
    for (const QFileInfo& e : entries)
        if (e.fileName().endsWith(ext, Qt::CaseInsensitive)) names << e.fileName();
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    std::vector<std::string> out;
    for (const QString& n : names) out.push_back((dirName + '/' + n).toStdString());
    return out;
}

std::string PresetDisplayName(const std::string& path) {
    const std::string name = ExtractFileName(path);
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

TSize PresetThumbnailSize(int width, int height) {
    const int64_t w = std::max(width, 1), h = std::max(height, 1);
    if (w > h) return TSize{kThumbnailSide, static_cast<int>(std::max<int64_t>(1, h * kThumbnailSide / w))};
    return TSize{static_cast<int>(std::max<int64_t>(1, w * kThumbnailSide / h)), kThumbnailSide};
}

TPoint PresetThumbnailPosition(int n) {
    return TPoint{(n - 1) % kThumbnailsPerRow * kThumbnailPitch, (n - 1) / kThumbnailsPerRow * kThumbnailPitch};
}

bool ReadPresetThumbnail(const std::string& path, const std::string& key, TPixelGraphic& thumbnail) {
    try {
        TMemoryStream stream;
        {
            TQDB store;
            store.Open(path, TQDB::omReadExisting);
            if (!store.GetItemByKey(key, stream)) return false;
        }
        TPixelGraphic picture;
        picture.SetReadWarningAction(pgwaIgnore);
        picture.LoadFromStream(stream);
        if (picture.GetEmpty() || picture.GetWidth() < 1 || picture.GetHeight() < 1) return false;
        const TSize size = PresetThumbnailSize(picture.GetWidth(), picture.GetHeight());
        TPixelGraphic scaled;
        scaled.SetSize(size.cx, size.cy, 3);
        scaled.StretchFrom(picture);
        thumbnail.Assign(&scaled);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}
