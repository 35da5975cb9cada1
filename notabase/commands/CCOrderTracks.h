#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/commands/CCEdit.h"
#include "platform/core/RefPtr.h"

#include <map>
#include <vector>

class ECTrack;

// Gives tracks new track numbers, with everything under them, and puts the conductor's tracks in
// the new order. It edits no element through items: EditEvent answers null and the edit list
// stays empty. Undo gives every track the number it had when it was ordered.
class NOTABASE_API CCOrderTracks : public CCEdit {
    PLAT_DECLARE_DYNCREATE(CCOrderTracks)
public:
    using TrackOrder = std::map<ECTrack*, int>;

    CCOrderTracks() = default;
    ~CCOrderTracks() override;

    int GetCommandId() override;
    int Process() override;
    void Undo() override;
    CCEditItem* EditEvent(ECBase* element) override;

    // Records the track's new number, and its number now as its old one.
    void OrderTrack(ECTrack* track, int newNumber);
    // -1 for a track that is not ordered.
    int GetOldTrackNum(ECTrack* track) const;
    int GetNewTrackNum(ECTrack* track) const;
    // The new number of the track whose old number is given; -1 when none had it.
    int GetNewTrackNum(int oldNumber) const;

    const TrackOrder& GetNewTrackOrder() const { return m_newOrder; }
    const TrackOrder& GetOldTrackOrder() const { return m_oldOrder; }

private:
    TrackOrder m_newOrder;
    TrackOrder m_oldOrder;
    // The ordered tracks stay alive as long as the command may renumber them.
    std::vector<plat::RefPtr<ECTrack>> m_held;
};
