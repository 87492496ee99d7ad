#include "platform/Style.h"

#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOption>

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

namespace {

// Width of the classic arrow buttons of scroll bars, combo and spin boxes.
constexpr int kArrowButton = 16;

TRect R(const QRect& r) { return TRect::FromQRect(r); }

bool Sunken(const QStyleOption* option) { return option->state & (QStyle::State_Sunken | QStyle::State_On); }

// A solid triangle of size lines (the longest 2 * size - 1 pixels) pointing
// as type says, centred in area.
void Arrow(QPainter& p, const QRect& area, Qt::ArrowType type, TColor color, int size) {
    const int cx = area.left() + area.width() / 2, cy = area.top() + area.height() / 2;
    const int start = (type == Qt::DownArrow || type == Qt::UpArrow ? cy : cx) - size / 2;
    for (int i = 0; i < size; ++i) {
        const int half = size - 1 - i;
        switch (type) {
            case Qt::DownArrow: FillRect(p, TRect(cx - half, start + i, cx + half + 1, start + i + 1), color); break;
            case Qt::UpArrow:
                FillRect(p, TRect(cx - half, start + size - 1 - i, cx + half + 1, start + size - i), color);
                break;
            case Qt::RightArrow: FillRect(p, TRect(start + i, cy - half, start + i + 1, cy + half + 1), color); break;
            default: FillRect(p, TRect(start + size - 1 - i, cy - half, start + size - i, cy + half + 1), color); break;
        }
    }
}

// The arrow in the button text colour, or embossed when disabled.
void ButtonArrow(QPainter& p, const QRect& area, Qt::ArrowType type, bool enabled, int size = 4) {
    if (enabled) {
        Arrow(p, area, type, clBtnText, size);
        return;
    }
    Arrow(p, area.translated(1, 1), type, clBtnHighlight, size);
    Arrow(p, area, type, clBtnShadow, size);
}

// A push button's face and frame; pressed arrow buttons of scroll bars and
// combo boxes are flat, framed in the shadow.
void ButtonPanel(QPainter& p, const QRect& rect, const QPalette& pal, bool sunken, bool flatWhenSunken = false) {
    p.fillRect(rect, pal.button());
    if (sunken && flatWhenSunken) FrameRect(p, R(rect), clBtnShadow);
    else DrawButtonFrame(p, R(rect), sunken);
}

// The sunken field of an edit, a combo or a spin box.
void Field(QPainter& p, const QRect& rect, const QPalette& pal, bool frame) {
    p.fillRect(rect, pal.base());
    if (frame) {
        TRect r = R(rect);
        DrawEdge(p, r, EDGE_SUNKEN, BF_RECT);
    }
}

// Qt's Fusion style with the classic 3-D frames, flat faces and dotted focus
// rectangles in the system colours, so that the standard controls look as
// the owner-drawn ones do.
class TClassicStyle : public QProxyStyle {
public:
    TClassicStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

