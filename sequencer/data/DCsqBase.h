#pragma once

#include "sequencer/SequencerExport.h"

#include "notabase/data/DCBase.h"
#include "sequencer/events/CSeqEvent.h"

class CSequence;
class LCBase;

// The class types of the sequencer's data classes (GetClassType); other code tests them.
namespace SeqClassType {
enum : int {
    Base = 0,
    Accent = 1,
    BankLSB = 2,
    BankMSB = 3,
    ConductorStaff = 4,
    Dynamic = 5,
    FlowControl = 6,
    Filter = 7,
    Key = 8,
    Lyric = 9,
    Meter = 10,
    Midi = 11,
    Note = 12,
    Program = 13,
    Staff = 14,
    SysMsg = 15,
    Tempo = 16,
    Text = 17,
    Transpose = 18,
    Track = 19,
    Wave = 20,
    WaveTrack = 21,
    ChannelMode = 22,
};
}  // namespace SeqClassType

// The sequencer's data of one playable element: it turns its element into performance events
// and links itself into the sequence's time-ordered data list. The links belong to that list;
// the data belongs to its element. Stored documents keep the list's order: the links are
// written as references once the whole graph is stored.
class SEQUENCER_API DCsqBase : public DCBase {
    PLAT_DECLARE_SERIAL(DCsqBase)
public:
    DCsqBase() = default;
    // A copy stands in no list.
    DCsqBase(const DCsqBase& other) : DCBase(other) {}
    DCsqBase& operator=(const DCsqBase& other);
    bool operator==(const DCsqBase& other) const { return DCBase::operator==(other); }
    bool operator!=(const DCsqBase& other) const { return !(*this == other); }

    DCBase* Copy(plat::Object* other) override;
    // The links, as references to data of this family.
    void PostSerialize(plat::Archive& archive) override;

    virtual int GetClassType() const;
    // The filter the data applies to events; null here.
    virtual LCBase* GetFilter() const;
    // Appends the owner element's events for playback by the sequence; nothing here.
    virtual void GetEventData(CSeqEventList& list, CSequence* sequence);
    // The one track whose playing this datum's events belong to (none come while another
    // track is played alone), or kAnyTrack when it counts for every track.
    static constexpr int kAnyTrack = -1;
    virtual int PlayedTrack() const;

    DCsqBase* GetPrev() const { return m_prev; }
    void SetPrev(DCsqBase* prev) { m_prev = prev; }
    DCsqBase* GetNext() const { return m_next; }
    void SetNext(DCsqBase* next) { m_next = next; }

protected:
    // The track number of the owner's voice/track word: 2047 when it carries none.
    int OwnerTrackNumber() const;

private:
    DCsqBase* m_prev = nullptr;
    DCsqBase* m_next = nullptr;
};
