#include "support/ScopedLocale.h"

#include <clocale>

namespace gwtest {

TScopedLocale::TScopedLocale(TKind kind) : FOldC(std::setlocale(LC_ALL, nullptr)) {
    if (kind == lkC) {
        FActive = std::setlocale(LC_ALL, "C") != nullptr;
        QLocale::setDefault(QLocale::c());
        return;
    }
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8"}) {
        if (std::setlocale(LC_ALL, name)) {
            FActive = true;
            QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
            break;
        }
    }
}

TScopedLocale::~TScopedLocale() {
    std::setlocale(LC_ALL, FOldC.c_str());
    QLocale::setDefault(FOldQt);
}

}  // namespace gwtest
