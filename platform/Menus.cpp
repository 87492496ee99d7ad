#include "platform/Menus.h"

#include <QActionEvent>
#include <QApplication>
#include <QKeyEvent>
#include <QMainWindow>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleOptionMenuItem>

#include "platform/Paint.h"
#include "platform/Style.h"

namespace {

int gLastCommand = 0;
QString gApplicationHint;

// Height of a plain separator in a drop-down with owner-drawn entries.
constexpr int kClassicSeparatorHeight = 9;
// Width of the classic menu border.
constexpr int kClassicMenuBorder = 3;
// The system widens every owner-drawn entry by a check mark's width less one
// (13 - 1 pixels), beyond the width its handler measures.
constexpr int kOwnerDrawExtraWidth = 12;

TMenuItem* ItemOfOption(const QStyleOption* option) {
    return option ? TMenuPopup::ItemOf(qobject_cast<const QAction*>(option->styleObject)) : nullptr;
}

bool IsOwnerDrawnDropDown(const QWidget* widget) {
    const auto* popup = qobject_cast<const TMenuPopup*>(widget);
    return popup && popup->HasOwnerDrawnEntries();
}

bool HasVisibleSubItems(const TMenuItem* item) {
    for (int i = 0; i < item->Count(); ++i)
        if (item->GetItem(i)->GetVisible()) return true;
    return false;
}

// The arrow that marks an entry with a drop-down, 4 pixels wide and 7 high,
// near the right edge.
void DrawSubMenuArrow(QPainter& p, const TRect& r, TColor color) {
    const int x0 = r.Right - 9, cy = r.Top + r.Height() / 2;
    for (int i = 0; i < 4; ++i) FillRect(p, TRect(x0 + i, cy - 3 + i, x0 + i + 1, cy + 4 - i), color);
}

// Lets owner-draw handlers measure and paint their entries, and gives drop-
// downs with such entries the classic frame, background and separators.
class TOwnerDrawMenuStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override {
        if (type == CT_MenuItem) {
            if (TMenuItem* item = ItemOfOption(option); item && item->GetOwnerDraw() && widget) {
                int width = 0, height = 0;
                item->GetOwnerDraw()->MeasureMenuItem(item, const_cast<QWidget*>(widget), width, height);
                return QSize(std::max(0, width + kOwnerDrawExtraWidth), std::max(0, height));
            }
            if (IsOwnerDrawnDropDown(widget)) {
                const auto* mi = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
                if (mi && mi->menuItemType == QStyleOptionMenuItem::Separator)
                    return QSize(1, kClassicSeparatorHeight);  // an empty size would hide it
            }
            return QProxyStyle::sizeFromContents(type, ForStyle(option, widget).get(), size, widget);
        }
        return QProxyStyle::sizeFromContents(type, option, size, widget);
    }

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
        if (element == CE_MenuItem) {
            TMenuItem* item = ItemOfOption(option);
            if (item && item->GetOwnerDraw() && widget) {
                TOwnerDrawState state = 0;
                if (option->state & State_Selected) state |= odSelected;
                if (!item->GetEnabled()) state |= odDisabled | odGrayed;
                if (item->GetChecked()) state |= odChecked;
                if (item->GetDefault()) state |= odDefault;
                const TRect r = TRect::FromQRect(option->rect);
                painter->save();
                item->GetOwnerDraw()->DrawMenuItem(item, const_cast<QWidget*>(widget), *painter, r, state);
                painter->restore();
                // The system draws the drop-down arrow after the entry, at the
                // right end of the entry's own area.
                if (HasVisibleSubItems(item)) {
                    const TRect area = item->GetOwnerDraw()->EntryArea(item, const_cast<QWidget*>(widget), r);
                    DrawSubMenuArrow(*painter, area, (state & odSelected) ? clHighlightText : clMenuText);
                }
                return;
            }
            if (IsOwnerDrawnDropDown(widget)) {
                const auto* mi = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
                if (mi && mi->menuItemType == QStyleOptionMenuItem::Separator) {
                    TMenuItemPainter* entries = static_cast<const TMenuPopup*>(widget)->EntryPainter();
                    painter->save();
                    entries->DrawPlainSeparator(ItemOfOption(option), const_cast<QWidget*>(widget), *painter,
                                                TRect::FromQRect(option->rect));
                    painter->restore();
                    return;
                }
            }
            QProxyStyle::drawControl(element, ForStyle(option, widget).get(), painter, widget);
            return;
        }
        if (element == CE_MenuEmptyArea && IsOwnerDrawnDropDown(widget)) {
            FillRect(*painter, TRect::FromQRect(option->rect), clMenu);
            return;
        }
        QProxyStyle::drawControl(element, option, painter, widget);
    }

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override {
        if (IsOwnerDrawnDropDown(widget)) {
            if (element == PE_PanelMenu) {
                FillRect(*painter, TRect::FromQRect(option->rect), clMenu);
                return;
            }
            if (element == PE_FrameMenu) {
                TRect r = TRect::FromQRect(widget->rect());
                DrawEdge(*painter, r, EDGE_RAISED, BF_RECT | BF_ADJUST);
                FrameRect(*painter, r, clMenu);
                return;
            }
        }
        QProxyStyle::drawPrimitive(element, option, painter, widget);
    }

    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
        if (IsOwnerDrawnDropDown(widget)) {
            if (metric == PM_MenuPanelWidth) return kClassicMenuBorder;
            if (metric == PM_MenuHMargin || metric == PM_MenuVMargin) return 0;
        }
        return QProxyStyle::pixelMetric(metric, option, widget);
    }

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        // Disabled owner-drawn entries take the selection like the others.
        if (hint == SH_Menu_AllowActiveAndDisabled && IsOwnerDrawnDropDown(widget)) return 1;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }

