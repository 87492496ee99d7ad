#pragma once
// The programs' desktop icons: square pictures in the sizes of the icon
// theme's folders, written as root/NxN/apps/name.png (the layout of
// share/icons/hicolor, which the install copies as it is).
#include <string>

class TPixelGraphic;

constexpr int kIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

// Writes the square picture as its size's icon file, making the folders.
void WriteIcon(const std::string& root, const std::string& name, TPixelGraphic& picture);
