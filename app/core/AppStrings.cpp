#include "app/core/AppStrings.h"

#include "platform/core/Resources.h"

namespace AppStrings {

namespace {

constexpr plat::Resources::Entry kStrings[] = {
    {exceptionReport, "Quavix has generated an exception and will be closed.  Please contact Ombrelune technical "
                      "support and send them the report file:\n%s"},
    {urlFileMissing, "A file is missing which contains required URL addresses.  Please contact Ombrelune technical "
                     "support to replace this file."},
    {waveMissing, "The wave file, %s, located on track %d cannot be found.  Would you like to specify a new path "
                  "for the wave file?"},
    {splashVersion, "Version 6.06"},
    {loadingResources, "Loading Resources..."},
    {loadingApplication, "Loading Application..."},
    {loadingComponents, "Loading Components..."},
    {loadingPlugins, "Loading Plugins..."},
    {oneMoment, "One moment please..."},
    {filterAllMusic, "All Music Files (*.kvd; *.mid; *.rmi)\n*.kvd;*.mid;*.rmi\n"},
    {filterNative, "Quavix 6 Files (*.kvd)\n*.kvd\n"},
    {filterMidi, "Midi Files (*.mid; *.rmi)\n*.mid;*.rmi\n"},
    {filterAll, "All Files (*.*)\n*.*\n"},
    {templateExists, "A template named \"%s\" already exists.  Please select a different name."},
    {templateNameInvalid, "A template name cannot be empty or contain \\ or /.  Please enter a different name."},
    {credits, "Quavix 6.06  -  music composition and sequencing  -  written by the Quavix team  -  "
              "sound by Quavix Synth  -  thank you for making music with us"},
    {showAll, "Show All\tCtrl+K"},
    {hideAll, "Hide All\tCtrl+K"},
    {waveOpenError, "Error opening file %s."},
    {waveChosenNotPcm, "Wave files must be in standard PCM format."},
    {waveNotPcm, "Wave file %s is not in standard PCM format."},
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
