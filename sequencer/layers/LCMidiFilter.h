#pragma once

#include "sequencer/SequencerExport.h"

#include "notabase/layers/LCBase.h"
#include "notabase/values/MCTime.h"

class ECBase;

// The base of the older per-staff processing layers, which documents of versions 0 to 2 store
// with their staves. It holds the time range the layer acts in. Stored as its LCBase record.
class SEQUENCER_API LCMidiFilter : public LCBase {
    PLAT_DECLARE_SERIAL(LCMidiFilter)
public:
    LCMidiFilter() = default;
    LCMidiFilter(const LCMidiFilter& other) = default;
    LCMidiFilter& operator=(const LCMidiFilter& other) = default;
    bool operator==(const LCMidiFilter& other) const { return m_begin == other.m_begin && m_end == other.m_end; }
    bool operator!=(const LCMidiFilter& other) const { return !(*this == other); }

    LCBase* Copy(plat::Object* other) override;
    // Takes its settings from an element; nothing here.
    virtual void UpdateParametersFrom(ECBase* element);

    const MCTime& GetBeginTime() const { return m_begin; }
    void SetBeginTime(const MCTime& time) { m_begin = time; }
    const MCTime& GetEndTime() const { return m_end; }
    void SetEndTime(const MCTime& time) { m_end = time; }

    // The version a layer of an old staff is read under: the document's, where a version 0
    // counts as 1 when the object was stored with schema 2 or later.
    static int LoadVersion(const plat::Archive& archive);

private:
    MCTime m_begin;
    MCTime m_end;
};
