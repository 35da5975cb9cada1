#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/commands/CCEdit.h"
#include "notabase/score/MCGroup.h"

#include <cstdint>
#include <optional>

class ECConductorStaff;

// Groups a run of staves in the conductor staff's staff groups, or removes a group by its ID.
// It edits no element: EditEvent answers null and the edit list stays empty. Undo applies the
// opposite command, which also puts back the groups exactly as this command found them (the
// IDs and entries included, which a new grouping could not give back).
class NOTABASE_API CCGroupStaves : public CCEdit {
    PLAT_DECLARE_DYNCREATE(CCGroupStaves)
public:
    // Bit 0 of the mode: 1 group, 0 ungroup.
    static constexpr uint8_t modeGroup = 0x01;

    CCGroupStaves() = default;
    ~CCGroupStaves() override;

    int GetCommandId() override;
    // Finds the conductor staff and, for a grouping, brings the range within 0 .. staff count.
    int Prepare() override;
    int Process() override;
    void Undo() override;
    CCEditItem* EditEvent(ECBase* element) override;

    void GroupStaves(int first, int last, int kind);
    void UngroupStaves(int group);

    int IsGrouping() const { return (m_mode & modeGroup) ? 1 : 0; }
    int GetFirstStaff() const { return m_firstStaff; }
    int GetLastStaff() const { return m_lastStaff; }
    int GetGroupKind() const { return m_groupKind; }
    // The ID of the group made or removed; -1 before a grouping has run, or when it was refused.
    int GetGroup() const { return m_group; }

private:
    uint8_t m_mode = modeGroup;
    int m_firstStaff = 0;
    int m_lastStaff = 0x7FFFFFFF;
    int m_groupKind = 1;
    int m_group = -1;
    ECConductorStaff* m_conductorStaff = nullptr;
    // The groups as the last run found them, for undo.
    std::optional<MCGroup> m_before;
    // For the command that undoes another: the groups to put back.
    std::optional<MCGroup> m_restore;
};