private:
    // The option as the base style expects it: the style object is the
    // widget, not the entry's row action.
    static std::unique_ptr<QStyleOptionMenuItem> ForStyle(const QStyleOption* option, const QWidget* widget) {
        const auto* mi = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
        auto copy = std::make_unique<QStyleOptionMenuItem>(mi ? *mi : QStyleOptionMenuItem());
        if (!mi) static_cast<QStyleOption&>(*copy) = *option;
        copy->styleObject = const_cast<QWidget*>(widget);
        return copy;
    }
};

QStyle* SharedMenuStyle() {
    static QPointer<QStyle> style;
    if (!style) {
        QStyle* base = CreateApplicationStyle();
        style = new TOwnerDrawMenuStyle(base);
        style->setParent(qApp);
    }
    return style;
}

}  // namespace

// ---- free functions --------------------------------------------------------

QString ShortCutToText(const QKeySequence& shortCut) { return shortCut.toString(QKeySequence::PortableText); }

QKeySequence TextToShortCut(const QString& text) { return QKeySequence::fromString(text, QKeySequence::PortableText); }

QString GetApplicationHint() { return gApplicationHint; }

void SetApplicationHint(const QString& hint) { gApplicationHint = hint; }

void DrawEtchedMenuLine(QPainter& canvas, const TRect& rect) {
    const int mid = rect.Top + (rect.Bottom - rect.Top) / 2;
    Line(canvas, TPen(clBtnShadow), rect.Left + 1, mid, rect.Right - 1, mid);
    Line(canvas, TPen(clBtnHighlight), rect.Left + 1, mid + 1, rect.Right - 1, mid + 1);
}

TMenuItem* TMenuItemPainter::MenuChar(TMenuItem*, QChar) { return nullptr; }

void TMenuItemPainter::DrawPlainSeparator(TMenuItem*, QWidget*, QPainter& canvas, const TRect& rect) {
    FillRect(canvas, rect, clMenu);
    DrawEtchedMenuLine(canvas, rect);
}

TRect TMenuItemPainter::EntryArea(TMenuItem*, QWidget*, const TRect& rect) { return rect; }

// ---- TMenuItem -------------------------------------------------------------

TMenuItem::TMenuItem(QObject* owner) : QObject(owner), FCommand(++gLastCommand), FAction(new QAction(this)) {
    connect(FAction, &QAction::triggered, this, [this] { Click(); });
}

TMenuItem::~TMenuItem() {
    Clear();
    if (FParent) FParent->Remove(this);
    FAction->setMenu(static_cast<QMenu*>(nullptr));
    delete FAction;
    FDropDown.reset();
}

TMenuItem* TMenuItem::GetItem(int index) const {
    return index >= 0 && index < Count() ? FItems[static_cast<size_t>(index)] : nullptr;
}

int TMenuItem::IndexOf(const TMenuItem* item) const {
    for (size_t i = 0; i < FItems.size(); ++i)
        if (FItems[i] == item) return static_cast<int>(i);
    return -1;
}

QWidget* TMenuItem::RowContainer() const {
    if (FBar) return FBar;
    return FDropDown.get();
}

void TMenuItem::EnsureDropDown() {
    if (!FDropDown && !FBar) FDropDown = std::make_unique<TMenuPopup>(this);
}

void TMenuItem::Insert(int index, TMenuItem* item) {
    if (!item) return;
    for (const TMenuItem* a = this; a; a = a->FParent)
        if (a == item) return;  // an item cannot hold itself or an ancestor
    if (item->FParent) item->FParent->Remove(item);
    index = std::clamp(index, 0, Count());
    EnsureDropDown();
    FItems.insert(FItems.begin() + index, item);
    item->FParent = this;
    item->setParent(this);
    QAction* before = index + 1 < Count() ? FItems[static_cast<size_t>(index) + 1]->FAction : nullptr;
    RowContainer()->insertAction(before, item->FAction);
    item->UpdateAction();
    item->UpdateShortCutAction();
    UpdateAction();
}

