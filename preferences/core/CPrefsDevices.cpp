#include "preferences/core/CPrefsDevices.h"

#include "interface/core/MCPaths.h"
#include "interface/document/MCOpusTemplate.h"
#include "platform/media/Backend.h"
#include "wavegate/CWavegate.h"

void CPrefsDevices::SendTestNote(int device, uint32_t noteOn, uint32_t noteOff, uint32_t durationMs)
{
    CWavegate* wavegate = CWavegate::GetWavegate();
    if (!wavegate || device < 0)
        return;
    const int toDefault = wavegate->DefaultMidiDeviceEnabled();
    wavegate->EnableDefaultMidiDevice(0);
    wavegate->SendMidiNote(device, noteOn, noteOff, durationMs, 0);
    wavegate->EnableDefaultMidiDevice(toDefault);
}

int CPrefsDevices::PlayTestSound(int device)
{
    return PlaySound("test.wav", device);
}

int CPrefsDevices::PlaySound(const char* name, int device)
{
    CWavegate* wavegate = CWavegate::GetWavegate();
    if (!wavegate || device < 0 || device >= wavegate->GetDeviceCount(CWavegate::WG_WAVE, CWavegate::WG_OUT))
        return 0;
    return wavegate->PlayWaveFile(MCGetAppPath(name).c_str(), device, nullptr, 0);
}

std::vector<MCOpusDoc*> CPrefsDevices::OpenDocuments()
{
    std::vector<MCOpusDoc*> documents;
    for (const MCOpusTemplate* docTemplate : MCOpusTemplate::GetTemplates()) {
        for (MCOpusDoc* doc : docTemplate->GetDocuments())
            documents.push_back(doc);
    }
    return documents;
}

std::string CPrefsDevices::MissingDevicesText(int type)
{
    const bool sound = plat::media::Backend::instance().soundOutputCount() > 0;
    if (type == 4) {
        return "No sound output was found, so audio tracks cannot be played. Check that the computer has a "
               "sound device and that no other program holds it, then start Quavix again.";
    }
    if (!sound) {
        return "No MIDI output was found. The built-in synthesizer plays through the computer's sound output, "
               "and there is none Quavix can use; no MIDI port is connected either. Music cannot be heard "
               "until one of them is there.";
    }
    return "No MIDI output was found: no MIDI port is connected, and the built-in synthesizer could not load "
           "its sound font.";
}
