// A form to drive docks, toolbars and the menu-bar panel by hand or with a
// screenshot tool: the panel in place of the menu bar, a top dock with two
// toolbars of glyph buttons (a separator, a drop-down button, a latching
// group), a left dock with a third. Prints where its parts lie.
#include <QApplication>
#include <QPainter>
#include <QTimer>
#include <cstdio>

#include "menus97/MenuBar97.h"
#include "menus97/Menus97.h"
#include "menus97/TB97.h"
#include "platform/Style.h"

namespace {

// A 16 x 16 glyph on the olive transparent colour (its bottom-left pixel).
QImage Glyph(int kind, QColor color) {
    QImage img(16, 16, QImage::Format_RGB32);
    img.fill(QColor(0x80, 0x80, 0x00));
    QPainter p(&img);
    p.setPen(Qt::black);
    p.setBrush(color);
    switch (kind % 4) {
        case 0: p.drawRect(3, 2, 9, 11); break;
        case 1: p.drawEllipse(2, 2, 11, 11); break;
        case 2: p.drawPolygon(QPolygon({QPoint(8, 2), QPoint(14, 13), QPoint(2, 13)})); break;
        default: p.drawRect(2, 5, 12, 6); break;
    }
    p.end();
    img.setPixel(0, 15, qRgb(0x80, 0x80, 0x00));
    return img;
}

TToolbar97* MakeToolbar(TDock97* dock, const char* caption, int count, int firstKind, QColor color,
                        TPopupMenu* dropDown = nullptr, int group = 0) {
    auto* bar = new TToolbar97(dock);
    bar->SetCaption(caption);
    bar->SetDefaultDock(dock);
    for (int i = 0; i < count; ++i) {
        if (i == 3) new TToolbarSep97(bar);
        auto* b = new TToolbarButton97(bar);
        b->SetGlyph(Glyph(firstKind + i, color));
        b->setToolTip(QStringLiteral("%1 %2").arg(caption).arg(i + 1));
        if (group) {
            b->SetGroupIndex(group);
            if (i == 0) b->SetDown(true);
        }
    }
    if (dropDown) {
        new TToolbarSep97(bar);
        auto* b = new TToolbarButton97(bar);
        b->SetGlyph(Glyph(3, QColor(0xE0, 0x40, 0x40)));
        b->resize(32, 22);
        b->SetDropdownMenu(dropDown);
    }
    return bar;
}

TMenuItem* Entry(TMenuItem* parent, const QString& caption) {
    auto* item = new TMenuItem;
    item->SetCaption(caption);
    parent->Add(item);
    return item;
}

void Report(const char* name, QWidget* w) {
    const QPoint g = w->mapToGlobal(QPoint(0, 0));
    std::printf("%s %d %d %d %d\n", name, g.x(), g.y(), w->width(), w->height());
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ApplyApplicationLook();
    QWidget form;
    form.setWindowTitle(QStringLiteral("Menus97 demo"));

    TMainMenu menu(&form);
    for (const char* top : {"&File", "&Edit", "&View", "&Help"}) {
        TMenuItem* item = Entry(menu.GetItems(), QString::fromLatin1(top));
        for (const char* sub : {"&New", "&Open...", "-", "E&xit"}) Entry(item, QString::fromLatin1(sub));
    }
    TMainMenus97 menus(&form);
    menus.SetMainMenu(&menu);
    auto* panel = new TMenuBar97(&form);
    menus.SetToolBar(panel);

    auto* top = new TDock97(&form, dpTop);
    auto* left = new TDock97(&form, dpLeft);
    TPopupMenu dropDown;
    for (const char* e : {"First choice", "Second choice"}) Entry(dropDown.GetItems(), QString::fromLatin1(e));
    TPopupMenus97 dropDown97;
    dropDown97.SetPopupMenu(&dropDown);
    TToolbar97* standard = MakeToolbar(top, "Standard", 6, 0, QColor(0x40, 0x80, 0xE0), &dropDown);
    TToolbar97* drawing = MakeToolbar(top, "Drawing", 4, 1, QColor(0x40, 0xC0, 0x40), nullptr, 1);
    TToolbar97* tools = MakeToolbar(left, "Tools", 3, 2, QColor(0xE0, 0xC0, 0x40));

    form.resize(760, 460);
    form.move(60, 60);
    form.show();
    QTimer::singleShot(800, [&] {
        Report("form", &form);
        Report("panel", panel);
        for (size_t i = 0; i < panel->Buttons().size(); ++i)
            Report(qPrintable(QStringLiteral("menu%1").arg(i)), panel->Buttons()[i]);
        Report("standard", standard);
        Report("drawing", drawing);
        Report("tools", tools);
        for (TToolbar97* bar : {standard, drawing})
            for (QWidget* c : bar->Controls())
                if (auto* b = qobject_cast<TToolbarButton97*>(c))
                    Report(qPrintable(bar->GetCaption() + QStringLiteral("-button")), b);
        std::fflush(stdout);
    });
    return app.exec();
}
