#pragma once
// Tsplashscreen: the borderless splash form shown while a program starts and
// by "About": a black oval with a plasma picture and the program's name in
// an art label. A click or a key only hides it; whoever created it frees it.
#include <QDialog>
#include <QString>

class QLabel;
class TArtLabel;

namespace artkit {

class Tsplashscreen : public QDialog {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 318;
    static constexpr int kClientHeight = 197;

    explicit Tsplashscreen(QWidget* parent = nullptr, const QString& programName = QStringLiteral("Glimmo !"));

    QLabel* Image1;
    TArtLabel* ArtLabel1;

    // The window's outline: the ellipse (25, 25, width - 25, height - 25).
    static QRect OvalRect(int width, int height);
    // True where the window shape is made by translucency, not by a mask.
    bool Translucent() const { return FTranslucent; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    bool FTranslucent = false;
};

}  // namespace artkit
