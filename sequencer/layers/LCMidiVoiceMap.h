#pragma once

#include "sequencer/SequencerExport.h"

#include "sequencer/layers/LCMidiFilter.h"

#include <array>
#include <cstdint>

// The voice-map layer of older documents: the output device and channel of each of a staff's
// 8 voices. A loaded map naming a device this machine does not have takes the default device.
class SEQUENCER_API LCMidiVoiceMap : public LCMidiFilter {
    PLAT_DECLARE_SERIAL(LCMidiVoiceMap)
public:
    static constexpr int voiceCount = 8;
    static unsigned int s_uDefaultDevice;

    LCMidiVoiceMap();
    LCMidiVoiceMap(const LCMidiVoiceMap& other) = default;
    LCMidiVoiceMap& operator=(const LCMidiVoiceMap& other) = default;
    bool operator==(const LCMidiVoiceMap& other) const { return m_voices == other.m_voices; }
    bool operator!=(const LCMidiVoiceMap& other) const { return !(*this == other); }

    // The LCBase bytes, then 8 × (device, channel) as 32-bit words.
    void Serialize(plat::Archive& archive) override;
    LCBase* Copy(plat::Object* other) override;

    // A voice of 8 or more is ignored.
    void SetVoiceDevChan(unsigned int voice, int device, int channel);
    // 0 for a voice of 8 or more.
    int GetVoiceDevice(unsigned int voice) const;
    int GetVoiceChannel(unsigned int voice) const;
    // 1 when voices 1-7 all have voice 0's device and channel.
    int AllVoiceMapsEqual() const;

private:
    struct DevChan {
        int32_t device;
        int32_t channel;
        bool operator==(const DevChan& other) const { return device == other.device && channel == other.channel; }
    };
    std::array<DevChan, voiceCount> m_voices;
};
