#include "preferences/sheet/InitPrefs.h"

#include "preferences/pages/CPrefsPgGeneral.h"
#include "preferences/pages/CPrefsPgMetronome.h"
#include "preferences/pages/CPrefsPgMidiPlay.h"
#include "preferences/pages/CPrefsPgMidiRecord.h"
#include "preferences/pages/CPrefsPgMidiThru.h"
#include "preferences/pages/CPrefsPgSave.h"
#include "preferences/pages/CPrefsPgSync.h"
#include "preferences/pages/CPrefsPgWaveAudio.h"
#include "preferences/pages/CPrefsPgWorkspace.h"

#include "interface/document/CPluginPrefs.h"
#include "notabase/commands/MCCommandMgr.h"
#include "notabase/prefs/Preferences.h"
#include "notabase/states/SCSelection.h"

namespace {

// The pages' registrations, in the order they are added; they live as long as the library.
CPluginPrefs generalPage(&CPrefsPgGeneral::classObject, 0, 0);
CPluginPrefs workspacePage(&CPrefsPgWorkspace::classObject, 0, 10);
CPluginPrefs savePage(&CPrefsPgSave::classObject, 0, 20);
CPluginPrefs midiOutPage(&CPrefsPgMidiPlay::classObject, 1, 20);
CPluginPrefs midiInPage(&CPrefsPgMidiRecord::classObject, 1, 30);
CPluginPrefs midiThruPage(&CPrefsPgMidiThru::classObject, 1, 40);
CPluginPrefs metronomePage(&CPrefsPgMetronome::classObject, 1, 50);
CPluginPrefs waveAudioPage(&CPrefsPgWaveAudio::classObject, 1, 45);
CPluginPrefs syncPage(&CPrefsPgSync::classObject, 1, 55);

}  // namespace

int InitPrefs()
{
    int count = 0;
    for (CPluginPrefs* plugin : {&generalPage, &workspacePage, &savePage, &midiOutPage, &midiInPage, &midiThruPage,
                                 &metronomePage, &waveAudioPage, &syncPage}) {
        CPluginPrefs::AddPlugin(plugin);
        ++count;
    }
    SCSelection::SetColor(static_cast<unsigned long>(LoadIntPreference("Settings\\Color", "Selection", 255)));
    MCCommandMgr::SetUndoLevels(LoadIntPreference("Settings", "UndoLevels", 10));
    return count;
}
