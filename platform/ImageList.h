#pragma once
// An image list: equally sized images (Width x Height) kept with their masks,
// drawn by index. Observers connect to Change() (any change of the images or
// their size) and to QObject::destroyed to drop their reference.
#include <QImage>
#include <QObject>
#include <QPainter>
#include <vector>

#include "platform/Colors.h"

class TImageList : public QObject {
    Q_OBJECT
public:
    explicit TImageList(int width = 16, int height = 16, QObject* parent = nullptr);

    int GetWidth() const { return FWidth; }
    int GetHeight() const { return FHeight; }
    // A new size removes every image (as the framework's list does).
    void SetSize(int width, int height);
    int Count() const { return static_cast<int>(FImages.size()); }

    // Adds the image, cut into cells of Width from the left (a narrower image
    // gives one cell); mask: white = transparent, black = opaque, a null mask
    // keeps every pixel. Returns the index of the first cell added, -1 when
    // the image is empty.
    int Add(const QImage& image, const QImage& mask = QImage());
    // As Add, the pixels of maskColor being transparent.
    int AddMasked(const QImage& image, TColor maskColor);
    // Replaces image index (first cell of the image only); false outside.
    bool Replace(int index, const QImage& image, const QImage& mask = QImage());
    void Delete(int index);
    void Clear();

    // Image index as Format_ARGB32 (transparent pixels with alpha 0); null
    // outside the list.
    QImage GetImage(int index) const;
    // Image index drawn over background into a new Width x Height bitmap
    // (Format_RGB32); null outside the list.
    QImage GetBitmap(int index, TColor background = clWhite) const;
    // Draws image index at (x, y) with its mask; nothing outside the list.
    void Draw(QPainter& painter, int x, int y, int index) const;

signals:
    void Change();

private:
    void Changed() { emit Change(); }
    static QImage Cell(const QImage& image, const QImage& mask, int x, int w, int h);
    int FWidth, FHeight;
    std::vector<QImage> FImages;
};
