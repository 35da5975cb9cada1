#pragma once

#include <functional>
#include <string>

class CPrefsPageBase;
class MCCheckList;
class MCDeviceList;

// The two lists the MIDI In and MIDI Out pages hold alike: the filter of the kinds of MIDI data,
// one check a kind stored under a profile section, and the device list. Both pages fill their
// lists while a loading flag of their own is set, so that filling them is no change by the
// user.
class CPrefsMidiLists {
public:
    // Gives the name and the default check of one kind.
    using EntryReader = int (*)(std::string& name, int entry);

    // Attaches the filter in place of the item id's placeholder; a check changed while loading
    // is false marks the page modified.
    static MCCheckList* AttachFilter(CPrefsPageBase& page, int id, const bool& loading);
    // Attaches the device list of type in place of the item id's placeholder; changed is called
    // when the user picks another row (not while loading).
    static MCDeviceList* AttachDevices(CPrefsPageBase& page, int id, int type, const bool& loading,
                                       std::function<void()> changed);
    // Fills the filter with every kind reader gives (except leaveOut, when given), checked as
    // stored under section.
    static void LoadFilter(MCCheckList& filter, bool& loading, const char* section, EntryReader reader,
                           const char* leaveOut = nullptr);
    static void SaveFilter(const MCCheckList& filter, const char* section);
};