    QPalette standardPalette() const override { return SystemColorPalette(); }

    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
        switch (metric) {
            case PM_DefaultFrameWidth: return 2;
            case PM_IndicatorWidth:
            case PM_IndicatorHeight: return 13;
            case PM_ExclusiveIndicatorWidth:
            case PM_ExclusiveIndicatorHeight: return 12;
            case PM_ScrollBarExtent: return kArrowButton;
            case PM_ButtonShiftHorizontal:
            case PM_ButtonShiftVertical: return 1;
            case PM_TabBarBaseOverlap: return 2;
            // The classic raised menu frame: a 2-pixel edge and a line of
            // the menu colour.
            case PM_MenuPanelWidth: return 3;
            case PM_MenuHMargin:
            case PM_MenuVMargin: return 0;
            default: return QProxyStyle::pixelMetric(metric, option, widget);
        }
    }

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        // A combo box's list drops down below it, as a classic list does.
        if (hint == SH_ComboBox_Popup) return 0;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }

    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override {
        switch (type) {
            case CT_LineEdit:
                if (const auto* f = qstyleoption_cast<const QStyleOptionFrame*>(option))
                    return size + QSize(2 * f->lineWidth, 2 * f->lineWidth);
                break;
            case CT_ComboBox: return size + QSize(4 + kArrowButton + 4, 4);
            case CT_SpinBox: return size + QSize(4 + kArrowButton, 4);
            case CT_PushButton: {
                // A caption between the frame and some room, as high as the
                // owner-drawn buttons; at least the classic 75 wide.
                const auto* b = qstyleoption_cast<const QStyleOptionButton*>(option);
                const int w = size.width() + 20;
                return QSize(b && !b->text.isEmpty() ? std::max(w, 75) : w, size.height() + 10);
            }
            default: break;
        }
        return QProxyStyle::sizeFromContents(type, option, size, widget);
    }

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* p,
                       const QWidget* widget) const override {
        const QPalette& pal = option->palette;
        const bool enabled = option->state & State_Enabled;
        switch (element) {
            case PE_PanelButtonCommand:
            case PE_PanelButtonBevel: {
                const auto* b = qstyleoption_cast<const QStyleOptionButton*>(option);
                if (b && (b->features & QStyleOptionButton::Flat) && !Sunken(option)) return;
                ButtonPanel(*p, option->rect, pal, Sunken(option));
                return;
            }
            case PE_FrameButtonBevel: DrawButtonFrame(*p, R(option->rect), Sunken(option)); return;
            case PE_PanelButtonTool:
                if (option->state & State_AutoRaise) {
                    TRect r = R(option->rect);
                    if (Sunken(option)) Frame3D(*p, r, clBtnShadow, clBtnHighlight, 1);
                    else if (enabled && (option->state & State_MouseOver))
                        Frame3D(*p, r, clBtnHighlight, clBtnShadow, 1);
                    return;
                }
                ButtonPanel(*p, option->rect, pal, Sunken(option));
                return;
            case PE_FrameButtonTool: DrawButtonFrame(*p, R(option->rect), Sunken(option)); return;
            case PE_FrameDefaultButton: return;
            case PE_FrameFocusRect: DrawFocusRect(*p, R(option->rect)); return;
            case PE_PanelLineEdit: {
                const auto* f = qstyleoption_cast<const QStyleOptionFrame*>(option);
                Field(*p, option->rect, pal, f && f->lineWidth > 0);
                return;
            }
            case PE_FrameLineEdit: {
                TRect r = R(option->rect);
                DrawEdge(*p, r, EDGE_SUNKEN, BF_RECT);
                return;
            }
            case PE_Frame:
            case PE_FrameWindow: {
                TRect r = R(option->rect);
                DrawEdge(*p, r, (option->state & State_Raised) ? EDGE_RAISED : EDGE_SUNKEN, BF_RECT);
                return;
            }
            case PE_FrameGroupBox: {
                // Etched: the shadow, and the highlight a pixel lower and right.
                const TRect r = R(option->rect);
                FrameRect(*p, TRect(r.Left + 1, r.Top + 1, r.Right, r.Bottom), clBtnHighlight);
                FrameRect(*p, TRect(r.Left, r.Top, r.Right - 1, r.Bottom - 1), clBtnShadow);
                return;
            }
            case PE_FrameTabWidget: {
                TRect r = R(option->rect);
                p->fillRect(option->rect, pal.window());
                DrawEdge(*p, r, EDGE_RAISED, BF_RECT);
                return;
            }
            case PE_IndicatorCheckBox: DrawCheckBox(*p, option); return;
            case PE_IndicatorRadioButton: DrawRadioButton(*p, option); return;
            case PE_IndicatorArrowDown:
            case PE_IndicatorArrowUp:
            case PE_IndicatorArrowLeft:
            case PE_IndicatorArrowRight: {
                const Qt::ArrowType type = element == PE_IndicatorArrowDown   ? Qt::DownArrow
                                           : element == PE_IndicatorArrowUp   ? Qt::UpArrow
                                           : element == PE_IndicatorArrowLeft ? Qt::LeftArrow
                                                                              : Qt::RightArrow;
                ButtonArrow(*p, option->rect, type, enabled);
                return;
            }
            // Plain drop-downs and the menu bar: the menu colour in the
            // classic raised frame.
            case PE_PanelMenu:
            case PE_PanelMenuBar: p->fillRect(option->rect, ToQColor(clMenu)); return;
            case PE_FrameMenu: {
                TRect r = R(option->rect);
                DrawEdge(*p, r, EDGE_RAISED, BF_RECT | BF_ADJUST);
                FrameRect(*p, r, clMenu);
                return;
            }
            default: break;
        }
        QProxyStyle::drawPrimitive(element, option, p, widget);
    }

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* p,
                     const QWidget* widget) const override {
        switch (element) {
            case CE_HeaderSection: ButtonPanel(*p, option->rect, option->palette, option->state & State_Sunken); return;
            case CE_TabBarTabShape:
                if (const auto* tab = qstyleoption_cast<const QStyleOptionTab*>(option);
                    tab && tab->shape == QTabBar::RoundedNorth) {
                    DrawTab(*p, tab);
                    return;
                }
                break;
            case CE_ProgressBarGroove: {
                p->fillRect(option->rect, option->palette.window());
                TRect r = R(option->rect);
                Frame3D(*p, r, clBtnShadow, clBtnHighlight, 1);
                return;
            }
            case CE_ProgressBarContents:
                if (const auto* bar = qstyleoption_cast<const QStyleOptionProgressBar*>(option);
                    bar && bar->maximum > bar->minimum) {
                    DrawProgress(*p, bar, widget);
                    return;
                }
                break;
            case CE_MenuEmptyArea:
            case CE_MenuBarEmptyArea: p->fillRect(option->rect, ToQColor(clMenu)); return;
            case CE_MenuItem:
            case CE_MenuBarItem:
                if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option)) {
                    DrawPlainMenuItem(element, *item, p, widget);
                    return;
                }
                break;
            default: break;
        }
        QProxyStyle::drawControl(element, option, p, widget);
    }

    // The menus take the form's font rather than a menu font of their own.
    void polish(QWidget* widget) override {
        QProxyStyle::polish(widget);
        if (qobject_cast<QMenu*>(widget) || qobject_cast<QMenuBar*>(widget)) widget->setFont(QApplication::font());
    }
    using QProxyStyle::polish;

    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* p,
                            const QWidget* widget) const override {
        bool drawn = false;
        switch (control) {
            case CC_ComboBox:
                drawn = DrawAs<QStyleOptionComboBox>(option, [&](auto* o) { DrawComboBox(*p, o, widget); });
                break;
            case CC_SpinBox:
                drawn = DrawAs<QStyleOptionSpinBox>(option, [&](auto* o) { DrawSpinBox(*p, o, widget); });
                break;
            case CC_ScrollBar:
                drawn = DrawAs<QStyleOptionSlider>(option, [&](auto* o) { DrawScrollBar(*p, o, widget); });
                break;
            case CC_Slider:
                drawn = DrawAs<QStyleOptionSlider>(option, [&](auto* o) { DrawSlider(*p, o, widget); });
                break;
            case CC_GroupBox:
                // A checkable group box keeps Fusion's drawing.
                if (!(option->subControls & SC_GroupBoxCheckBox))
                    drawn = DrawAs<QStyleOptionGroupBox>(option, [&](auto* o) { DrawGroupBox(*p, o, widget); });
                break;
            default: break;
        }
        if (!drawn) QProxyStyle::drawComplexControl(control, option, p, widget);
    }

    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl sc,
                         const QWidget* widget) const override {
        if (control == CC_ComboBox) {
            if (const auto* cb = qstyleoption_cast<const QStyleOptionComboBox*>(option)) {
                const QRect r = cb->rect;
                const int f = cb->frame ? 2 : 0;
                switch (sc) {
                    case SC_ComboBoxArrow:
                        return QRect(r.right() - f - kArrowButton + 1, r.top() + f, kArrowButton, r.height() - 2 * f);
                    case SC_ComboBoxEditField:
                        return QRect(r.left() + f + 1, r.top() + f, r.width() - 2 * f - kArrowButton - 1,
                                     r.height() - 2 * f);
                    default: return r;
                }
            }
        }
        if (control == CC_SpinBox) {
            if (const auto* sb = qstyleoption_cast<const QStyleOptionSpinBox*>(option)) {
                const QRect r = sb->rect;
                const int f = sb->frame ? 2 : 0;
                const int buttons = sb->buttonSymbols == QAbstractSpinBox::NoButtons ? 0 : kArrowButton;
                const int inner = r.height() - 2 * f, upper = inner / 2;
                const int x = r.right() - f - buttons + 1;
                switch (sc) {
                    case SC_SpinBoxUp: return buttons ? QRect(x, r.top() + f, buttons, upper) : QRect();
                    case SC_SpinBoxDown:
                        return buttons ? QRect(x, r.top() + f + upper, buttons, inner - upper) : QRect();
                    case SC_SpinBoxEditField:
                        return QRect(r.left() + f, r.top() + f, r.width() - 2 * f - buttons, inner);
                    default: return r;
                }
            }
        }
        if (control == CC_GroupBox) {
            if (const auto* gb = qstyleoption_cast<const QStyleOptionGroupBox*>(option);
                gb && !(gb->subControls & SC_GroupBoxCheckBox)) {
                // The caption at 8 on a gap in the frame, whose top line
                // runs through the caption's middle.
                const QRect r = gb->rect;
                const int th = gb->text.isEmpty() ? 0 : gb->fontMetrics.height();
                const int tw = gb->text.isEmpty() ? 0 : gb->fontMetrics.horizontalAdvance(gb->text) + 4;
                const int top = th / 2;
                switch (sc) {
                    case SC_GroupBoxLabel: return QRect(r.left() + 8, r.top(), tw, th);
                    case SC_GroupBoxFrame: return QRect(r.left(), r.top() + top, r.width(), r.height() - top);
                    case SC_GroupBoxContents:
                        return QRect(r.left() + 2, r.top() + std::max(th, 2), r.width() - 4,
                                     r.height() - std::max(th, 2) - 2);
                    default: return r;
                }
            }
        }
        return QProxyStyle::subControlRect(control, option, sc, widget);
    }

