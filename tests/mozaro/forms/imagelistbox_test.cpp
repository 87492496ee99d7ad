#include <gtest/gtest.h>

#include <QApplication>
#include <QPainter>
#include <QTest>
#include <memory>

#include "mozaro/Layer.h"
#include "mozaro/forms/ImageListBox.h"
#include "platform/DrawText.h"
#include "platform/Paint.h"

namespace {

QImage Solid(int w, int h, TColor color) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(ToQColor(color));
    return img;
}

// An image list of n solid pictures: picture k in colour Colors[k].
const TColor Colors[] = {clRed, clLime, clBlue, clYellow, clFuchsia};
std::unique_ptr<TImageList> SolidList(int n, int size = 32) {
    auto list = std::make_unique<TImageList>(size, size);
    for (int k = 0; k < n; ++k) list->Add(Solid(size, size, Colors[k]));
    return list;
}

void AddItems(TAutoCustomImageListBox& box, std::initializer_list<const char*> texts) {
    for (const char* t : texts) box.addItem(QString::fromUtf8(t));
}

// Item index of control drawn into a w x h picture (white around it).
QImage DrawnItem(TImageItemsControl& control, int index, int w, int h, bool selected, bool focused = false) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    control.DrawItem(p, index, TRect(0, 0, w, h), selected, focused);
    return img;
}

TColor At(const QImage& img, int x, int y) { return ImagePixelColor(img, x, y); }

}  // namespace

TEST(ImageRecords, NumberBeforeTheCommaAndDataAfterIt) {
    EXPECT_EQ(RecordImageIndex("7,abc"), 7);
    EXPECT_EQ(RecordData("7,abc"), "abc");
    EXPECT_EQ(RecordImageIndex("7"), -1);
    EXPECT_EQ(RecordData("7"), "");
    EXPECT_EQ(RecordImageIndex(""), -1);
    // No integer before the comma: no picture, the data still reads.
    EXPECT_EQ(RecordImageIndex("x,abc"), -1);
    EXPECT_EQ(RecordData("x,abc"), "abc");
    EXPECT_EQ(RecordImageIndex(",abc"), -1);
    EXPECT_EQ(RecordImageIndex("12,a,b"), 12);
    EXPECT_EQ(RecordData("12,a,b"), "a,b");
    EXPECT_EQ(RecordImageIndex(" 3,"), 3);
    EXPECT_EQ(RecordImageIndex("99999999999,"), -1);  // out of 32 bits
    const std::string longData(1500, 'q');
    EXPECT_EQ(RecordData("1," + longData), std::string(kMaxItemDataLength, 'q'));
}

TEST(ImageListBox, StartValues) {
    TAutoCustomImageListBox box;
    TAutoImageComboBox combo;
    for (TImageItemsControl* c : {static_cast<TImageItemsControl*>(&box), static_cast<TImageItemsControl*>(&combo)}) {
        EXPECT_EQ(c->GetAlignment(), taLeftJustify);
        EXPECT_EQ(c->GetVertAlignment(), tvaCenter);
        EXPECT_EQ(c->GetImageAlign(), aliLeft);
        EXPECT_EQ(c->GetItemHeight(), 0);
        EXPECT_FALSE(c->GetMultiLines());
        EXPECT_EQ(c->GetImageList(), nullptr);
        EXPECT_EQ(c->GetColor(), clWindow);
        EXPECT_FALSE(c->OnDrawItem);
    }
    EXPECT_EQ(combo.GetDropDownCount(), 8);
    EXPECT_FALSE(combo.GetSorted());
    EXPECT_FALSE(box.GetSorted());
}

