#pragma once

#include "sequencer/SequencerExport.h"

#include "sequencer/data/DCsqMidi.h"

#include <cstdint>

// The sequencer data of a channel mode message: the basic channel, the channel count of
// mode 4 (omni off, mono) and the output device the messages go to, which is the data's own
// rather than a voice's.
class SEQUENCER_API DCsqChannelMode : public DCsqMidi {
    PLAT_DECLARE_SERIAL(DCsqChannelMode)
public:
    DCsqChannelMode() = default;
    DCsqChannelMode(const DCsqChannelMode& other);
    DCsqChannelMode& operator=(const DCsqChannelMode& other);
    // Equal bytes.
    bool operator==(const DCsqChannelMode& other) const;
    bool operator!=(const DCsqChannelMode& other) const { return !(*this == other); }

    // The message record, then the basic channel and the mode-4 channel count (read from
    // version 4 on); the device is not stored.
    void Serialize(plat::Archive& archive) override;
    DCBase* Copy(plat::Object* other) override;
    int GetClassType() const override;
    // One or two controller messages on the basic channel, by the element's mode type; none
    // for a type above 8.
    void GetEventData(CSeqEventList& list, CSequence* sequence) override;

    uint8_t GetBasicChannel() const { return m_basicChannel; }
    void SetBasicChannel(uint8_t channel) { m_basicChannel = channel; }
    uint8_t GetMode4Channels() const { return m_mode4Channels; }
    void SetMode4Channels(uint8_t count) { m_mode4Channels = count; }
    uint8_t GetDevice() const { return m_device; }
    void SetDevice(uint8_t device) { m_device = device; }

private:
    uint8_t m_mode4Channels = 1;
    uint8_t m_basicChannel = 0;
    uint8_t m_device = 0;
};
