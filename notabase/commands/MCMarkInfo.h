#pragma once

#include "notabase/model/EventTypes.h"
#include "notabase/score/ECMeasure.h"
#include "notabase/values/MCTime.h"
#include "platform/core/RefPtr.h"

// What the key and clef commands remember of a key or clef they touch (the one they add or
// remove, the one in force before it, the next one of its hand): the mark, its measure, its time
// and hand when the snapshot was made, and whether the command takes it out as a neighbour.
template <class MarkType>
class MCMarkInfo {
public:
    using Mark = MarkType;

    // Without a measure, the mark's own measure.
    MCMarkInfo(Mark* mark, ECMeasure* measure)
        : m_mark(mark), m_time(*mark->GetTime()), m_hand(mark->GetHand())
    {
        if (!measure)
            measure = plat::dynamicDowncast<ECMeasure>(mark->GetAncestor(EventId::Measure, -1));
        m_measure.reset(measure);
    }

    Mark* GetMark() const { return m_mark.get(); }
    ECMeasure* GetMeasure() const { return m_measure.get(); }
    const MCTime& GetTime() const { return m_time; }
    unsigned char GetHand() const { return m_hand; }
    int ShouldRemove() const { return m_remove; }
    void SetRemove(int remove) { m_remove = remove; }

private:
    plat::RefPtr<Mark> m_mark;
    plat::RefPtr<ECMeasure> m_measure;
    MCTime m_time;
    unsigned char m_hand;
    int m_remove = 0;
};
