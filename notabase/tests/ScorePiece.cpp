#include "notabase/tests/ScorePiece.h"

#include "notabase/commands/CCAddTrack.h"
#include "notabase/commands/ConfigureRemove.h"
#include "notabase/commands/MCCommandList.h"
#include "notabase/score/ECMeasure.h"

PLAT_IMPLEMENT_SERIAL(CountedNote, TENote, plat::kVersionableSchema | 2)

int CountedNote::s_alive = 0;

void ScoreTest::addStaves(int count)
{
    auto* add = new CCAddTrack;
    add->AddMidiTrack(0, count);
    add->SetSynchronous(1);
    add->Apply(m_performance);
}

CountedNote* ScoreTest::addNote(int staff, float time)
{
    ECMeasure* measure = m_conductor->GetMeasure(staff, MCTime(time), 0, 0);
    if (!measure)
        return nullptr;
    auto* note = new CountedNote(time);
    note->SetVoiceTrack(0, staff);
    measure->AddChild(note, 1);
    return note;
}

void ScoreTest::deleteSelection(MCEventList& selection)
{
    MCCommandList commands;
    ASSERT_EQ(ConfigureRemove(&selection, commands), 1);
    MCCommandMgr::BeginUndo(m_performance, "Delete");
    commands.SetSynchronous(1);
    commands.Apply(m_performance);
    MCCommandMgr::EndUndo(m_performance);
}
