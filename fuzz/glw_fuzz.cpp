// Loads a button parameter file made of the input (see FuzzContainer.h).
// Damage must raise the framework's exceptions; a file that loads must
// render, and save and load back to the same values.
#include <QGuiApplication>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>

#include "FuzzContainer.h"
#include "FuzzPicture.h"
#include "glimmo/ButtonFile.h"
#include "glimmo/ButtonRenderer.h"
#include "image/PGraphic.h"

namespace {

std::map<std::string, std::string> Items(const std::string& path) {
    TQDB db;
    db.Open(path, TQDB::omReadExisting);
    std::map<std::string, std::string> items;
    for (const char* key : {"settings", "textblock", "memo"}) {
        TMemoryStream m;
        db.GetItemByKey(key, m);
        items[key] = std::string(m.Data().begin(), m.Data().end());
    }
    return items;
}

bool SamePixels(const std::shared_ptr<TPixelGraphic>& a, const std::shared_ptr<TPixelGraphic>& b) {
    if (!a || !b) return a == b || (a ? a->GetEmpty() : b->GetEmpty());
    return ::SamePixels(*a, *b);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static int argc = 1;
    static char name[] = "glw_fuzz";
    static char* argv[] = {name, nullptr};
    static QGuiApplication* app = (qputenv("QT_QPA_PLATFORM", "offscreen"), new QGuiApplication(argc, argv));
    (void)app;
    const std::string path = FuzzContainerFile(data, size, "in.glw");
    if (path.empty()) return 0;

    TButtonParameters loaded;
    try {
        loaded = ReadButtonFile(path, TButtonParameters());
    } catch (const Exception&) {
        return 0;
    }
    // The bitmap fill is not written in other fill modes, nor the plasma.
    const TButtonDesign& d = loaded.Design;
    if (d.FillMode != fmBitmap) loaded.Form.BitmapImage.reset();
    if (d.FillMode != fmPlasma) loaded.PlasmaImage.reset();

    TPixelGraphic thumbnail;
    thumbnail.SetSize(3, 2, 3);
    const std::string first = FuzzFolder() + "/first.glw", second = FuzzFolder() + "/second.glw";
    WriteButtonFile(first, loaded, thumbnail);
    const TButtonParameters again = ReadButtonFile(first, TButtonParameters());
    WriteButtonFile(second, again, thumbnail);
    if (Items(first) != Items(second)) std::abort();
    if (!SamePixels(loaded.Form.BitmapImage, again.Form.BitmapImage)) std::abort();
    if (!SamePixels(loaded.PlasmaImage, again.PlasmaImage)) std::abort();

    TButtonRenderer renderer;
    TButtonFormState form;
    LoadButtonParameters(path, renderer, form);
    if (renderer.Preview.GetWidth() != d.Width || renderer.Preview.GetHeight() != d.Height) std::abort();
    return 0;
}
