#include "mozaro/forms/Interim.h"

#include <QLabel>
#include <QVBoxLayout>

namespace mozaro::interim {

TSplash::TSplash(QWidget* parent) : QDialog(parent, Qt::SplashScreen) {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Mozaro!", this));
    resize(300, 150);
}

}  // namespace mozaro::interim
