#include "platform/ImageList.h"

#include "platform/Paint.h"

TImageList::TImageList(int width, int height, QObject* parent)
    : QObject(parent), FWidth(std::max(1, width)), FHeight(std::max(1, height)) {}

void TImageList::SetSize(int width, int height) {
    width = std::max(1, width);
    height = std::max(1, height);
    if (width == FWidth && height == FHeight) return;
    FWidth = width;
    FHeight = height;
    FImages.clear();
    Changed();
}

QImage TImageList::Cell(const QImage& image, const QImage& mask, int x, int w, int h) {
    QImage cell(w, h, QImage::Format_ARGB32);
    cell.fill(0);
    const QImage src = image.convertToFormat(QImage::Format_ARGB32);
    const QImage m = mask.isNull() ? QImage() : mask.convertToFormat(QImage::Format_RGB32);
    for (int row = 0; row < h && row < src.height(); ++row)
        for (int col = 0; col < w && x + col < src.width(); ++col) {
            bool transparent = !m.isNull() && m.valid(x + col, row) && (m.pixel(x + col, row) & 0xFFFFFF) != 0;
            cell.setPixel(col, row, transparent ? 0u : (src.pixel(x + col, row) | 0xFF000000u));
        }
    return cell;
}

int TImageList::Add(const QImage& image, const QImage& mask) {
    if (image.isNull()) return -1;
    const int first = Count();
    const int cells = std::max(1, image.width() / FWidth);
    for (int i = 0; i < cells; ++i) FImages.push_back(Cell(image, mask, i * FWidth, FWidth, FHeight));
    Changed();
    return first;
}

int TImageList::AddMasked(const QImage& image, TColor maskColor) {
    if (image.isNull()) return -1;
    return Add(image, MakeColorMask(image, maskColor));
}

bool TImageList::Replace(int index, const QImage& image, const QImage& mask) {
    if (index < 0 || index >= Count() || image.isNull()) return false;
    FImages[static_cast<size_t>(index)] = Cell(image, mask, 0, FWidth, FHeight);
    Changed();
    return true;
}

void TImageList::Delete(int index) {
    if (index < 0 || index >= Count()) return;
    FImages.erase(FImages.begin() + index);
    Changed();
}

void TImageList::Clear() {
    if (FImages.empty()) return;
    FImages.clear();
    Changed();
}

QImage TImageList::GetImage(int index) const {
    if (index < 0 || index >= Count()) return QImage();
    return FImages[static_cast<size_t>(index)];
}

QImage TImageList::GetBitmap(int index, TColor background) const {
    if (index < 0 || index >= Count()) return QImage();
    QImage bmp(FWidth, FHeight, QImage::Format_RGB32);
    bmp.fill(ToQColor(background));
    QPainter p(&bmp);
    Draw(p, 0, 0, index);
    return bmp;
}

void TImageList::Draw(QPainter& painter, int x, int y, int index) const {
    if (index < 0 || index >= Count()) return;
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.drawImage(QPoint(x, y), FImages[static_cast<size_t>(index)]);
    painter.restore();
}
