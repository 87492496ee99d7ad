// Mozaro: the seamless tile generator.
#include "artkit/forms/preset_check.h"
#include "image/PGFormats.h"
#include "image/PGWarningBoxes.h"
#include "mozaro/forms/main_form.h"
#include "platform/Application.h"

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    app.SetTitle(mozaro::kApplicationTitle);
    InitPixelGraphicLibrary();
    InstallWarningBoxes();
    // The main form ends the program when it closes, whatever else is shown.
    app.setQuitOnLastWindowClosed(false);
    std::unique_ptr<mozaro::Tmain> main = mozaro::CreateForms();
    if (!main) return 0;
    main->show();
    if (WantsFirstPresetLoad(argc, argv))
        QueueFirstPresetLoad(main->PresetRoot + "/" + mozaro::kPresetFolders[0].Folder, ".mzo",
                             [&](const std::string& file) { main->LoadParameters(file); });
    return app.exec();
}