private:
    // Draws with the option as the type the control's option must have;
    // false when it has another.
    template <class Option, class Draw>
    static bool DrawAs(const QStyleOptionComplex* option, Draw draw) {
        const auto* o = qstyleoption_cast<const Option*>(option);
        if (o) draw(o);
        return o != nullptr;
    }

    static void DrawCheckBox(QPainter& p, const QStyleOption* option) {
        const QPalette& pal = option->palette;
        const bool enabled = option->state & State_Enabled;
        TRect r = R(option->rect);
        // A pressed or disabled box shows the face; a third state is greyed.
        const bool faced = !enabled || (option->state & State_Sunken) || (option->state & State_NoChange);
        p.fillRect(option->rect, faced ? pal.button() : pal.base());
        DrawEdge(p, r, EDGE_SUNKEN, BF_RECT);
        if (!(option->state & (State_On | State_NoChange))) return;
        const TColor mark = (option->state & State_NoChange) || !enabled ? clBtnShadow : clWindowText;
        // The classic 7 x 7 tick, three pixels thick, in the 9 x 9 inside.
        const int x = r.Left + 3, y = r.Top + 5;
        for (int i = 0; i < 3; ++i)
            Polyline(p, TPen(mark), {TPoint(x, y + i), TPoint(x + 2, y + 2 + i), TPoint(x + 7, y - 3 + i)});
    }

    static void DrawRadioButton(QPainter& p, const QStyleOption* option) {
        // The classic 12 x 12 button: the outer ring in the shadow above left
        // and the highlight below right, the inner ring in the dark shadow
        // and the light, the inside in the window colour (the face when
        // pressed or disabled), the dot in the text colour.
        static const char* const kRing[12] = {
            "....SSSS....", "..SSDDDDSS..", ".SDDIIIIDDH.", ".SDIIIIIIIH.", "SDIIIIIIIILH", "SDIIIIIIIILH",
            "SDIIIIIIIILH", "SDIIIIIIIILH", ".SDIIIIIIIH.", ".HLLIIIILLH.", "..HHLLLLHH..", "....HHHH....",
        };
        static const char* const kDot[4] = {".##.", "####", "####", ".##."};
        const bool enabled = option->state & State_Enabled;
        const TColor inside = enabled && !(option->state & State_Sunken) ? FromQColor(option->palette.base().color())
                                                                         : FromQColor(option->palette.button().color());
        const int x0 = option->rect.left() + (option->rect.width() - 12) / 2;
        const int y0 = option->rect.top() + (option->rect.height() - 12) / 2;
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 12; ++x) {
                TColor c;
                switch (kRing[y][x]) {
                    case 'S': c = clBtnShadow; break;
                    case 'D': c = cl3DDkShadow; break;
                    case 'H': c = clBtnHighlight; break;
                    case 'L': c = cl3DLight; break;
                    case 'I': c = inside; break;
                    default: continue;
                }
                FillRect(p, TRect(x0 + x, y0 + y, x0 + x + 1, y0 + y + 1), c);
            }
        if (!(option->state & State_On)) return;
        const TColor dot = enabled ? clWindowText : clBtnShadow;
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x)
                if (kDot[y][x] == '#') FillRect(p, TRect(x0 + 4 + x, y0 + 4 + y, x0 + 5 + x, y0 + 5 + y), dot);
    }

    void DrawComboBox(QPainter& p, const QStyleOptionComboBox* cb, const QWidget* widget) const {
        const bool enabled = cb->state & State_Enabled;
        Field(p, cb->rect, cb->palette, cb->frame);
        const QRect arrow = subControlRect(CC_ComboBox, cb, SC_ComboBoxArrow, widget);
        const bool pressed = (cb->activeSubControls & SC_ComboBoxArrow) && (cb->state & State_Sunken);
        ButtonPanel(p, arrow, cb->palette, pressed, true);
        ButtonArrow(p, pressed ? arrow.translated(1, 1) : arrow, Qt::DownArrow, enabled);
        if (!cb->editable && (cb->state & State_HasFocus))
            DrawFocusRect(p, R(subControlRect(CC_ComboBox, cb, SC_ComboBoxEditField, widget).adjusted(0, 1, -1, -1)));
    }

    void DrawSpinBox(QPainter& p, const QStyleOptionSpinBox* sb, const QWidget* widget) const {
        Field(p, sb->rect, sb->palette, sb->frame);
        if (sb->buttonSymbols == QAbstractSpinBox::NoButtons) return;
        const bool enabled = sb->state & State_Enabled;
        const struct {
            SubControl sc;
            QAbstractSpinBox::StepEnabledFlag step;
            Qt::ArrowType type;
        } buttons[] = {{SC_SpinBoxUp, QAbstractSpinBox::StepUpEnabled, Qt::UpArrow},
                       {SC_SpinBoxDown, QAbstractSpinBox::StepDownEnabled, Qt::DownArrow}};
        for (const auto& b : buttons) {
            const QRect r = subControlRect(CC_SpinBox, sb, b.sc, widget);
            const bool pressed = (sb->activeSubControls & b.sc) && (sb->state & State_Sunken);
            ButtonPanel(p, r, sb->palette, pressed);
            ButtonArrow(p, pressed ? r.translated(1, 1) : r, b.type, enabled && (sb->stepEnabled & b.step), 3);
        }
    }

    void DrawGroupBox(QPainter& p, const QStyleOptionGroupBox* gb, const QWidget* widget) const {
        if (gb->subControls & SC_GroupBoxFrame) {
            const TRect r = R(subControlRect(CC_GroupBox, gb, SC_GroupBoxFrame, widget));
            if (gb->features & QStyleOptionFrame::Flat) {
                Line(p, TPen(clBtnShadow), r.Left, r.Top, r.Right, r.Top);
                Line(p, TPen(clBtnHighlight), r.Left, r.Top + 1, r.Right, r.Top + 1);
            } else {
                FrameRect(p, TRect(r.Left + 1, r.Top + 1, r.Right, r.Bottom), clBtnHighlight);
                FrameRect(p, TRect(r.Left, r.Top, r.Right - 1, r.Bottom - 1), clBtnShadow);
            }
        }
        if ((gb->subControls & SC_GroupBoxLabel) && !gb->text.isEmpty()) {
            const QRect label = subControlRect(CC_GroupBox, gb, SC_GroupBoxLabel, widget);
            p.fillRect(label, gb->palette.window());
            drawItemText(&p, label.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic,
                         gb->palette, gb->state & State_Enabled, gb->text, QPalette::WindowText);
            if (gb->state & State_HasFocus) DrawFocusRect(p, R(label));
        }
    }

    // A tab on top: raised on its left, top and right; the selected one
    // reaches over the pane's edge, the others stand 2 pixels lower.
    static void DrawTab(QPainter& p, const QStyleOptionTab* tab) {
        QRect rect = tab->rect;
        const bool selected = tab->state & State_Selected;
        if (!selected) rect.adjust(0, 2, 0, -2);
        p.fillRect(rect, tab->palette.window());
        const TRect r = R(rect);
        Line(p, TPen(clBtnHighlight), r.Left, r.Bottom, r.Left, r.Top + 2);
        FillRect(p, TRect(r.Left + 1, r.Top + 1, r.Left + 2, r.Top + 2), clBtnHighlight);
        Line(p, TPen(clBtnHighlight), r.Left + 2, r.Top, r.Right - 2, r.Top);
        Line(p, TPen(clBtnShadow), r.Right - 2, r.Top + 1, r.Right - 2, r.Bottom);
        Line(p, TPen(cl3DDkShadow), r.Right - 1, r.Top + 2, r.Right - 1, r.Bottom);
        FillRect(p, TRect(r.Right - 2, r.Top + 1, r.Right - 1, r.Top + 2), cl3DDkShadow);
    }

    void DrawProgress(QPainter& p, const QStyleOptionProgressBar* bar, const QWidget*) const {
        const QRect r = bar->rect.adjusted(1, 1, -1, -1);
        const double part = double(qBound(bar->minimum, bar->progress, bar->maximum) - bar->minimum) /
                            (double(bar->maximum) - bar->minimum);
        const bool vertical = !(bar->state & State_Horizontal);
        QRect done = r;
        if (vertical) done.setTop(r.bottom() + 1 - int(r.height() * part));
        else if (bar->invertedAppearance) done.setLeft(r.right() + 1 - int(r.width() * part));
        else done.setWidth(int(r.width() * part));
        p.fillRect(done, bar->palette.highlight());
    }

    void DrawSlider(QPainter& p, const QStyleOptionSlider* sl, const QWidget* widget) const {
        const bool horizontal = sl->orientation == Qt::Horizontal;
        if (sl->subControls & SC_SliderTickmarks) {
            QStyleOptionSlider ticks = *sl;
            ticks.subControls = SC_SliderTickmarks;
            QProxyStyle::drawComplexControl(CC_Slider, &ticks, &p, widget);
        }
        if (sl->subControls & SC_SliderGroove) {
            // The channel: a sunken 4-pixel groove through the middle.
            const QRect g = subControlRect(CC_Slider, sl, SC_SliderGroove, widget);
            TRect channel = horizontal ? TRect(g.left(), g.center().y() - 2, g.right() + 1, g.center().y() + 2)
                                       : TRect(g.center().x() - 2, g.top(), g.center().x() + 2, g.bottom() + 1);
            DrawEdge(p, channel, EDGE_SUNKEN, BF_RECT);
        }
        if (sl->subControls & SC_SliderHandle) {
            const QRect h = subControlRect(CC_Slider, sl, SC_SliderHandle, widget);
            ButtonPanel(p, h, sl->palette, false);
            if (sl->state & State_HasFocus) DrawFocusRect(p, R(sl->rect));
        }
    }

    // A plain menu entry in the system's menu colours: clMenu face and
    // clMenuText, the clHighlight bar with clHighlightText, clGrayText for
    // disabled entries. The base style draws marks, text and short-cuts with
    // these colours on the bar already laid.
    void DrawPlainMenuItem(ControlElement element, const QStyleOptionMenuItem& item, QPainter* p,
                           const QWidget* widget) const {
        const bool enabled = item.state & State_Enabled;
        const bool selected = enabled && (item.state & State_Selected) &&
                              item.menuItemType != QStyleOptionMenuItem::Separator;
        p->fillRect(item.rect, ToQColor(selected ? clHighlight : clMenu));
        if (element == CE_MenuBarItem) {
            const int flags = Qt::AlignCenter | Qt::TextShowMnemonic | Qt::TextDontClip | Qt::TextSingleLine;
            p->save();
            p->setFont(item.font);
            p->setPen(ToQColor(!enabled ? clGrayText : selected ? clHighlightText : clMenuText));
            p->drawText(item.rect, flags, item.text);
            p->restore();
            return;
        }
        QStyleOptionMenuItem copy = item;
        copy.state &= ~State_Selected;
        const QColor text = ToQColor(selected ? clHighlightText : clMenuText);
        for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive}) {
            for (QPalette::ColorRole role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
                copy.palette.setColor(g, role, text);
            copy.palette.setColor(g, QPalette::Window, ToQColor(clMenu));
        }
        for (QPalette::ColorRole role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
            copy.palette.setColor(QPalette::Disabled, role, ToQColor(clGrayText));
        QProxyStyle::drawControl(element, &copy, p, widget);
    }

    void DrawScrollBar(QPainter& p, const QStyleOptionSlider* sb, const QWidget* widget) const {
        const bool horizontal = sb->orientation == Qt::Horizontal;
        const bool enabled = (sb->state & State_Enabled) && sb->maximum > sb->minimum;
        const auto pressed = [&](SubControl sc) { return (sb->activeSubControls & sc) && (sb->state & State_Sunken); };
        // The track: a checker of the highlight over the face (dark while
        // its page is being pressed).
        for (SubControl sc : {SC_ScrollBarSubPage, SC_ScrollBarAddPage}) {
            const QRect r = subControlRect(CC_ScrollBar, sb, sc, widget);
            if (r.isEmpty()) continue;
            p.fillRect(r, ToQColor(pressed(sc) ? cl3DDkShadow : clBtnFace));
            if (!pressed(sc)) p.fillRect(r, QBrush(ToQColor(clBtnHighlight), Qt::Dense4Pattern));
        }
        const struct {
            SubControl sc;
            Qt::ArrowType type;
        } arrows[] = {{SC_ScrollBarSubLine, horizontal ? Qt::LeftArrow : Qt::UpArrow},
                      {SC_ScrollBarAddLine, horizontal ? Qt::RightArrow : Qt::DownArrow}};
        for (const auto& a : arrows) {
            const QRect r = subControlRect(CC_ScrollBar, sb, a.sc, widget);
            if (r.isEmpty()) continue;
            ButtonPanel(p, r, sb->palette, pressed(a.sc), true);
            ButtonArrow(p, pressed(a.sc) ? r.translated(1, 1) : r, a.type, enabled);
        }
        const QRect thumb = subControlRect(CC_ScrollBar, sb, SC_ScrollBarSlider, widget);
        if (enabled && !thumb.isEmpty()) ButtonPanel(p, thumb, sb->palette, false);
    }
};

}  // namespace

QStyle* CreateApplicationStyle() { return new TClassicStyle; }

void ApplyApplicationLook() {
    // The style first: setting a style resets a palette that was not set.
    QApplication::setStyle(CreateApplicationStyle());
    QApplication::setPalette(SystemColorPalette());
}
