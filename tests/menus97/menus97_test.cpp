#include <gtest/gtest.h>

#include <QApplication>

#include "menus97/Menus97.h"
#include "platform/Paint.h"

TEST(Smoke, Grab) {
    QWidget form;
    TImageList images(16, 16);
    QImage red(16, 16, QImage::Format_RGB32);
    red.fill(Qt::red);
    images.Add(red);
    TPopupMenu menu(&form);
    for (auto c : {"Clouds", "Wood", "Marble"}) {
        auto* i = new TMenuItem;
        i->SetCaption(c);
        menu.GetItems()->Add(i);
    }
    TPopupMenus97 m(&form);
    m.SetPopupMenu(&menu);
    m.SetImages(&images);
    m.SetBrush(0xECECEC);
    m.SetHiliteBar(0xA06950);
    menu.GetWidget()->popup(QPoint(0, 0));
    menu.GetWidget()->setActiveAction(menu.GetItems()->GetItem(1)->Action());
    QImage img = menu.GetWidget()->grab().toImage();
    img.save("/tmp/menus_smoke.png");
    qDebug() << img.size() << menu.GetWidget()->actionGeometry(menu.GetItems()->GetItem(0)->Action());
}