void TMenuItem::Remove(TMenuItem* item) {
    const int i = IndexOf(item);
    if (i < 0) return;
    FItems.erase(FItems.begin() + i);
    if (QWidget* c = RowContainer()) c->removeAction(item->FAction);
    item->FParent = nullptr;
    item->setParent(nullptr);
    item->UpdateShortCutAction();
    UpdateAction();
}

void TMenuItem::Delete(int index) { delete GetItem(index); }

void TMenuItem::Clear() {
    while (!FItems.empty()) delete FItems.back();
}

TMenuItem* TMenuItem::Find(const QString& caption) const {
    const auto plain = [](QString s) { return s.remove(QLatin1Char('&')); };
    for (TMenuItem* item : FItems)
        if (plain(item->FCaption) == plain(caption)) return item;
    return nullptr;
}

TMenu* TMenuItem::GetMenu() const {
    const TMenuItem* root = this;
    while (root->FParent) root = root->FParent;
    return root->FRootOf;
}

void TMenuItem::SetCaption(const QString& value) {
    if (!ChangeField(FCaption, value)) return;
    UpdateAction();
}

void TMenuItem::SetChecked(bool value) {
    if (!ChangeField(FChecked, value)) return;
    if (FChecked && FRadioItem) UncheckRadioSiblings();
    Remeasure();
}

void TMenuItem::UncheckRadioSiblings() {
    if (!FParent) return;
    for (TMenuItem* sibling : FParent->FItems)
        if (sibling != this && sibling->FRadioItem && sibling->FGroupIndex == FGroupIndex) sibling->SetChecked(false);
}

void TMenuItem::SetRadioItem(bool value) {
    if (!ChangeField(FRadioItem, value)) return;
    if (FChecked && FRadioItem) UncheckRadioSiblings();
    Remeasure();
}

void TMenuItem::SetEnabled(bool value) {
    if (!ChangeField(FEnabled, value)) return;
    UpdateAction();
    UpdateShortCutAction();
}

void TMenuItem::SetVisible(bool value) {
    if (!ChangeField(FVisible, value)) return;
    UpdateAction();
}

void TMenuItem::SetDefault(bool value) {
    if (!ChangeField(FDefault, value)) return;
    Remeasure();
}

void TMenuItem::SetShortCut(const QKeySequence& value) {
    if (!ChangeField(FShortCut, value)) return;
    UpdateAction();
    UpdateShortCutAction();
}

void TMenuItem::Click() {
    if (FEnabled && OnClick) OnClick(this);
}

void TMenuItem::SetOwnerDraw(TMenuItemPainter* painter) {
    if (FOwnerDraw == painter) return;
    FOwnerDraw = painter;
    UpdateAction();
    Remeasure();
}

void TMenuItem::Remeasure() {
    if (!FParent) return;
    QWidget* c = FParent->RowContainer();
    if (!c) return;
    // The drop-down or bar lays its rows out again on a changed action.
    QActionEvent e(QEvent::ActionChanged, FAction);
    QApplication::sendEvent(c, &e);
}

void TMenuItem::UpdateAction() {
    FAction->setSeparator(IsLine());
    // A separator with text is drawn as a titled section by some styles.
    QString text = IsLine() ? QString() : FCaption;
    const bool barEntry = FParent && FParent->FBar;
    // The style draws a short-cut after a tab; owner-drawn entries draw their own.
    if (!FOwnerDraw && !FShortCut.isEmpty() && FItems.empty() && !barEntry)
        text += QLatin1Char('\t') + ShortCutToText(FShortCut);
    // A separator with text is a titled section in some styles.
    FAction->setText(IsLine() ? QString() : text);
    FAction->setEnabled(FEnabled);
    FAction->setVisible(FVisible);
    if (!FRootOf) FAction->setMenu(FItems.empty() ? static_cast<QMenu*>(nullptr) : FDropDown.get());
}

void TMenuItem::UpdateShortCutAction() {
    TMenu* menu = GetMenu();
    QWidget* window = menu ? menu->GetWindow() : nullptr;
    if (FShortCut.isEmpty() || !window) {
        delete FShortCutAction;
        FShortCutAction = nullptr;
    } else {
        if (!FShortCutAction) {
            FShortCutAction = new QAction(this);
            FShortCutAction->setShortcutContext(Qt::WindowShortcut);
            connect(FShortCutAction, &QAction::triggered, this, [this] { Click(); });
        }
        FShortCutAction->setShortcut(FShortCut);
        FShortCutAction->setEnabled(FEnabled);
        for (QObject* w : FShortCutAction->associatedObjects())
            if (w != window) static_cast<QWidget*>(w)->removeAction(FShortCutAction);
        if (!window->actions().contains(FShortCutAction)) window->addAction(FShortCutAction);
    }
    for (TMenuItem* item : FItems) item->UpdateShortCutAction();
}

