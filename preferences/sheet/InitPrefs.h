#pragma once

#include "preferences/PreferencesExport.h"

// The start-up of the Preferences library, called once by the program: registers the nine
// pages of the general and sequencer sheets, and takes the selection colour and the undo depth
// from the settings. Returns 9.
PREFERENCES_API int InitPrefs();
