#pragma once

#include "preferences/PreferencesExport.h"

#include <cstdint>
#include <string>

class QEvent;
class QWidget;

// The Preferences library's own resources: its string table and images are registered under
// the module "Preferences" while the library is loaded. Its pages, dialogs and wizard read them
// from that module whichever module is current, as a library reads its own resources.
class PREFERENCES_API PrefsModule {
public:
    static constexpr const char* kName = "Preferences";

    // Ids of the library's texts.
    enum : uint32_t {
        kSheetCaption = 8192,
        kFirstCategoryTitle = 8220,   // category c is kFirstCategoryTitle + c, 0..3
        kNoImage = 8290,
        kResetWarnings = 8291,
        kChangeDeviceTitle = 8325,
        kChangeDevice = 8326,
        kWaveOutputFormat = 8580,
        kWaveInputFormat = 8581,
        kWaveTrackCount = 8582,
    };
    // The wizard's side picture.
    static constexpr uint32_t kWizardPicture = 8802;

    // The text of id in the library's table; "" when it has none.
    static std::string String(uint32_t id);
    // For a window's event(): a tool-tip event is answered with the tip of the control under the
    // pointer from this library's table (true: the event is taken).
    static bool ToolTipEvent(const QWidget* window, QEvent* event);
};
