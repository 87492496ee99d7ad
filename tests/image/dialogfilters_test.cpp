// File-type lists of the picture dialogs: the filter texts built from the
// registries, their Qt form, entry extensions and the save dialog's rule for
// the typed name when the file type changes.
#include <gtest/gtest.h>

#include <QDir>

#include "image/PGDialogFilters.h"
#include "support/TestFiles.h"

namespace {

class DialogFilterTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { InitPixelGraphicLibrary(); }
};

// The registry as the library registers it, written out by hand.
const char* const kOpenFilter =
    "Image files|*.bmp; *.dib; *.jif; *.jpeg; *.jpg; *.pbm; *.pcx; *.pgm; *.png; *.ppm; *.rle; *.tga; *.tif; *.tiff|"
    "BMP - Bitmap|*.bmp|DIB - Bitmap|*.dib|JIF - JPEG (JFIF compliant)|*.jif|JPEG - JPEG (JFIF compliant)|*.jpeg|"
    "JPG - JPEG (JFIF compliant)|*.jpg|PBM - Portable Bitmap|*.pbm|PCX - Paintbrush|*.pcx|"
    "PGM - Portable Graymap|*.pgm|PNG - Portable Network Graphics|*.png|PPM - Portable Pixelmap|*.ppm|"
    "RLE - Bitmap|*.rle|TGA - Truevision Targa|*.tga|TIF - Tagged Image File Format|*.tif|"
    "TIFF - Tagged Image File Format|*.tiff|All files|*.*";

const char* const kSaveFilter =
    "BMP - Bitmap|*.bmp|DIB - Bitmap|*.dib|JPG - JPEG (JFIF compliant)|*.jpg|PBM - Portable Bitmap|*.pbm|"
    "PGM - Portable Graymap|*.pgm|PNG - Portable Network Graphics|*.png|PPM - Portable Pixelmap|*.ppm|"
    "TGA - Truevision Targa|*.tga|TIF - Tagged Image File Format|*.tif|TIFF - Tagged Image File Format|*.tiff|";

// The button designer's export filter.
const char* const kExportFilter =
    "BMP - Bitmap|*.bmp|JPG - JPEG (JFIF compliant)|*.jpg|PBM - Portable Bitmap|*.pbm|PGM - Portable Graymap|*.pgm|"
    "PNG - Portable Network Graphics|*.png|PPM - Portable Pixelmap|*.ppm|TGA - Truevision Targa|*.tga|"
    "TIF - Tagged Image File Format|*.tif|";

}  // namespace

TEST_F(DialogFilterTest, FilterTextsFollowTheEnabledEntries) {
    EXPECT_EQ(BuildOpenFilter(), kOpenFilter);
    EXPECT_EQ(BuildSaveFilter(), kSaveFilter);
    EXPECT_EQ(EnabledReaders().size(), 14u);
    EXPECT_EQ(EnabledWriters().size(), 10u);

    // With every reader off only "All files" is left; a disabled writer
    // drops out of the save list.
    std::vector<TFileFormatReader*> readers = FileFormatReaders();
    for (TFileFormatReader* r : readers) r->Enabled = false;
    TFileFormatWriter* tga = FindFileFormatWriter("tga");
    tga->Enabled = false;
    const std::string none = BuildOpenFilter(), noTga = BuildSaveFilter();
    for (TFileFormatReader* r : readers) r->Enabled = true;
    tga->Enabled = true;
    EXPECT_EQ(none, "All files|*.*");
    EXPECT_EQ(noTga.find("TGA"), std::string::npos);
    EXPECT_NE(noTga.find("PPM - Portable Pixelmap|*.ppm|TIF - "), std::string::npos) << noTga;
}

TEST_F(DialogFilterTest, QtNameFilters) {
    const QStringList open = FilterToNameFilters(kOpenFilter);
    ASSERT_EQ(open.size(), 16);
    EXPECT_EQ(open[0],
              "Image files (*.bmp *.dib *.jif *.jpeg *.jpg *.pbm *.pcx *.pgm *.png *.ppm *.rle *.tga *.tif "
              "*.tiff)");
    EXPECT_EQ(open[1], "BMP - Bitmap (*.bmp)");
    EXPECT_EQ(open[15], "All files (*)");
    EXPECT_EQ(FilterToNameFilters("All files|*.*"), QStringList{"All files (*)"});

    const QStringList save = FilterToNameFilters(kSaveFilter);
    ASSERT_EQ(save.size(), 10);
    EXPECT_EQ(save[2], "JPG - JPEG (JFIF compliant) (*.jpg)");
    EXPECT_EQ(save[9], "TIFF - Tagged Image File Format (*.tiff)");

    EXPECT_EQ(FilterToNameFilters(kExportFilter),
              (QStringList{"BMP - Bitmap (*.bmp)", "JPG - JPEG (JFIF compliant) (*.jpg)",
                           "PBM - Portable Bitmap (*.pbm)", "PGM - Portable Graymap (*.pgm)",
                           "PNG - Portable Network Graphics (*.png)", "PPM - Portable Pixelmap (*.ppm)",
                           "TGA - Truevision Targa (*.tga)", "TIF - Tagged Image File Format (*.tif)"}));
    EXPECT_EQ(FilterToNameFilters("Glimworks Files|*.glw"), QStringList{"Glimworks Files (*.glw)"});
    // Separators without blanks, and an entry of several patterns.
    EXPECT_EQ(FilterToNameFilters("Pictures|*.a;*.b ; *.*|x"), QStringList{"Pictures (*.a *.b *)"});
    EXPECT_TRUE(FilterToNameFilters("").isEmpty());
}

