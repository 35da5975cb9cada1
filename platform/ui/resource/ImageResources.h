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

// The images of the windows' libraries, each painted by us in code: registered per module
// under a name ("#" and the number for a numbered image, as imageName(11680) is "#11680").
// A painter draws the image at a whole-number scale, so the same image comes out crisp at
// device pixel ratio 1 and 2; the image it gives has its device pixel ratio set to the
// scale. Names and modules match without regard to ASCII case.
//
// find() looks in the calling thread's current resource module (plat::Resources), then in
// the program's, then in every other module in the order they registered (the libraries'
// chain), so switching the module switches the images as it switches the texts.
class PLATUI_API ImageResources {
public:
    struct Entry {
        std::string name;
        // Draws the image at scale (1 or more); a null image when it cannot.
        std::function<QImage(int scale)> paint;
    };

    static std::string imageName(uint32_t id);

    static void registerModule(std::string_view module, std::span<const Entry> entries);
    static void unregisterModule(std::string_view module);

    static bool contains(std::string_view module, std::string_view name);
    static std::optional<QImage> load(std::string_view module, std::string_view name, int scale = 1);
    // From the current module, else the program's, else the chain of the others.
    static std::optional<QImage> find(std::string_view name, int scale = 1);
    static std::optional<QImage> find(uint32_t id, int scale = 1) { return find(imageName(id), scale); }

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