// ---- TMenuPopup --------------------------------------------------------------

TMenuPopup::TMenuPopup(TMenuItem* owner) : QMenu(nullptr), FOwner(owner) {
    setStyle(SharedMenuStyle());
    connect(this, &QMenu::aboutToShow, this, [this] {
        if (FOwner->GetParent()) {
            // A drop-down opening clicks its entry, so that it can fill it.
            FOwner->Click();
        } else if (auto* popup = qobject_cast<TPopupMenu*>(FOwner->GetMenu()); popup && popup->OnPopup) {
            popup->OnPopup(popup);
        }
        if (TMenu* menu = FOwner->GetMenu()) emit menu->DropDownShowing(FOwner);
    });
}

TMenuItem* TMenuPopup::ItemOf(const QAction* action) {
    if (!action) return nullptr;
    auto* item = qobject_cast<TMenuItem*>(action->parent());
    return item && item->Action() == action ? item : nullptr;
}

bool TMenuPopup::HasOwnerDrawnEntries() const { return EntryPainter() != nullptr; }

TMenuItemPainter* TMenuPopup::EntryPainter() const {
    for (QAction* a : actions())
        if (TMenuItem* item = ItemOf(a); item && item->GetOwnerDraw()) return item->GetOwnerDraw();
    return nullptr;
}

void TMenuPopup::Relayout() {
    const QList<QAction*> list = actions();
    if (list.isEmpty()) return;
    QActionEvent e(QEvent::ActionChanged, list.first());
    QApplication::sendEvent(this, &e);
}

void TMenuPopup::initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const {
    QMenu::initStyleOption(option, action);
    TMenuItem* item = ItemOf(action);
    if (!item) return;
    // The handlers and the style find the entry through its row action.
    option->styleObject = const_cast<QAction*>(action);
    option->menuHasCheckableItems = true;
    option->checked = item->GetChecked();
    if (item->GetChecked())
        option->checkType = item->GetRadioItem() ? QStyleOptionMenuItem::Exclusive : QStyleOptionMenuItem::NonExclusive;
    if (item->GetDefault()) {
        option->font.setBold(true);
        if (option->menuItemType == QStyleOptionMenuItem::Normal)
            option->menuItemType = QStyleOptionMenuItem::DefaultItem;
    }
}

void TMenuPopup::keyPressEvent(QKeyEvent* event) {
    const QString text = event->text();
    const bool plain = !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (plain && text.size() == 1 && text[0].isPrint()) {
        for (QAction* a : actions()) {
            TMenuItem* item = ItemOf(a);
            if (!item || !item->GetOwnerDraw()) continue;
            if (TMenuItem* hit = item->GetOwnerDraw()->MenuChar(FOwner, text[0])) {
                // Choose the entry as Return would: open its drop-down or run it.
                setActiveAction(hit->Action());
                QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
                QMenu::keyPressEvent(&enter);
                return;
            }
            break;
        }
    }
    QMenu::keyPressEvent(event);
}

// ---- TMenu, TPopupMenu, TMainMenu --------------------------------------------

TMenu::TMenu(QObject* owner) : QObject(owner), FItems(new TMenuItem(this)) { FItems->FRootOf = this; }

TMenu::~TMenu() {
    // Entries reach the menu while they go, so they go first.
    delete FItems;
}

TMenuItem* TMenu::FindItem(int command) const {
    std::vector<TMenuItem*> stack{FItems};
    while (!stack.empty()) {
        TMenuItem* item = stack.back();
        stack.pop_back();
        if (item != FItems && item->GetCommand() == command) return item;
        for (int i = item->Count() - 1; i >= 0; --i) stack.push_back(item->GetItem(i));
    }
    return nullptr;
}

void TMenu::SetWindow(QWidget* window) {
    FWindow = window;
    FItems->UpdateShortCutAction();
}

TPopupMenu::TPopupMenu(QObject* owner) : TMenu(owner) { FItems->EnsureDropDown(); }

void TPopupMenu::Popup(int x, int y) { GetWidget()->popup(QPoint(x, y)); }

TMainMenu::TMainMenu(QWidget* form) : TMenu(form), FBar(new QMenuBar(form)) {
    FItems->FBar = FBar;
    if (auto* mainWindow = qobject_cast<QMainWindow*>(form)) mainWindow->setMenuBar(FBar);
    SetWindow(form);
}
