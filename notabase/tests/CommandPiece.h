#pragma once

// A piece of one or more staves for the tests of the edit, envelope, key and clef commands,
// with the usual ways of running a command: as one undoable user action, or alone.

#include "notabase/commands/CCBase.h"
#include "notabase/model/ECNote.h"
#include "notabase/score/ECMeasure.h"
#include "notabase/score/ECStaff.h"
#include "notabase/tests/ScorePiece.h"

#include <algorithm>
#include <string>
#include <vector>

class CommandTest : public ScoreTest {
protected:
    // Staves and bars of 4/4 up to the time.
    void build(int staves, float endTime)
    {
        addStaves(staves);
        addBarsUpTo(endTime);
    }
    // A command as one undoable user action.
    void act(CCBase* command, const std::string& name = "act")
    {
        MCCommandMgr::BeginUndo(m_performance, name);
        command->SetSynchronous(1);
        command->Apply(m_performance);
        MCCommandMgr::EndUndo(m_performance);
    }
    // A command outside any undo step.
    void apply(CCBase* command)
    {
        command->SetSynchronous(1);
        command->Apply(m_performance);
    }
    ECStaff* staff(int number) { return conductorStaff().GetStaff(number, 0); }
    ECMeasure* measureAt(int staff, float time) { return m_conductor->GetMeasure(staff, MCTime(time), 0, 0); }
    // A note of a quarter at the time, in its bar on the staff.
    ECNote* note(int staff, float time, float duration = 1.0f)
    {
        auto* made = new ECNote(MCTime(time), MCTime(duration));
        made->SetVoiceTrack(0, staff);
        measureAt(staff, time)->AddChild(made, 1);
        return made;
    }
    std::vector<uint8_t> bytes() { return storePiece(*m_performance); }
    // Where two stored pieces first differ, for a readable failure; -1 when they are the same.
    static long firstDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b)
    {
        const size_t common = std::min(a.size(), b.size());
        for (size_t i = 0; i < common; ++i) {
            if (a[i] != b[i])
                return static_cast<long>(i);
        }
        return a.size() == b.size() ? -1 : static_cast<long>(common);
    }
    static float timeOf(ECBase* element) { return element->GetTime()->GetSeconds(); }
    static std::vector<ECBase*> childrenOf(ECBase* element)
    {
        MCEventList* children = element->GetChildren();
        return children ? std::vector<ECBase*>(children->begin(), children->end()) : std::vector<ECBase*>{};
    }
};
