#pragma once

#include "sequencer/SequencerExport.h"

#include "platform/core/Object.h"

#include <cstdint>

// The output address of one voice of a track: a MIDI output device and a MIDI channel.
class SEQUENCER_API MCVoiceMap : public plat::Object {
    PLAT_DECLARE_SERIAL(MCVoiceMap)
public:
    MCVoiceMap() = default;
    MCVoiceMap(const MCVoiceMap& other) = default;
    MCVoiceMap& operator=(const MCVoiceMap& other) = default;
    bool operator==(const MCVoiceMap& other) const { return m_device == other.m_device && m_channel == other.m_channel; }
    bool operator!=(const MCVoiceMap& other) const { return !(*this == other); }

    // The device byte, then the channel byte.
    void Serialize(plat::Archive& archive) override;

    unsigned int GetDevice() const { return m_device; }
    // Keeps the low byte.
    void SetDevice(unsigned int device) { m_device = static_cast<uint8_t>(device); }
    unsigned int GetChannel() const { return m_channel; }
    // A channel of 16 or more is ignored.
    void SetChannel(unsigned int channel)
    {
        if (channel < 16)
            m_channel = static_cast<uint8_t>(channel);
    }

private:
    uint8_t m_device = 0;
    uint8_t m_channel = 0;
};
