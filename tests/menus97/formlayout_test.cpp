// Every control of the widget set laid out by a QFormLayout, with the
// default font and with a larger one: none gets less than its minimum size
// hint, nothing of it is cut, and its pixels stay those it draws alone.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include "image/PGControls.h"
#include "image/PGImage.h"
#include "menus97/Edit97.h"
#include "menus97/sampleform_support.h"
#include "platform/DrawText.h"
#include "platform/Paint.h"
#include "widgets/ArtLabel.h"
#include "widgets/AutoURLLabel.h"
#include "widgets/NvOS8Checkbox.h"
#include "widgets/RxLabel.h"
#include "widgets/RxSlider.h"
#include "widgets/RxSpin.h"
#include "widgets/kv_btns.h"

using sampleform::TSampleForm;

namespace {

QImage Shot(QWidget* w) { return w->grab().toImage().convertToFormat(QImage::Format_RGB32); }
TColor Rgb(TColor c) { return static_cast<TColor>(ColorToRGB(c)); }

class FormLayout : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        QFont f = QApplication::font();
        if (f.pointSize() > 0) f.setPointSize(f.pointSize() + GetParam());
        else f.setPixelSize(f.pixelSize() + GetParam() * 4 / 3);
        form.setFont(f);
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        QApplication::processEvents();
        if (const QByteArray dir = qgetenv("GW_SAMPLE_FORM_DIR"); !dir.isEmpty())
            form.grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/sampleform_%1.png").arg(GetParam()));
    }
    template <class T>
    T* Get(const char* name) {
        auto* w = qobject_cast<T*>(form.Find(QString::fromLatin1(name)));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    TSampleForm form;
};

}  // namespace

TEST_P(FormLayout, EveryControlHasHintsAndGetsAtLeastItsMinimum) {
    for (const auto& row : form.Rows()) {
        const QSize hint = row.Control->sizeHint(), minimum = row.Control->minimumSizeHint();
        SCOPED_TRACE(row.Name.toStdString());
        EXPECT_TRUE(hint.isValid());
        EXPECT_GT(hint.width(), 0);
        EXPECT_GT(hint.height(), 0);
        EXPECT_GE(row.Control->width(), minimum.width());
        EXPECT_GE(row.Control->height(), minimum.height());
        EXPECT_GE(hint.width(), minimum.width());
        EXPECT_GE(hint.height(), minimum.height());
    }
}

TEST_P(FormLayout, LabelsShowTheirWholeCaption) {
    auto* label = Get<TRxLabel>("TRxLabel");
    TRect r;
    MeasureText(QFontMetrics(label->font(), label), label->GetCaption(), r, DT_CALCRECT | DT_EXPANDTABS);
    // One pixel each side and the one-pixel shadow.
    EXPECT_EQ(label->width(), r.Width() + 3);
    EXPECT_EQ(label->height(), r.Height() + 1);

    auto* url = Get<TAutoURLLabel>("TAutoURLLabel");
    EXPECT_EQ(url->width(), QFontMetrics(url->font(), url).horizontalAdvance(url->GetCaption()));
    // The last letter's pixels are on the label: some blue in its last columns.
    const QImage img = Shot(url);
    bool blue = false;
    for (int x = url->width() - 4; x < url->width(); ++x)
        for (int y = 0; y < url->height(); ++y) blue |= ImagePixelColor(img, x, y) == Rgb(clBlue);
    EXPECT_TRUE(blue);

    auto* art = Get<TArtLabel>("TArtLabel");
    const QFontMetrics fm = art->WorkMetrics();
    EXPECT_GE(art->width(), fm.horizontalAdvance(art->GetCaption()) + 4);
    EXPECT_GE(art->height(), fm.height() + 4);
}

