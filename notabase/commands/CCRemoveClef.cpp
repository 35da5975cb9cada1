#include "notabase/commands/CCRemoveClef.h"

#include "notabase/commands/CCAddClef.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/score/ECClef.h"
#include "notabase/score/ECMeasure.h"

PLAT_IMPLEMENT_DYNCREATE(CCRemoveClef, CCRemove)

CCRemoveClef::CCRemoveClef() = default;

CCRemoveClef::CCRemoveClef(ECClef* clef)
{
    CCRemoveClef::Remove(clef);
}

CCRemoveClef::~CCRemoveClef() = default;

int CCRemoveClef::GetCommandId()
{
    return CommandIds::CCRemoveClef;
}

CCRemoveItem* CCRemoveClef::Remove(ECBase* element)
{
    if (auto* mark = plat::dynamicDowncast<ECClef>(element)) {
        if (m_marks.HasSubject())
            return nullptr;
        m_marks.SetSubject(mark, nullptr, 1);
        DiscardMirrors(mark);
    }
    return CCRemove::Remove(element);
}

int CCRemoveClef::Prepare()
{
    if (!CCBase::Prepare())
        return 0;
    m_marks.FindNeighbours(*this, false);
    return 1;
}

int CCRemoveClef::Process()
{
    m_marks.TakeOutMarked();
    return CCRemove::Process();
}

void CCRemoveClef::Undo()
{
    ECBase* subject = m_marks.GetMark(0);
    if (subject) {
        auto add = m_marks.MakeAdd(m_marks.GetMark(0), m_marks.Get(0)->GetMeasure());
        GiveBackMirrors(*add);
        add->Apply(GetTarget());
        m_marks.PutBackMarked(*this, false);
    }
    // Other elements given to the command go back as a plain removal's would.
    plat::RefPtr<CCAdd> others(new CCAdd);
    others->SetSynchronous(IsSynchronous());
    for (auto it = GetItems().rbegin(); it != GetItems().rend(); ++it) {
        if ((*it)->GetChild() != subject && (*it)->GetParent())
            others->Add((*it)->GetChild(), (*it)->GetParent(), FCMidi::MidiNull());
    }
    if (!others->GetItems().empty()) {
        if (!subject)
            GiveBackMirrors(*others);
        others->Apply(GetTarget());
    }
}
