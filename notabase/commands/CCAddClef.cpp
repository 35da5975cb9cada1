#include "notabase/commands/CCAddClef.h"

#include "notabase/commands/CCRemoveClef.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/score/ECClef.h"
#include "notabase/score/ECMeasure.h"

PLAT_IMPLEMENT_DYNCREATE(CCAddClef, CCAdd)

CCAddClef::CCAddClef() = default;

CCAddClef::CCAddClef(ECClef* clef, ECMeasure* measure)
{
    CCAddClef::Add(clef, measure, FCMidi::MidiNull());
}

CCAddClef::~CCAddClef() = default;

int CCAddClef::GetCommandId()
{
    return CommandIds::CCAddClef;
}

CCAddItem* CCAddClef::Add(ECBase* clef, ECBase* measure, const FCMidi& data)
{
    auto* mark = plat::dynamicDowncast<ECClef>(clef);
    if (!mark || m_marks.HasSubject())
        return nullptr;
    m_marks.SetSubject(mark, plat::dynamicDowncast<ECMeasure>(measure), 0);
    return CCAdd::Add(clef, measure, data);
}

int CCAddClef::Prepare()
{
    if (!CCBase::Prepare())
        return 0;
    m_marks.FindNeighbours(*this, true);
    return 1;
}

int CCAddClef::Process()
{
    m_marks.TakeOutMarked();
    return CCAdd::Process();
}

void CCAddClef::Undo()
{
    if (!m_marks.HasSubject())
        return;
    m_marks.MakeRemove(m_marks.GetMark(0))->Apply(GetTarget());
    m_marks.PutBackMarked(*this, true);
}
