#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/commands/CCEditItem.h"
#include "notabase/model/ECBase.h"
#include "notabase/values/MCTime.h"
#include "platform/core/RefPtr.h"

class ECTuplet;

// One element a CCEditTime moves to a new time. An element of a measure that must change places
// (into another bar, out of a chord, out of a tuplet) gets a new parent: the measure of its track
// at the new time. A tuplet it leaves is kept, so that a copy of it can hold the element there.
// Grace notes only change their time. No copies of the element are made.
class NOTABASE_API CCEditTimeItem : public CCEditItem {
public:
    CCEditTimeItem() = default;
    // Looks up where the element goes in the graph as it stands now. A bar that does not exist
    // yet is not made here, outside any command: the command makes it when it runs.
    CCEditTimeItem(ECBase* element, const MCTime* time);
    ~CCEditTimeItem() override;

    const MCTime& GetNewTime() const { return m_newTime; }
    // TimeNull until recorded.
    const MCTime& GetOldTime() const { return m_oldTime; }
    // The measure the element goes into, or null when it stays where it is.
    ECBase* GetNewParent() const { return m_newParent.get(); }
    ECTuplet* GetOldTuplet() const { return m_oldTuplet.get(); }
    // The track whose bar at the new time the element goes into and that did not exist when the
    // item was made; -1 when there is none to make.
    int GetMissingBarTrack() const { return m_missingBarTrack; }
    void SetNewParent(ECBase* measure) { m_newParent.reset(measure); }

    void Process(int recordOld) override;

private:
    // Moves the element, which has no new parent: a span point keeps the other end of its span.
    void moveInPlace();

    MCTime m_newTime;
    MCTime m_oldTime = MCTime::TimeNull();
    plat::RefPtr<ECBase> m_newParent;
    plat::RefPtr<ECTuplet> m_oldTuplet;
    int m_missingBarTrack = -1;
};
