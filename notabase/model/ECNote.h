#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECWithTimeChild.h"
#include "notabase/values/MCTime.h"

// A sounding note: a time, a written duration and the marks hung under it. Pitch and velocity
// are not here: they travel in the data components other libraries attach to the element.
//
// Notes share one pair of duration functions that turn a written duration into a played one
// and back (set by the sequencer or the inspector); without them both directions are the
// identity.
class NOTABASE_API ECNote : public ECWithTimeChild {
    PLAT_DECLARE_SERIAL(ECNote)
public:
    using DurationFunc = MCTime (*)(MCTime* duration, void* data);

    // Time 0, one quarter note long.
    ECNote();
    ECNote(const MCTime& time, const MCTime& duration);
    // Takes the time and the duration too.
    ECNote(const ECNote& other);
    // Takes the voice/track word, not the time nor the duration.
    ECNote& operator=(const ECNote& other);
    // Equal times and durations.
    bool operator==(const ECNote& other) const;
    bool operator!=(const ECNote& other) const { return !(*this == other); }

    // The ECWithTimeChild record, then the duration (read in the document's version, written
    // in the current form).
    void Serialize(plat::Archive& archive) override;
    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;
    MCTime* GetDuration() override { return &m_duration; }
    void SetDuration(const MCTime* duration) override;

    // The played length of a written duration (inverse 0) or the written length of a played
    // one (inverse non-zero), through the duration functions when they are set.
    static MCTime ScaleDuration(MCTime* duration, int inverse);
    // Sets both functions and the data handed to them, together.
    static void SetDurationFuncs(DurationFunc forward, DurationFunc inverse, void* data);

private:
    MCTime m_duration{1.0f};
};
