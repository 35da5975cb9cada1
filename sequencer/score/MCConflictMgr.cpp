#include "sequencer/score/MCConflictMgr.h"

#include "notabase/prefs/Preferences.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECTrack.h"
#include "sequencer/data/DCsqTrack.h"
#include "sequencer/transport/CSequence.h"
#include "wavegate/CWavegate.h"

namespace {

int midiOutputCount()
{
    CWavegate* wavegate = CWavegate::GetWavegate();
    return wavegate ? wavegate->GetDeviceCount(CWavegate::WG_MIDI, CWavegate::WG_OUT) : 0;
}

}  // namespace

const std::vector<MCVoiceTrack>* MCConflictMgr::CheckConflicts(int device, int channel, unsigned long /*flags*/)
{
    if (device < 0 || device >= midiOutputCount() || channel < 0 || channel >= channelCount)
        return nullptr;
    BuildTable();
    if (static_cast<size_t>(device) >= m_table.size())
        return nullptr;
    const std::vector<MCVoiceTrack>& users = m_table[static_cast<size_t>(device)][static_cast<size_t>(channel)];
    return users.empty() ? nullptr : &users;
}

int MCConflictMgr::GetNextAvailable(int& device, int& channel, unsigned long flags)
{
    BuildTable();
    if (flags & preferredDevice) {
        device = LoadIntPreference("Sequencer\\Midi\\Play", "Default Device", 0);
        // A preferred device that is not there has no free channel.
        const int free = (device >= 0 && static_cast<size_t>(device) < m_table.size()) ? FreeChannel(device, flags) : -1;
        channel = free < 0 ? 0 : free;
        return free < 0 ? 0 : 1;
    }
    for (size_t candidate = 0; candidate < m_table.size(); ++candidate) {
        const int free = FreeChannel(static_cast<int>(candidate), flags);
        if (free >= 0) {
            device = static_cast<int>(candidate);
            channel = free;
            return 1;
        }
    }
    device = 0;
    channel = 0;
    return 0;
}

void MCConflictMgr::BuildTable()
{
    m_table.assign(static_cast<size_t>(midiOutputCount()), DeviceTable{});
    ECConductor* conductor = m_sequence ? m_sequence->GetConductor() : nullptr;
    if (!conductor || m_table.empty())
        return;
    const int staves = conductor->GetMaxTrackNumber(ECConductor::staffTrack);
    for (int track = 1; track <= staves; ++track) {
        ECTrack* staff = conductor->GetTrack(ECConductor::staffTrack, track, 0);
        auto* data = plat::dynamicDowncast<DCsqTrack>(staff ? staff->GetData(0, 0) : nullptr);
        if (!data)
            continue;
        for (int voice = 0; voice < DCsqTrack::voiceCount; ++voice) {
            const MCVoiceMap& map = *data->GetVoiceMap(voice);
            if (map.GetDevice() < m_table.size() && map.GetChannel() < static_cast<unsigned int>(channelCount))
                m_table[map.GetDevice()][map.GetChannel()].emplace_back(voice, track);
        }
    }
}

int MCConflictMgr::FreeChannel(int device, unsigned long flags) const
{
    const DeviceTable& channels = m_table[static_cast<size_t>(device)];
    for (int channel = 0; channel < channelCount; ++channel) {
        if (channel == 9 && (flags & skipDrumChannel))
            continue;
        if (channels[static_cast<size_t>(channel)].empty())
            return channel;
    }
    return -1;
}
