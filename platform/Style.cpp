#include "platform/Style.h"

#include <QApplication>
#include <QStyle>
#include <QStyleFactory>

#include "platform/Paint.h"

QPalette SystemColorPalette() {
    QPalette pal;
    const auto set = [&](QPalette::ColorRole role, TColor color) { pal.setColor(role, ToQColor(color)); };
    set(QPalette::Window, clBtnFace);
    set(QPalette::WindowText, clWindowText);
    set(QPalette::Base, clWindow);
    set(QPalette::AlternateBase, cl3DLight);
    set(QPalette::ToolTipBase, clInfoBk);
    set(QPalette::ToolTipText, clInfoText);
    set(QPalette::PlaceholderText, clGrayText);
    set(QPalette::Text, clWindowText);
    set(QPalette::Button, clBtnFace);
    set(QPalette::ButtonText, clBtnText);
    set(QPalette::BrightText, clHighlightText);
    set(QPalette::Light, clBtnHighlight);
    set(QPalette::Midlight, cl3DLight);
    set(QPalette::Mid, clBtnShadow);
    set(QPalette::Dark, clBtnShadow);
    set(QPalette::Shadow, cl3DDkShadow);
    set(QPalette::Highlight, clHighlight);
    set(QPalette::HighlightedText, clHighlightText);
    set(QPalette::Link, clBlue);
    set(QPalette::LinkVisited, clPurple);
    // Disabled controls: grey text, edits on the face.
    const auto disabled = [&](QPalette::ColorRole role, TColor color) {
        pal.setColor(QPalette::Disabled, role, ToQColor(color));
    };
    disabled(QPalette::WindowText, clGrayText);
    disabled(QPalette::Text, clGrayText);
    disabled(QPalette::ButtonText, clGrayText);
    disabled(QPalette::Base, clBtnFace);
    return pal;
}

QStyle* CreateApplicationStyle() { return QStyleFactory::create(QStringLiteral("Fusion")); }

void ApplyApplicationLook() {
    // The style first: setting a style resets a palette that was not set.
    QApplication::setStyle(CreateApplicationStyle());
    QApplication::setPalette(SystemColorPalette());
}
