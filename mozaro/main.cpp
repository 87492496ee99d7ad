// Mozaro: the seamless tile generator.
#include "image/PGFormats.h"
#include "mozaro/forms/main_form.h"
#include "platform/Application.h"

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    app.SetTitle(mozaro::kApplicationTitle);
    InitPixelGraphicLibrary();
    // The main form ends the program when it closes, whatever else is shown.
    app.setQuitOnLastWindowClosed(false);
    std::unique_ptr<mozaro::Tmain> main = mozaro::CreateForms();
    if (!main) return 0;
    main->show();
    return app.exec();
}