TEST(ImageListBox, RecordsOfTheItems) {
    TAutoCustomImageListBox box;
    AddItems(box, {"a", "b", "c"});
    TStringList records{"7,abc", "7", "x,abc", "5,beyond the items"};
    box.SetSaveStrings(records);
    EXPECT_EQ(box.GetItemImageIndex(0), 7);
    EXPECT_EQ(box.GetItemData(0), "abc");
    EXPECT_EQ(box.GetItemImageIndex(1), -1);
    EXPECT_EQ(box.GetItemImageIndex(2), -1);
    EXPECT_EQ(box.GetItemData(2), "abc");
    // Past the list.
    EXPECT_EQ(box.GetItemImageIndex(3), -1);
    EXPECT_EQ(box.GetItemImageIndex(-1), -1);
    EXPECT_EQ(box.GetItemData(3), "");
    EXPECT_EQ(box.GetSaveStrings(), TStringList({"7,abc", "7", "x,abc"}));

    // Set picture index: only inside the list, in both classes.
    for (TImageItemsControl* c : std::initializer_list<TImageItemsControl*>{&box}) {
        c->SetItemImageIndex(-1, 4);
        c->SetItemImageIndex(3, 4);
        EXPECT_EQ(c->GetSaveStrings(), TStringList({"7,abc", "7", "x,abc"}));
        c->SetItemImageIndex(0, 2);
        c->SetItemImageIndex(1, 3);
        EXPECT_EQ(c->GetSaveStrings(), TStringList({"2,abc", "3,", "x,abc"}));
    }
    TAutoImageComboBox combo;
    combo.addItem("a", "1,x");
    combo.addItem("b");
    combo.SetItemImageIndex(-1, 4);
    combo.SetItemImageIndex(2, 4);
    EXPECT_EQ(combo.GetSaveStrings(), TStringList({"1,x", ""}));
    combo.SetItemImageIndex(1, 0);
    EXPECT_EQ(combo.GetSaveStrings(), TStringList({"1,x", "0,"}));
}

TEST(ImageListBox, RecordsTravelWithTheirItems) {
    TAutoCustomImageListBox box;
    AddItems(box, {"zero", "one", "two", "three", "four"});
    box.SetSaveStrings(TStringList{"0,", "1,", "2,", "3,three", "4,"});
    // A text change keeps the picture.
    box.item(3)->setText("tres");
    EXPECT_EQ(box.GetItemImageIndex(3), 3);
    EXPECT_EQ(box.GetItemData(3), "three");
    // An inserted item has no picture; the later records move with their items.
    box.insertItem(3, "new");
    EXPECT_EQ(box.GetSaveStrings(), TStringList({"0,", "1,", "2,", "", "3,three", "4,"}));
    delete box.takeItem(1);
    EXPECT_EQ(box.GetSaveStrings(), TStringList({"0,", "2,", "", "3,three", "4,"}));
    // Sorting takes the records along.
    box.SetSorted(true);
    EXPECT_EQ(box.GetItemText(2), "tres");
    EXPECT_EQ(box.GetItemRecord(2), "3,three");
    EXPECT_EQ(box.GetItemText(4), "zero");
    EXPECT_EQ(box.GetItemRecord(4), "0,");

    TAutoImageComboBox combo;
    for (const char* t : {"b", "a", "c"}) combo.addItem(t);
    combo.SetSaveStrings(TStringList{"1,b", "0,a", "2,c"});
    combo.setItemText(0, "bb");
    EXPECT_EQ(combo.GetItemImageIndex(0), 1);
    combo.insertItem(1, "new");
    EXPECT_EQ(combo.GetSaveStrings(), TStringList({"1,b", "", "0,a", "2,c"}));
    combo.SetSorted(true);
    EXPECT_EQ(combo.GetItemText(0), "a");
    EXPECT_EQ(combo.GetItemRecord(0), "0,a");
    EXPECT_EQ(combo.GetItemText(1), "bb");
    EXPECT_EQ(combo.GetItemRecord(1), "1,b");
    // Kept sorted as items come.
    combo.addItem("aa", "4,");
    EXPECT_EQ(combo.GetItemText(1), "aa");
    EXPECT_EQ(combo.GetItemRecord(1), "4,");
    EXPECT_EQ(combo.GetItemRecord(2), "1,b");
}

