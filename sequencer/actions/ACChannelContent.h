#pragma once

#include "sequencer/SequencerExport.h"

#include "notabase/actions/ACBase.h"

#include <cstdint>

// Collects which MIDI channels the elements it visits play on: bit n of the mask for channel n,
// from the message of their note, program, bank or plain MIDI data.
class SEQUENCER_API ACChannelContent : public ACBase {
public:
    ACChannelContent();

    int DoAction(ECBase* element) override;
    uint16_t GetChannelContent() const { return m_channels; }

private:
    uint16_t m_channels = 0;
};
