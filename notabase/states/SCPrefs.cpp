#include "notabase/states/SCPrefs.h"

#include "notabase/commands/MCCommandMgr.h"
#include "notabase/prefs/Preferences.h"
#include "notabase/states/SCSelection.h"

SCPrefs::SCPrefs(int code) : SCBase(code) {}

void SCPrefs::DoState()
{
    if (GetCode() == kPrefsChanged) {
        SCSelection::SetColor(static_cast<unsigned long>(
            LoadIntPreference("Settings\\Color", "Selection", 255)));
        MCCommandMgr::SetUndoLevels(LoadIntPreference("Settings", "UndoLevels", 10));
    }
    SCBase::DoState();
}