TEST(ImageListBox, ItemHeights) {
    const int textHeight = QFontMetrics(QApplication::font()).height();
    ASSERT_LT(textHeight, 32);
    auto images = SolidList(3);
    TAutoCustomImageListBox box;
    TAutoImageComboBox combo;
    AddItems(box, {"a", "b"});
    combo.addItem("a");
    combo.addItem("b");
    for (TImageItemsControl* c : {static_cast<TImageItemsControl*>(&box), static_cast<TImageItemsControl*>(&combo)}) {
        EXPECT_EQ(c->EffectiveItemHeight(), textHeight + 2);
        c->SetImageList(images.get());
        EXPECT_EQ(c->EffectiveItemHeight(), 34);
        c->SetItemHeight(12);
        EXPECT_EQ(c->GetItemHeight(), 12);
        EXPECT_EQ(c->EffectiveItemHeight(), 12);  // as set, though the pictures are taller
        c->SetItemHeight(5);
        EXPECT_EQ(c->GetItemHeight(), 0);
        EXPECT_EQ(c->EffectiveItemHeight(), 34);  // automatic
    }
    // The views lay their rows out at that height.
    box.resize(200, 200);
    box.show();
    EXPECT_EQ(box.visualItemRect(box.item(1)).height(), 34);
    EXPECT_EQ(box.visualItemRect(box.item(1)).top(), 34);
    EXPECT_EQ(combo.view()->sizeHintForRow(0), 34);
    EXPECT_GE(combo.sizeHint().height(), 34);

    // The image list is watched: a new size re-measures, its end drops it.
    images->SetSize(40, 40);
    EXPECT_EQ(box.EffectiveItemHeight(), 42);
    EXPECT_EQ(combo.EffectiveItemHeight(), 42);
    images.reset();
    EXPECT_EQ(box.GetImageList(), nullptr);
    EXPECT_EQ(combo.GetImageList(), nullptr);
    EXPECT_EQ(box.EffectiveItemHeight(), textHeight + 2);
    EXPECT_EQ(combo.EffectiveItemHeight(), textHeight + 2);
    box.update();
    QApplication::processEvents();

    // A larger font measures again.
    QFont big = box.font();
    big.setPixelSize(40);
    box.setFont(big);
    EXPECT_EQ(box.EffectiveItemHeight(), QFontMetrics(big).height() + 2);
}

TEST(ImageListBox, PictureRectangle) {
    auto images = std::make_unique<TImageList>(16, 32);  // half as wide as high
    TAutoCustomImageListBox box;
    TAutoImageComboBox combo;
    box.SetImageList(images.get());
    combo.SetImageList(images.get());
    const TRect item(10, 20, 210, 54);  // 34 high: w = 32 * 16 / 32 = 16
    EXPECT_EQ(box.PictureRect(item), TRect(11, 21, 28, 53));
    EXPECT_EQ(combo.PictureRect(item), TRect(9, 21, 28, 53));
    box.SetImageAlign(aliRight);
    combo.SetImageAlign(aliRight);
    EXPECT_EQ(box.PictureRect(item), TRect(192, 21, 209, 53));
    EXPECT_EQ(combo.PictureRect(item), TRect(192, 21, 209, 53));
}

TEST(ImageListBox, ZeroSizedImagesShowNoPicture) {
    TImageList empty(0, 0);
    TAutoCustomImageListBox box;
    TAutoImageComboBox combo;
    AddItems(box, {"a"});
    combo.addItem("a");
    box.SetItemImageIndex(0, 0);
    combo.SetItemImageIndex(0, 0);
    for (TImageItemsControl* c : {static_cast<TImageItemsControl*>(&box), static_cast<TImageItemsControl*>(&combo)}) {
        c->SetImageList(&empty);
        EXPECT_FALSE(c->HasPicture(0));
        // Drawing divides nothing by the zero height.
        const QImage img = DrawnItem(*c, 0, 100, 20, true);
        EXPECT_EQ(At(img, 60, 1), TColor(ColorToRGB(clHighlight)));
    }
}

