#include "preferences/core/CPrefsDevices.h"

#include "interface/core/MCPaths.h"
#include "interface/document/MCOpusTemplate.h"
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
