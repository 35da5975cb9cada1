#pragma once

#include "sequencer/SequencerExport.h"

#include "notabase/values/MCVoiceTrack.h"

#include <array>
#include <vector>

class CSequence;

// Which voices of a document's staves play on a MIDI output device and channel, and which
// address is still free. The table is built afresh for every question, so it always follows the
// current voice maps.
class SEQUENCER_API MCConflictMgr {
public:
    static constexpr int channelCount = 16;
    // Flags of GetNextAvailable.
    enum : unsigned long {
        skipDrumChannel = 0x1,   // never offer channel 9
        preferredDevice = 0x4,   // only the channels of the default play device
    };

    MCConflictMgr() = default;
    explicit MCConflictMgr(CSequence* sequence) : m_sequence(sequence) {}
    MCConflictMgr(const MCConflictMgr&) = delete;
    MCConflictMgr& operator=(const MCConflictMgr&) = delete;

    // The voices (voice and track) that play on the device and channel, or null when none
    // does or there is no such device or channel. The list is the manager's and lasts until
    // its next question.
    const std::vector<MCVoiceTrack>* CheckConflicts(int device, int channel, unsigned long flags = 0);
    // The first device and channel that no voice uses, devices and channels upwards; 1 when one
    // is free. When none is, the channel is 0 and so is the device, unless only the default
    // play device was asked about.
    int GetNextAvailable(int& device, int& channel, unsigned long flags);

private:
    using DeviceTable = std::array<std::vector<MCVoiceTrack>, channelCount>;

    void BuildTable();
    // The first free channel of a device in the table, or -1.
    int FreeChannel(int device, unsigned long flags) const;

    CSequence* m_sequence = nullptr;
    std::vector<DeviceTable> m_table;
};