TEST(ImageListBox, ListBoxDrawing) {
    auto images = SolidList(3);
    TAutoCustomImageListBox box;
    box.SetImageList(images.get());
    AddItems(box, {"one", "two", "three", "four"});
    box.SetSaveStrings(TStringList{"0,", "2,", "7,", ""});
    const int w = 150, h = 34;
    const TRect pic = box.PictureRect(TRect(0, 0, w, h));
    ASSERT_EQ(pic, TRect(1, 1, 34, 33));

    // Unselected: the picture fills the picture rectangle made one pixel
    // smaller; a frame of the control's colour around it.
    QImage img = DrawnItem(box, 1, w, h, false);
    const TColor window = ColorToRGB(clWindow);
    EXPECT_EQ(At(img, 2, 2), clBlue);
    EXPECT_EQ(At(img, 32, 31), clBlue);
    EXPECT_EQ(At(img, 1, 1), window);
    EXPECT_EQ(At(img, 33, 32), window);
    EXPECT_EQ(At(img, 0, 0), window);
    EXPECT_EQ(At(img, w - 1, 0), window);

    // Selected: highlight right of the picture only; a raised frame around it
    // (dark shadow right and bottom, light left and top on a window colour).
    img = DrawnItem(box, 1, w, h, true);
    const TColor highlight = ColorToRGB(clHighlight);
    EXPECT_EQ(At(img, 36, 10), highlight);
    EXPECT_EQ(At(img, w - 1, 0), highlight);
    EXPECT_EQ(At(img, 0, 10), TColor(0xFFFFFF));  // beside the picture: untouched
    EXPECT_EQ(At(img, 34, 10), TColor(0xFFFFFF));
    EXPECT_EQ(At(img, 33, 10), TColor(ColorToRGB(cl3DDkShadow)));
    EXPECT_EQ(At(img, 10, 32), TColor(ColorToRGB(cl3DDkShadow)));
    EXPECT_EQ(At(img, 1, 10), TColor(ColorToRGB(cl3DLight)));
    EXPECT_EQ(At(img, 10, 1), TColor(ColorToRGB(cl3DLight)));
    EXPECT_EQ(At(img, 10, 10), clBlue);
    // On another colour the left and top edge is the raised inner highlight.
    box.SetColor(clSilver);
    img = DrawnItem(box, 1, w, h, true);
    EXPECT_EQ(At(img, 1, 10), TColor(ColorToRGB(clBtnHighlight)));
    EXPECT_EQ(At(img, 33, 10), TColor(ColorToRGB(cl3DDkShadow)));
    box.SetColor(clWindow);

    // A picture index at or past the count shows no picture; the text starts
    // where it does with a picture.
    std::vector<TRect> textRects;
    box.OnDrawItem = [&](QObject* sender, int, const TRect& r) {
        EXPECT_EQ(sender, &box);
        EXPECT_NE(box.GetCanvas(), nullptr);
        textRects.push_back(r);
    };
    img = DrawnItem(box, 2, w, h, false);
    EXPECT_EQ(At(img, 10, 10), window);
    DrawnItem(box, 0, w, h, false);
    DrawnItem(box, 3, w, h, false);
    ASSERT_EQ(textRects.size(), 3u);
    EXPECT_EQ(textRects[0], TRect(pic.Right + 3, 2, w - 3, h - 2));
    EXPECT_EQ(textRects[1], textRects[0]);
    EXPECT_EQ(textRects[2], textRects[0]);
    EXPECT_EQ(box.GetCanvas(), nullptr);
    // Right-aligned pictures: the text ends left of the picture.
    box.SetImageAlign(aliRight);
    textRects.clear();
    DrawnItem(box, 0, w, h, false);
    EXPECT_EQ(textRects[0], TRect(3, 2, box.PictureRect(TRect(0, 0, w, h)).Left - 3, h - 2));
    box.SetImageAlign(aliLeft);
    box.OnDrawItem = nullptr;
}

TEST(ImageListBox, TextFormatAndFocusRectangle) {
    TAutoCustomImageListBox box;
    AddItems(box, {"A&&b\tc"});
    const int w = 120, h = 30;
    // Without an image list the text lies one pixel in from left and right,
    // left-aligned, centred vertically, "&" shown as it is, tabs expanded.
    const QImage drawn = DrawnItem(box, 0, w, h, false);
    auto textAlone = [&](unsigned format) {
        QImage img(w, h, QImage::Format_RGB32);
        img.fill(ToQColor(clWindow));
        QPainter p(&img);
        p.setFont(box.font());
        p.setPen(ToQColor(GetFontColor(&box)));
        TRect r(1, 0, w - 1, h);
        DrawTextEx(p, QStringLiteral("A&&b\tc"), r,
                   format | DT_EXPANDTABS | DT_EDITCONTROL | DT_SINGLELINE | DT_VCENTER);
        return img;
    };
    EXPECT_EQ(drawn, textAlone(DT_NOPREFIX));
    // The prefix form would differ (one "&", "b" underlined).
    const QImage prefixed = textAlone(0);
    EXPECT_NE(drawn, prefixed);

    // Focus: a dotted rectangle on the item, inset 2 and 3 with an image list.
    auto images = SolidList(1);
    box.SetImageList(images.get());
    const QImage plain = DrawnItem(box, 0, w, 40, false, false);
    const QImage focused = DrawnItem(box, 0, w, 40, false, true);
    auto changedInRow = [&](int y) {
        int n = 0;
        for (int x = 0; x < w; ++x) n += At(plain, x, y) != At(focused, x, y);
        return n;
    };
    auto changedInColumn = [&](int x) {
        int n = 0;
        for (int y = 0; y < 40; ++y) n += At(plain, x, y) != At(focused, x, y);
        return n;
    };
    EXPECT_EQ(changedInRow(2), 0);
    EXPECT_GT(changedInRow(3), 20);
    EXPECT_GT(changedInRow(36), 20);
    EXPECT_EQ(changedInRow(37), 0);
    EXPECT_EQ(changedInColumn(1), 0);
    EXPECT_GT(changedInColumn(2), 5);
    EXPECT_GT(changedInColumn(w - 3), 5);
    EXPECT_EQ(changedInColumn(w - 2), 0);
}

