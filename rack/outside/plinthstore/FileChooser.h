#pragma once

#include "rack/outside/plinthstore/PlinthStoreExport.h"

#include <functional>
#include <string>
#include <vector>

namespace plat::ui {
class Window;
}

// The file dialogs of the rack, behind a hook that tests replace.
namespace rack {

struct PLINTHSTORE_API FileRequest {
    bool save = false;
    bool multiple = false;
    std::string title;
    // Pairs of a description and its patterns, separated by '|'.
    std::string filter;
    std::string folder;
    std::string suggestedName;
};

// The chosen files (for a save, one), empty when the user cancels.
using FileChooserHook = std::function<std::vector<std::string>(plat::ui::Window* owner, const FileRequest& request)>;

class PLINTHSTORE_API FileChooser {
public:
    static std::vector<std::string> choose(plat::ui::Window* owner, const FileRequest& request);
    // Installs hook (an empty one puts back the real dialogs) and answers the one replaced.
    static FileChooserHook setHook(FileChooserHook hook);
};

}  // namespace rack
