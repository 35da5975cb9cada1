#pragma once

#include "mixer/MixerExport.h"

class QWidget;

// The forms of the mixer, one per template id, as its windows lay them out: each places its
// controls in Qt layouts as placeholders carrying the controls' item ids (a button's caption
// names its images; a placeholder's fixed size is the size its control takes), which the
// windows then replace by their own controls.
//
//   5120         the mixer: the three layout buttons (37132 full, 37131 normal, 37130 mini)
//   5140-5142    a track strip, mini, normal and full
//   5170-5172    the master section, mini, normal and full
class MIXER_API CMixerTemplates {
public:
    enum : int {
        kMixer = 5120,
        kStripMini = 5140,
        kStripNormal = 5141,
        kStripFull = 5142,
        kMasterMini = 5170,
        kMasterNormal = 5171,
        kMasterFull = 5172,
    };

    // Lays the template out on form (which has no layout yet); false for an unknown id.
    static bool Build(int templateId, QWidget* form);
};