TEST_P(FormLayout, SliderKeepsThumbTrackAndTicks) {
    auto* slider = Get<TRxSlider>("TRxSlider");
    const QImage img = Shot(slider);
    const TRect points = slider->PointsRect();
    // The first tick is 4 pixels long under the thumb's middle at MinValue.
    const int x = kSliderIndent + slider->Thumb()->width() / 2;
    for (int y = points.Top; y < points.Top + 4; ++y) EXPECT_EQ(ImagePixelColor(img, x, y), clBlack) << y;
    EXPECT_LE(points.Top + 4, slider->height());
    // The whole thumb is on the slider.
    EXPECT_LE(slider->Thumb()->geometry().bottom(), slider->height() - 1);
    EXPECT_EQ(slider->Thumb()->height(), 17);
}

TEST_P(FormLayout, ButtonsAndBoxesKeepTheirDrawing) {
    auto* spinButton = Get<TRxSpinButton>("TRxSpinButton");
    EXPECT_EQ(spinButton->size(), QSize(20, 20));

    auto* check = Get<TNvOS8Checkbox>("TNvOS8Checkbox");
    const QImage box = Shot(check);
    const TNvOS8Shades& shades = check->GetShades();
    const int top = 0;
    EXPECT_EQ(ImagePixelColor(box, 2, top + 2), shades[0]);   // frame
    EXPECT_EQ(ImagePixelColor(box, 3, top + 3), shades[15]);  // inner top-left edge
    EXPECT_EQ(ImagePixelColor(box, 4, top + 7), shades[0]);   // the tick
    TRect caption;
    MeasureText(QFontMetrics(check->font(), check), check->GetCaption(), caption, DT_CALCRECT | DT_SINGLELINE);
    EXPECT_GE(check->width(), 19 + caption.Width());
    EXPECT_GE(check->height(), caption.Height());

    auto* button = Get<TKV_Button>("TKV_Button");
    const QImage face = Shot(button);
    const int w = button->width(), h = button->height();
    EXPECT_EQ(ImagePixelColor(face, 0, 0), Rgb(clBtnHighlight));
    EXPECT_EQ(ImagePixelColor(face, w - 1, h - 1), Rgb(cl3DDkShadow));
    EXPECT_EQ(ImagePixelColor(face, w - 2, h - 2), Rgb(clBtnShadow));
    EXPECT_EQ(ImagePixelColor(face, 3, h / 2), Rgb(clBtnFace));
    const QFontMetrics fm(button->font(), button);
    EXPECT_GE(w, fm.horizontalAdvance(button->GetCaption()) + 4);
    EXPECT_GE(h, fm.height() + 4);

    auto* edit = Get<TEdit97>("TEdit97");
    EXPECT_EQ(edit->height(), QFontMetrics(edit->font(), edit).height() + 6);
    auto* spin = Get<TRxSpinEdit>("TRxSpinEdit");
    EXPECT_GE(spin->height(), spin->MinHeight());
}

TEST_P(FormLayout, PicturesAndFramesAreShown) {
    auto* picture = Get<TPGImage>("TPGImage");
    EXPECT_EQ(picture->size(), QSize(64 + 4, 48 + 4));
    auto* group = Get<TPGGroupBox>("TPGGroupBox");
    EXPECT_GT(group->height(), QFontMetrics(group->font(), group).height());
    auto* panel = Get<TPGPanel>("TPGPanel");
    EXPECT_GE(panel->height(), QFontMetrics(panel->font(), panel).height() + 2);
    auto* bevel = Get<TPGBevel>("TPGBevel");
    const QImage frame = Shot(bevel);
    EXPECT_EQ(ImagePixelColor(frame, 0, 0), Rgb(clBtnShadow));
    EXPECT_EQ(ImagePixelColor(frame, bevel->width() - 1, bevel->height() - 1), Rgb(clBtnHighlight));
}

INSTANTIATE_TEST_SUITE_P(Fonts, FormLayout, ::testing::Values(0, 5), [](const ::testing::TestParamInfo<int>& info) {
    return info.param == 0 ? std::string("DefaultFont") : std::string("FivePointsLarger");
});
