#include "app/core/AppStrings.h"

#include "platform/core/Resources.h"

namespace AppStrings {

namespace {

constexpr plat::Resources::Entry kStrings[] = {
    {exceptionReport, "Quavix has generated an exception and will be closed.  Please contact Ombrelune technical "
                      "support and send them the report file:\n%s"},
    {urlFileMissing, "A file is missing which contains required URL addresses.  Please contact Ombrelune technical "
                     "support to replace this file."},
    {splashVersion, "Version 6.06"},
    {loadingResources, "Loading Resources..."},
    {loadingApplication, "Loading Application..."},
    {loadingComponents, "Loading Components..."},
    {loadingPlugins, "Loading Plugins..."},
    {oneMoment, "One moment please..."},
    {credits, "Quavix 6.06  -  music composition and sequencing  -  written by the Quavix team  -  "
              "sound by Quavix Synth  -  thank you for making music with us"},
    {showAll, "Show All\tCtrl+K"},
    {hideAll, "Hide All\tCtrl+K"},
    {autosaving, "Autosaving Modified Documents..."},
    {frameClass, "Quavix 6"},
};

const plat::Resources::Registration registration(module, kStrings);

}  // namespace

std::string text(uint32_t id)
{
    return plat::Resources::string(id);
}

}  // namespace AppStrings