TEST_F(DialogFilterTest, EntriesAndTheirExtensions) {
    const std::vector<TFilterEntry> e = ParseFilter(kExportFilter);
    ASSERT_EQ(e.size(), 8u);
    EXPECT_EQ(e[1].Description, "JPG - JPEG (JFIF compliant)");
    EXPECT_EQ(e[1].Pattern, "*.jpg");
    EXPECT_EQ(ParseFilter("Image files|*.bmp; *.dib|All files|*.*").size(), 2u);

    EXPECT_EQ(PatternExtension("*.jpg"), "jpg");
    EXPECT_EQ(PatternExtension("*.BMP; *.dib"), "bmp");
    EXPECT_EQ(PatternExtension("*.*"), "");
    EXPECT_EQ(PatternExtension("*"), "");
    EXPECT_EQ(PatternExtension("*.*; *.png"), "png");
    EXPECT_EQ(PatternExtension("*.tif?"), "");
    EXPECT_EQ(PatternExtension(""), "");

    EXPECT_EQ(WithDefaultExtension("/tmp/a", "tif"), "/tmp/a.tif");
    EXPECT_EQ(WithDefaultExtension("/tmp/a.png", "tif"), "/tmp/a.png");
    EXPECT_EQ(WithDefaultExtension("/tmp/a", ""), "/tmp/a");
    EXPECT_EQ(WithDefaultExtension("/tmp.d/a", "jpg"), "/tmp.d/a.jpg");
}

TEST_F(DialogFilterTest, TypeChangeRewritesTheTypedName) {
    const std::string dir = gwtest::TempDir("typechange");
    QDir(QString::fromStdString(dir)).mkdir("sub.bmp");
    std::string text;
    auto changed = [&](const std::string& path, const std::string& ext) {
        text = "(unchanged)";
        TypeChangedFileName(path, dir, ext, text);
        return text;
    };
    // In the current folder only the name is left.
    EXPECT_EQ(changed(dir + "/picture.bmp", "jpg"), "picture.jpg");
    EXPECT_EQ(changed(dir + "/picture", "jpg"), "picture.jpg");
    EXPECT_EQ(changed(dir + "/picture.tar.bmp", "png"), "picture.tar.png");
    EXPECT_EQ(TypeChangedFileName(dir + "/picture.bmp", dir + "/", "tif", text), true);
    EXPECT_EQ(text, "picture.tif");
    const std::string longName(300, 'n');
    EXPECT_EQ(changed(dir + "/" + longName + ".bmp", "jpg"), longName + ".jpg");  // no length limit
    // Elsewhere the whole path stays.
    EXPECT_EQ(changed("/elsewhere/picture.bmp", "jpg"), "/elsewhere/picture.jpg");
    EXPECT_EQ(changed(dir + "/deeper/picture", "tga"), dir + "/deeper/picture.tga");
    // No extension to put, an existing folder, no name: nothing.
    EXPECT_EQ(changed(dir + "/picture.bmp", ""), "(unchanged)");
    EXPECT_EQ(changed(dir + "/sub.bmp", "jpg"), "(unchanged)");
    EXPECT_EQ(changed(dir + "/", "jpg"), "(unchanged)");
    EXPECT_EQ(changed("", "jpg"), "(unchanged)");

    // The export filter's own entries give the extensions when the registry
    // is not used: "picture.bmp" becomes "picture.jpg", never "picture.".
    const std::vector<TFilterEntry> e = ParseFilter(kExportFilter);
    EXPECT_EQ(changed(dir + "/picture.bmp", PatternExtension(e[1].Pattern)), "picture.jpg");
    EXPECT_EQ(changed(dir + "/picture.bmp", PatternExtension("*.*")), "(unchanged)");
}
