#pragma once

#include "platform/ui/PlatUiExport.h"

#include <QImage>

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace plat::ui {

// The bitmap resources of the libraries: each library registers, under its module name,
// the images it draws in code, by resource name. A numbered resource is named "#" and its
// number (resourceName(200) is "#200"). Names and modules match without regard to ASCII
// case. Registration and loading may come from any thread.
class PLATUI_API BitmapResources {
public:
    struct Entry {
        std::string name;
        // The colour depth the image is meant for: 1 to 8 for an image with a colour table
        // of 2^bits entries, 0 for true colour.
        int colorTableBits;
        std::function<QImage()> paint;
    };

    struct Loaded {
        QImage image;
        int colorTableBits;
    };

    static std::string resourceName(uint32_t id);

    // Registers (or replaces) the module's resources.
    static void registerModule(std::string_view module, std::span<const Entry> entries);
    static void unregisterModule(std::string_view module);

    static bool contains(std::string_view module, std::string_view name);
    // Paints the resource anew; nothing when the module or the name is unknown or the
    // painter draws nothing.
    static std::optional<Loaded> load(std::string_view module, std::string_view name);

    // Keeps a module's resources registered for the lifetime of the library that has them.
    class Registration {
    public:
        Registration(std::string_view module, std::span<const Entry> entries);
        ~Registration();
        Registration(const Registration&) = delete;
        Registration& operator=(const Registration&) = delete;

    private:
        std::string m_module;
    };
};

}  // namespace plat::ui
