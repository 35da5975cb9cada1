#include "notabase/commands/CCRemoveKey.h"

#include "notabase/commands/CCAddKey.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/score/ECKey.h"
#include "notabase/score/ECMeasure.h"

PLAT_IMPLEMENT_DYNCREATE(CCRemoveKey, CCRemove)

CCRemoveKey::CCRemoveKey() = default;

CCRemoveKey::CCRemoveKey(ECKey* key)
{
    CCRemoveKey::Remove(key);
}

CCRemoveKey::~CCRemoveKey() = default;

int CCRemoveKey::GetCommandId()
{
    return CommandIds::CCRemoveKey;
}

CCRemoveItem* CCRemoveKey::Remove(ECBase* element)
{
    if (auto* mark = plat::dynamicDowncast<ECKey>(element)) {
        if (m_marks.HasSubject())
            return nullptr;
        m_marks.SetSubject(mark, nullptr, 1);
        DiscardMirrors(mark);
    }
    return CCRemove::Remove(element);
}

int CCRemoveKey::Prepare()
{
    if (!CCBase::Prepare())
        return 0;
    m_marks.FindNeighbours(*this, false);
    return 1;
}

int CCRemoveKey::Process()
{
    m_marks.TakeOutMarked();
    return CCRemove::Process();
}

void CCRemoveKey::Undo()
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
