#pragma once

#include "sequencer/SequencerExport.h"

#include "sequencer/layers/LCsqBase.h"

#include <array>
#include <vector>

class ECBase;

// The filter that blocks and thins event types as the sequencer preferences say, one for
// recorded input and one for output. Entries: 0 aftertouch, 1 channel mode, 2 controllers (by
// controller number), 3 notes, 4 NRPN (by parameter number), 5 program change, 6 pitch bend,
// 7 poly pressure, 8 RPN (by parameter number), 9 system exclusive. A blocked event is muted;
// of the events that may be thinned every second one is muted, counted across every entry and
// channel by one counter. Stored as its LCBase record.
class SEQUENCER_API LCsqPreferences : public LCsqBase {
    PLAT_DECLARE_SERIAL(LCsqPreferences)
public:
    static constexpr int entryCount = 10;
    static constexpr int controllerCount = 120;
    enum : int {
        entryAftertouch = 0,
        entryChannelMode = 1,
        entryControllers = 2,
        entryNotes = 3,
        entryNRPN = 4,
        entryProgramChange = 5,
        entryPitchBend = 6,
        entryPolyPressure = 7,
        entryRPN = 8,
        entrySysEx = 9,
    };

    LCsqPreferences() = default;
    // Copies the flags; the parameter lists and the counter stay this filter's own.
    LCsqPreferences(const LCsqPreferences& other);
    LCsqPreferences& operator=(const LCsqPreferences& other);
    // Equal flags.
    bool operator==(const LCsqPreferences& other) const;
    bool operator!=(const LCsqPreferences& other) const { return !(*this == other); }

    LCBase* Copy(plat::Object* other) override;
    int GetClassType() const override;
    // Mutes a blocked or thinned event; a muted event is left alone.
    void ProcessEvent(CSeqEvent* event, CSeqEventList& list) override;

    // Out-of-range entries, controllers of 120 and above, are ignored by the setters and read 0.
    void BlockEventType(int entry, int sub, int block);
    int EventTypeBlocked(int entry, int sub) const;
    // Only controllers (per number), aftertouch, pitch bend and poly pressure can be thinned.
    void ThinEventType(int entry, int sub, int thin);
    int EventTypeThinned(int entry, int sub) const;
    // Nonzero when the entry of a recorded message, or of an element by its id, is blocked.
    int FilterEvent(const FCMidi& message) const;
    int FilterEvent(ECBase* element) const;

    // The entry's name ("Aftertouch" ... "SysEx"), or null.
    static const char* EntryName(int entry);

protected:
    int BlockEvent(int entry, int sub) const;
    int BlockNRPN(int number) const;
    int BlockRPN(int number) const;
    void SetBlockNRPN(int number, int block);
    void SetBlockRPN(int number, int block);
    // Counts a thinnable event and answers whether this one is muted.
    int ThinEvent(int entry, int sub);

private:
    static bool hasEntryFlag(int entry);
    static void setListed(std::vector<int>& list, int number, int on);

    std::array<int, entryCount> m_blocked{};
    std::array<int, controllerCount> m_blockedControllers{};
    std::array<int, entryCount> m_thinned{};
    std::array<int, controllerCount> m_thinnedControllers{};
    std::vector<int> m_blockedRPN;
    std::vector<int> m_blockedNRPN;
    int m_thinCounter = 1;
};
