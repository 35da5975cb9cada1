#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECWithTimeChild.h"

// The base of everything that is a track of the conductor: the notation staves, the conductor
// staff and the digital-audio tracks. A track stands at time 0 and carries voice 14; the
// conductor gives it its track number.
class NOTABASE_API ECTrack : public ECWithTimeChild {
    PLAT_DECLARE_SERIAL(ECTrack)
public:
    // Time 0, voice 14, no track.
    ECTrack();
    ECTrack(const ECTrack& other);
    // Unlike other elements, a track takes over the time as well as the voice/track word.
    ECTrack& operator=(const ECTrack& other);
    // Equal times and voice/track words.
    bool operator==(const ECTrack& other) const;
    bool operator!=(const ECTrack& other) const { return !(*this == other); }

    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;

protected:
    // A track's bars run to thousands: whole runs of them are cut out and put back.
    ChildFinger* childFinger() const override { return &m_finger; }

private:
    mutable ChildFinger m_finger;
};
