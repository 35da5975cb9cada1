#include "interface/document/CCTranspose.h"

#include "notabase/actions/ACFindEvents.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/commands/CCEditItem.h"
#include "notabase/commands/MCCommandList.h"
#include "notabase/model/EventTypes.h"
#include "notabase/score/ECKey.h"

PLAT_IMPLEMENT_DYNCREATE(CCTranspose, CCEdit)

namespace {

// Steps of the circle of fifths by interval size (unison, second, ... seventh).
constexpr int kFifths[7] = {0, 2, 4, -1, 1, 3, 5};

}  // namespace

CCTranspose::CCTranspose() = default;
CCTranspose::~CCTranspose() = default;

int CCTranspose::GetCommandId()
{
    return kCommandId;
}

void CCTranspose::TransposeEvent(ECBase* element)
{
    if (element)
        m_events.AddTail(element);
}

void CCTranspose::TransposeEvents(MCEventList* elements)
{
    if (elements)
        m_events.AddEvents(*elements);
}

CCEditItem* CCTranspose::EditEvent(ECBase* /*element*/)
{
    return nullptr;
}

int CCTranspose::Prepare()
{
    return CCEdit::Prepare() ? 1 : 0;
}

int CCTranspose::KeySteps(int quality, int quantity, int amount)
{
    int steps = kFifths[((quantity % 7) + 7) % 7];
    if (quality == 2 || quality == 4)
        steps -= 7;
    else if (quality == 3)
        steps += 7;
    return amount < 0 ? -steps : steps;
}

void CCTranspose::TransposeKey(int& sharps, int& flats, int steps)
{
    if (steps > 0) {
        if (sharps > 0) {
            sharps += steps;
        } else {
            sharps = steps - flats;
            if (sharps < 0) {
                flats = -sharps;
                sharps = 0;
            } else {
                flats = 0;
            }
        }
    } else {
        if (flats > 0) {
            flats -= steps;
        } else {
            flats = -steps - sharps;
            if (flats < 0) {
                sharps = -flats;
                flats = 0;
            } else {
                sharps = 0;
            }
        }
    }
    // Beyond seven accidentals the key is written the other way round the circle; twelve or more
    // come back to the same side (a key holds at most seven of either).
    if (sharps > 7) {
        const int rest = sharps % 12;
        sharps = rest <= 7 ? rest : 0;
        flats = rest <= 7 ? 0 : 12 - rest;
    } else if (flats > 7) {
        const int rest = flats % 12;
        flats = rest <= 7 ? rest : 0;
        sharps = rest <= 7 ? 0 : 12 - rest;
    }
}

void CCTranspose::EditKeys(const std::vector<KeyChange>& changes, bool before)
{
    MCCommandList list;
    for (const KeyChange& change : changes) {
        auto* edit = static_cast<CCEdit*>(list.GetCommand(CommandIds::CCEdit, &CCEdit::classObject));
        CCEditItem* item = edit ? edit->EditEvent(change.key.get()) : nullptr;
        auto* copy = item ? plat::dynamicDowncast<ECKey>(item->GetNewEvent()) : nullptr;
        if (!copy)
            continue;
        copy->SetNumSharps(before ? change.sharpsBefore : change.sharpsAfter);
        copy->SetNumFlats(before ? change.flatsBefore : change.flatsAfter);
    }
    if (list.IsEmpty())
        return;
    for (CCBase* command : list) {
        command->SetSynchronous(1);
        command->SetCanUndo(0);
    }
    list.Apply(GetTarget());
}

void CCTranspose::ChangeKey()
{
    std::vector<KeyChange> changes;
    const int steps = KeySteps(m_quality, m_quantity, m_amount);
    for (ECBase* staff : m_events) {
        if (staff->GetEventId() != EventId::Staff)
            continue;
        ACFindEvents find;
        find.AddEvtType(EventId::Key);
        find.SetDepth(2);
        find.Apply(staff);
        for (ECBase* element : find.GetEvents()) {
            auto* key = plat::dynamicDowncast<ECKey>(element);
            if (!key)
                continue;
            int sharps = key->GetNumSharps();
            int flats = key->GetNumFlats();
            TransposeKey(sharps, flats, steps);
            changes.push_back(KeyChange{plat::RefPtr<ECBase>(key), key->GetNumSharps(), key->GetNumFlats(),
                                        static_cast<uint8_t>(sharps), static_cast<uint8_t>(flats)});
        }
    }
    EditKeys(changes, false);
    m_keyChanges = std::move(changes);
}

int CCTranspose::Process()
{
    if (!CCEdit::Process())
        return 0;
    if (m_restore) {
        // Back to the values noted, newest first, so an element changed twice ends as it began.
        for (auto it = m_restorePitches.rbegin(); it != m_restorePitches.rend(); ++it)
            ACTranspose::SetField(it->element.get(), it->field, it->before);
        EditKeys(m_restoreKeys, true);
        return 1;
    }
    ACTranspose transpose(m_amount);
    transpose.Apply(&m_events, 1);
    m_pitchChanges = transpose.GetChanges();
    m_keyChanges.clear();
    if (m_changeKey)
        ChangeKey();
    return 1;
}

void CCTranspose::Undo()
{
    if (m_events.IsEmpty())
        return;
    auto* inverse = new CCTranspose;
    inverse->SetSynchronous(IsSynchronous());
    inverse->SetTransposeType(m_type);
    inverse->SetTransposeAmount(-m_amount);
    inverse->SetTransposeInterval(m_quality, m_quantity);
    inverse->SetChangeKey(m_changeKey);
    inverse->TransposeEvents(&m_events);
    inverse->m_restore = true;
    inverse->m_restorePitches = m_pitchChanges;
    inverse->m_restoreKeys = m_keyChanges;
    inverse->Apply(GetTarget());
}
