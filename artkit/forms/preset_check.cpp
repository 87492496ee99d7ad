#include "artkit/forms/preset_check.h"

#include <QCoreApplication>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <exception>
#include <vector>

#include "artkit/PresetFolder.h"
#include "platform/MessageBox.h"

bool WantsFirstPresetLoad(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], kLoadFirstPresetOption) == 0) return true;
    return false;
}

namespace {

int LoadFirstPreset(const std::string& folder, const std::string& extension,
                    const std::function<void(const std::string&)>& load) {
    const std::vector<std::string> files = ListPresetFiles(folder, extension);
    if (files.empty()) {
        std::fprintf(stderr, "no %s file in %s\n", extension.c_str(), folder.c_str());
        return 1;
    }
    std::string shown;
    const TMessageBoxHandler old = SetMessageBoxHandler([&](const TMessageBoxRequest& request) {
        shown += request.Text + "\n";
        return request.Buttons == mbOK ? mrOk : mrCancel;
    });
    try {
        load(files.front());
    } catch (const std::exception& e) {
        shown += std::string(e.what()) + "\n";
    }
    SetMessageBoxHandler(old);
    if (!shown.empty()) {
        std::fprintf(stderr, "loading %s: %s", files.front().c_str(), shown.c_str());
        return 1;
    }
    std::printf("loaded %s\n", files.front().c_str());
    std::fflush(stdout);
    return 0;
}

}  // namespace

void QueueFirstPresetLoad(const std::string& folder, const std::string& extension,
                          const std::function<void(const std::string&)>& load) {
    QTimer::singleShot(0, QCoreApplication::instance(),
                       [folder, extension, load] { QCoreApplication::exit(LoadFirstPreset(folder, extension, load)); });
}