TEST(ImageComboBox, Drawing) {
    auto images = SolidList(3);
    TAutoImageComboBox combo;
    combo.SetImageList(images.get());
    combo.addItem("red", "0,");
    combo.addItem("blue", "2,");
    const int w = 150, h = 34;
    const TRect pic = combo.PictureRect(TRect(0, 0, w, h));
    ASSERT_EQ(pic, TRect(-1, 1, 34, 33));
    // Unselected: whole item in the control's colour, the picture inside.
    QImage img = DrawnItem(combo, 1, w, h, false);
    EXPECT_EQ(At(img, 0, 10), clBlue);
    EXPECT_EQ(At(img, 32, 31), clBlue);
    EXPECT_EQ(At(img, 33, 10), TColor(ColorToRGB(clWindow)));
    EXPECT_EQ(At(img, 10, 1), TColor(ColorToRGB(clWindow)));
    // Highlighted: a raised edge around the picture (its inner line lies
    // under the picture), highlight elsewhere.
    img = DrawnItem(combo, 1, w, h, true);
    EXPECT_EQ(At(img, 33, 10), TColor(ColorToRGB(cl3DDkShadow)));
    EXPECT_EQ(At(img, 10, 32), TColor(ColorToRGB(cl3DDkShadow)));
    EXPECT_EQ(At(img, 10, 1), TColor(ColorToRGB(cl3DLight)));
    EXPECT_EQ(At(img, 10, 2), clBlue);
    EXPECT_EQ(At(img, 10, 10), clBlue);
    EXPECT_EQ(At(img, 100, 0), TColor(ColorToRGB(clHighlight)));

    // The closed box shows the current item with its picture.
    combo.setCurrentIndex(0);
    combo.resize(combo.sizeHint().width() + 40, combo.sizeHint().height());
    const QImage shot = combo.grab().toImage();
    int red = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) red += ImagePixelColor(shot, x, y) == clRed;
    EXPECT_GT(red, 25 * 25);
}

TEST(ImageComboBox, ChangeComesFromTheUserOnly) {
    TAutoImageComboBox combo;
    for (const char* t : {"a", "b", "c"}) combo.addItem(t);
    int changes = 0;
    combo.OnChange = [&](QObject* sender) {
        EXPECT_EQ(sender, &combo);
        ++changes;
    };
    combo.setCurrentIndex(1);
    EXPECT_EQ(changes, 0);
    combo.show();
    combo.setFocus();
    QTest::keyClick(&combo, Qt::Key_Down);
    EXPECT_EQ(combo.currentIndex(), 2);
    EXPECT_EQ(changes, 1);
}

