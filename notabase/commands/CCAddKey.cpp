#include "notabase/commands/CCAddKey.h"

#include "notabase/commands/CCRemoveKey.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/score/ECKey.h"
#include "notabase/score/ECMeasure.h"

PLAT_IMPLEMENT_DYNCREATE(CCAddKey, CCAdd)

CCAddKey::CCAddKey() = default;

CCAddKey::CCAddKey(ECKey* key, ECMeasure* measure)
{
    CCAddKey::Add(key, measure, FCMidi::MidiNull());
}

CCAddKey::~CCAddKey() = default;

int CCAddKey::GetCommandId()
{
    return CommandIds::CCAddKey;
}

CCAddItem* CCAddKey::Add(ECBase* key, ECBase* measure, const FCMidi& data)
{
    auto* mark = plat::dynamicDowncast<ECKey>(key);
    if (!mark || m_marks.HasSubject())
        return nullptr;
    m_marks.SetSubject(mark, plat::dynamicDowncast<ECMeasure>(measure), 0);
    return CCAdd::Add(key, measure, data);
}

int CCAddKey::Prepare()
{
    if (!CCBase::Prepare())
        return 0;
    m_marks.FindNeighbours(*this, true);
    return 1;
}

int CCAddKey::Process()
{
    m_marks.TakeOutMarked();
    return CCAdd::Process();
}

void CCAddKey::Undo()
{
    if (!m_marks.HasSubject())
        return;
    m_marks.MakeRemove(m_marks.GetMark(0))->Apply(GetTarget());
    m_marks.PutBackMarked(*this, true);
}
