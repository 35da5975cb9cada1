#include "interface/pickers/MCDeviceLabels.h"

#include "interface/core/InterfaceModule.h"
#include "interface/pickers/MCInstrumentFiles.h"

#include "notabase/prefs/Preferences.h"
#include "platform/core/Strings.h"
#include "wavegate/CWaveOut.h"
#include "wavegate/CWavegate.h"

namespace {

constexpr const char* kDevices = "Sequencer\\Midi\\Play\\Devices";

std::string sectionOf(int device)
{
    return plat::format("%s\\%d", kDevices, device);
}

}  // namespace

int MCDeviceLabels::Count(int type)
{
    const CWavegate* wavegate = CWavegate::GetWavegate();
    if (!wavegate)
        return 0;
    switch (type) {
    case midiIn: return wavegate->GetDeviceCount(CWavegate::WG_MIDI, CWavegate::WG_IN);
    case midiOutInstruments:
    case midiOutDrums: return wavegate->GetDeviceCount(CWavegate::WG_MIDI, CWavegate::WG_OUT);
    case waveIn: return wavegate->GetDeviceCount(CWavegate::WG_WAVE, CWavegate::WG_IN);
    case waveOut: return wavegate->GetDeviceCount(CWavegate::WG_WAVE, CWavegate::WG_OUT);
    default: return 0;
    }
}

std::string MCDeviceLabels::Label(int type, int format, int device)
{
    std::string name = InterfaceModule::String(11504);
    const CWavegate* wavegate = CWavegate::GetWavegate();
    if (format == deviceNames) {
        if (type == waveOut) {
            if (device >= 0 && device < CWaveOut::DSNumDrivers())
                name = CWaveOut::DSGetDescription(device);
        } else if (wavegate && type >= midiIn && type <= waveIn) {
            const int kind = type == waveIn ? CWavegate::WG_WAVE : CWavegate::WG_MIDI;
            const int direction = type == midiIn || type == waveIn ? CWavegate::WG_IN : CWavegate::WG_OUT;
            WG_DevCaps caps;
            if (wavegate->GetDeviceCaps(kind, direction, device, &caps))
                name = caps.name;
        }
    } else if (format == instrumentNames && (type == midiOutInstruments || type == midiOutDrums)) {
        name = GetInstrument(type, device);
    }
    return plat::format(InterfaceModule::String(11542).c_str(), char('A' + device), name.c_str());
}

int MCDeviceLabels::SavedFormat()
{
    return LoadIntPreference("Settings\\Interface\\Device", "Format", 0) & 7;
}

void MCDeviceLabels::SaveFormat(int format)
{
    SaveIntPreference("Settings\\Interface\\Device", "Format", format);
}

std::string MCDeviceLabels::GetInstrument(int mapKind, int device)
{
    if (mapKind == 1)
        return LoadStringPreference(sectionOf(device).c_str(), "Instrument Map", "General Midi");
    if (mapKind == 2)
        return LoadStringPreference(sectionOf(device).c_str(), "Drum Map", "General Midi Drums");
    return {};
}

std::string MCDeviceLabels::GetInstrumentFile(int mapKind, int device)
{
    return plat::format("%s/%s.INI", MCInstrumentFiles::Folder().c_str(), GetInstrument(mapKind, device).c_str());
}

void MCDeviceLabels::SetInstrument(int mapKind, int device, const std::string& name)
{
    if (mapKind == 1 || mapKind == 2)
        SaveStringPreference(sectionOf(device).c_str(), mapKind == 1 ? "Instrument Map" : "Drum Map", name.c_str());
}
