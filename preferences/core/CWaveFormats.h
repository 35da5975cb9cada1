#pragma once

#include "preferences/PreferencesExport.h"

#include <string>

// The fourteen wave formats by their one numbering (0 is 8 kHz 8-bit mono, 13 is 44.1 kHz
// 16-bit stereo): their texts on the pages and in the wizard, their rate groups, and setting one
// on every wave device of a direction.
class PREFERENCES_API CWaveFormats {
public:
    static constexpr int kCount = 14;

    // "8,000 Hz, 8-bit, Mono" ... "44,100 Hz, 16-bit, Stereo"; "" outside 0 to 13.
    static std::string PageText(int index);
    // "8 kHz, 8-bit, Mono" ... "44.1 kHz, 16-bit, Stereo"; "" outside 0 to 13.
    static std::string WizardText(int index);
    // 0 for 8 kHz (0-1), 1 for 11 kHz (2-5), 2 for 22 kHz (6-9), 3 for 44 kHz (10-13); -1
    // outside.
    static int RateGroup(int index);
    // Sets the format on every wave input (input true) or output; when the devices refuse it
    // the user is told ("Unable to set requested WAV input format." or "... output ...") and
    // the answer is false.
    static bool SetDeviceFormat(bool input, int index);
};
