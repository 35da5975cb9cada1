#pragma once

#include "sequencer/SequencerExport.h"

#include "notabase/commands/CCBase.h"
#include "sequencer/commands/CCEditPatchItem.h"

#include <memory>
#include <vector>

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

    int Prepare() override;
    int Process() override;
    // Sends each voice its sound at once: all sound off, bank select and program of the
    // patch envelope's first point, on the voice's device and channel.
    int Finish() override;
    // Applies the old values; a point the edit made is taken out, one it changed gets its old
    // patch back.
    void Undo() override;

private:
    std::vector<std::unique_ptr<CCEditPatchItem>> m_items;
};
