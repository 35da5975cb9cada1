#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/commands/CCAdd.h"

class ECStaff;
class ECTrack;

// Adds tracks through the conductor, which places and numbers them: staves, wave tracks and the
// conductor staff. Its items name the tracks and no parent. The staves of one command stand one
// after the other from the insert position (a staff number; -1 after the last), and so do its
// wave tracks (a wave track position from 0). Undoing it removes the tracks again.
class NOTABASE_API CCAddTrack : public CCAdd {
    PLAT_DECLARE_DYNCREATE(CCAddTrack)
public:
    CCAddTrack() = default;
    CCAddTrack(ECTrack* track, int position);

    int GetCommandId() override;
    int Process() override;
    // Applies a synchronous CCRemoveTrack of the staves and wave tracks.
    void Undo() override;

    int GetInsertPosition() const { return m_insertPosition; }
    void SetInsertPosition(int position) { m_insertPosition = position; }
    // Adds count new staves of the type, or wave tracks.
    void AddMidiTrack(unsigned char staffType, int count);
    void AddWaveTrack(int count);

protected:
    // A staff brought in with more measures than the piece has bars loses its last ones, with
    // what they hold.
    void RemoveExtraMeasures(ECStaff* staff);

private:
    int m_insertPosition = -1;
};
