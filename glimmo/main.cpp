// Glimmo: the button designer. Starts the libraries, creates the main form,
// the palette editor and the preset browser in that order, and runs.
#include "artkit/forms/palette_dlg.h"
#include "artkit/forms/preset_check.h"
#include "artkit/forms/preset_dlg.h"
#include "glimmo/forms/main_form.h"
#include "image/PGFormats.h"
#include "image/PGWarningBoxes.h"
#include "platform/Application.h"
#include "store/QDB.h"

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    InitPixelGraphicLibrary();
    InstallWarningBoxes();
    InitializeQDB();
    // The title of message boxes; window captions stay as the forms give them.
    app.SetTitle("Glimmo!");

    glimmo::Tmain mainForm;
    // Its creation paints both palette strips on the main form and grows the
    // first plasma.
    Tgradmaker gradmaker(mainForm, pevButtonDesigner);
    Tpreset_dlg presets(".glw", "pgimage1");
    mainForm.SetPaletteEditor(&gradmaker);
    mainForm.SetPresetBrowser(&presets);
    mainForm.show();
    if (WantsFirstPresetLoad(argc, argv))
        QueueFirstPresetLoad(mainForm.PresetFolder(), ".glw",
                             [&](const std::string& file) { mainForm.LoadParametersFile(file); });
    const int result = app.exec();
    mainForm.SetPaletteEditor(nullptr);
    mainForm.SetPresetBrowser(nullptr);
    return result;
}
