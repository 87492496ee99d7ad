#pragma once
// A plain stand-in for the splash screen, which is still being made
// elsewhere; it goes as the real one arrives.
#include <QDialog>

namespace mozaro::interim {

// The splash screen (start-up and "About").
class TSplash : public QDialog {
    Q_OBJECT
public:
    explicit TSplash(QWidget* parent = nullptr);
};

}  // namespace mozaro::interim