TEST(ImageListBox, Assign) {
    auto images = SolidList(2);
    TAutoImageComboBox combo;
    combo.SetImageList(images.get());
    combo.addItem("one", "1,x");
    combo.addItem("two");
    combo.SetAlignment(taCenter);
    combo.SetVertAlignment(tvaBottom);
    combo.SetImageAlign(aliRight);
    combo.SetMultiLines(true);
    combo.SetItemHeight(40);
    QFont f = combo.font();
    f.setPixelSize(17);
    combo.setFont(f);

    // The list box takes everything, ItemHeight too.
    TAutoCustomImageListBox box;
    box.addItem("old");
    box.Assign(combo);
    EXPECT_EQ(box.GetImageList(), images.get());
    EXPECT_EQ(box.ItemCount(), 2);
    EXPECT_EQ(box.GetItemText(0), "one");
    EXPECT_EQ(box.GetSaveStrings(), TStringList({"1,x", ""}));
    EXPECT_EQ(box.GetAlignment(), taCenter);
    EXPECT_EQ(box.GetVertAlignment(), tvaBottom);
    EXPECT_EQ(box.GetImageAlign(), aliRight);
    EXPECT_TRUE(box.GetMultiLines());
    EXPECT_EQ(box.font().pixelSize(), 17);
    EXPECT_EQ(box.GetItemHeight(), 40);
    EXPECT_EQ(box.EffectiveItemHeight(), 40);

    // The combo box never takes ItemHeight.
    TAutoImageComboBox other;
    other.Assign(box);
    EXPECT_EQ(other.GetItemHeight(), 0);
    EXPECT_EQ(other.EffectiveItemHeight(), std::max(QFontMetrics(f).height(), 32) + 2);
    EXPECT_EQ(other.GetSaveStrings(), TStringList({"1,x", ""}));
    EXPECT_EQ(other.GetAlignment(), taCenter);
    TAutoImageComboBox third;
    third.Assign(combo);
    EXPECT_EQ(third.GetItemHeight(), 0);
    EXPECT_EQ(third.GetItemText(1), "two");
    TAutoCustomImageListBox fourth;
    fourth.Assign(box);
    EXPECT_EQ(fourth.GetItemHeight(), 40);
}

TEST(AlgorithmPicker, ItemsRecordsAndPictures) {
    EXPECT_EQ(AlgorithmPictureIndex(0), 0);
    EXPECT_EQ(AlgorithmPictureIndex(13), 13);
    EXPECT_EQ(AlgorithmPictureIndex(14), 20);
    EXPECT_EQ(AlgorithmPictureIndex(15), 15);
    EXPECT_EQ(AlgorithmPictureIndex(19), 19);
    EXPECT_EQ(AlgorithmPictureIndex(20), 21);
    EXPECT_EQ(AlgorithmPictureIndex(24), 25);
    EXPECT_EQ(AlgorithmPictureIndex(25), -1);
    EXPECT_EQ(AlgorithmPictureIndex(-1), -1);

    QObject owner;
    TImageList* images = MakeAlgorithmImageList(&owner);
    ASSERT_EQ(images->Count(), 26);
    EXPECT_EQ(images->GetWidth(), 32);
    EXPECT_EQ(images->GetHeight(), 32);

    TAutoImageComboBox picker;
    FillAlgorithmPicker(picker, images);
    ASSERT_EQ(picker.count(), 25);
    EXPECT_EQ(picker.GetItemText(0), "Shifted Plasma 1");
    EXPECT_EQ(picker.GetItemText(14), "Noise Rings");
    EXPECT_EQ(picker.GetItemText(24), "Image File");
    TStringList expected;
    for (int k : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 20, 15, 16, 17, 18, 19, 21, 22, 23, 24, 25})
        expected.Add(std::to_string(k) + ",");
    EXPECT_EQ(picker.GetSaveStrings(), expected);
    EXPECT_EQ(picker.GetItemImageIndex(14), 20);
    EXPECT_EQ(picker.GetItemImageIndex(24), 25);
    EXPECT_EQ(picker.EffectiveItemHeight(), 34);

    // Each used picture is a picture (not one flat colour), each differs
    // from the others; 14 is the unused blank one.
    auto flat = [](const QImage& img) {
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (img.pixel(x, y) != img.pixel(0, 0)) return false;
        return true;
    };
    for (int k = 0; k < 26; ++k) {
        if (k == 14) {
            EXPECT_TRUE(flat(images->GetBitmap(k)));
            continue;
        }
        // The gradients are flat along one axis but not along the other.
        EXPECT_FALSE(flat(images->GetBitmap(k))) << k;
        for (int j = 0; j < k; ++j) {
            if (j != 14) {
                EXPECT_NE(images->GetBitmap(k), images->GetBitmap(j)) << k << " " << j;
            }
        }
    }
}
