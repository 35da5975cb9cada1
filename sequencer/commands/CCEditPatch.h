#pragma once

#include "sequencer/SequencerExport.h"

#include "notabase/commands/CCBase.h"
#include "sequencer/commands/CCEditPatchItem.h"

#include <memory>
#include <vector>

class ECEnvPoint;
class MCEventList;

// Changes the instrument (program and bank) and the output address of staff voices at given
// times, as the instrument page asks, and lets the voices be heard with it at once.
class SEQUENCER_API CCEditPatch : public CCBase {
    PLAT_DECLARE_DYNCREATE(CCEditPatch)
public:
    CCEditPatch() = default;
    ~CCEditPatch() override;

    int GetCommandId() override;
    // The item of that staff, voice and time, made and appended when there is none.
    CCEditPatchItem* EditPatch(ECStaff* staff, int voice, const MCTime& time);
    // Appends each item's patch point; whether the list then holds anything.
    int GetEditEvents(MCEventList& list);
    const std::vector<std::unique_ptr<CCEditPatchItem>>& GetItems() const { return m_items; }
    // Once the items are processed, gives the point back that value, voice and track: the
    // undo of a move onto an output whose patch at that time belonged to another voice.
    void RestorePoint(ECEnvPoint* point, float value, int voice, int track);

    int Prepare() override;
    int Process() override;
    // Sends each voice its sound at once: all sound off, bank select and program of the
    // patch envelope's first point, on the voice's device and channel.
    int Finish() override;
    // Applies the old values; a point the edit made is taken out, one it changed gets its old
    // patch back.
    void Undo() override;

private:
    struct Restore {
        plat::RefPtr<ECEnvPoint> point;
        float value;
        int voice;
        int track;
    };
    std::vector<std::unique_ptr<CCEditPatchItem>> m_items;
    std::vector<Restore> m_restores;
};
