#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/commands/CCEditItem.h"
#include "notabase/model/ECBase.h"
#include "notabase/values/MCTime.h"
#include "platform/core/RefPtr.h"

#include <vector>

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

    // Makes this item (of an undo's command) put its element back exactly where the done item
    // found it on its first run in an undo step: in each of its parents at its place there, with
    // a chord or tuplet it left put back first when it went with it. Without such a record the
    // element only gets its time back.
    void ReturnAs(const CCEditTimeItem& done);
    bool IsReturn() const { return !m_returnPlaces.empty(); }

private:
    // A parent and the element's place among its children.
    struct Place {
        plat::RefPtr<ECBase> parent;
        int index = -1;
    };
    // The places of an element in each of its parents.
    struct Places {
        plat::RefPtr<ECBase> element;
        std::vector<Place> places;
    };
    static Places placesOf(ECBase* element);
    // Adds the child through the parent, which keeps its own order and caches, then moves it to
    // its place when that keeps the children in time order.
    static void placeAt(ECBase* parent, ECBase* child, int index);
    // Moves the element, which has no new parent: a span point keeps the other end of its span.
    void moveInPlace();
    // Records where the element and its chord or tuplet stand.
    void recordPlaces();
    void returnToPlaces();

    MCTime m_newTime;
    MCTime m_oldTime = MCTime::TimeNull();
    plat::RefPtr<ECBase> m_newParent;
    plat::RefPtr<ECTuplet> m_oldTuplet;
    int m_missingBarTrack = -1;
    // Recorded on the first run in an undo step: the element's places, then those of its chords
    // and tuplets. Given to an undo's item, the places it puts the element back to.
    std::vector<Places> m_places;
    std::vector<Places> m_returnPlaces;
};
