#include "sequencer/transport/CSequence.h"

#include "notabase/actions/ACFindEvents.h"
#include "notabase/model/ECBase.h"
#include "notabase/model/EventTypes.h"
#include "sequencer/data/DCsqBase.h"
#include "sequencer/data/DCsqSysMsg.h"
#include "sequencer/transport/CSequenceLocked.h"
#include "sequencer/transport/SequenceSupport.h"

using namespace sequence_support;

// ---- the data list

bool CSequence::StandsInList(const DCsqBase* data)
{
    switch (data->GetClassType()) {
    case SeqClassType::FlowControl:
    case SeqClassType::Key:
    case SeqClassType::Lyric:
    case SeqClassType::Meter:
    case SeqClassType::Midi:
    case SeqClassType::Note:
    case SeqClassType::SysMsg:
    case SeqClassType::Text:
    case SeqClassType::Wave:
    case SeqClassType::ChannelMode:
        return true;
    default:
        return false;
    }
}

DCsqBase* CSequence::ListData(ECBase* element)
{
    return element ? plat::dynamicDowncast<DCsqBase>(element->GetData(0, 0)) : nullptr;
}

void CSequence::InsertData(DCsqBase* data)
{
    if (!data)
        return;
    Locked locked(*this);
    // Inserted twice, the data would stand twice and close a cycle.
    if (data->GetPrev() || data->GetNext() || m_head == data)
        RemoveData(data);
    if (ECBase* owner = data->GetOwner()) {
        const MCTime* time = owner->GetTime();
        const auto* sysMsg = plat::dynamicDowncast<DCsqSysMsg>(data);
        const bool prestart = sysMsg && sysMsg->GetSysExData().HasData();
        if (time && *time < MCTime(0.0f) && !isNull(*time) && !prestart) {
            const MCTime zero(0.0f);
            owner->SetTime(&zero);
        }
    }
    if (!m_head) {
        data->SetPrev(nullptr);
        data->SetNext(nullptr);
        m_head = m_tail = m_recordPosition = m_playPosition = data;
        return;
    }
    const int where = FindInsertPosition(data);
    DCsqBase* before = nullptr;  // the node the data follows
    DCsqBase* after = nullptr;   // the node the data precedes
    switch (where) {
    case 0:
        after = m_head;
        break;
    case 1:
        after = m_recordPosition;
        before = after->GetPrev();
        break;
    case 2:
        before = m_recordPosition;
        after = before->GetNext();
        break;
    default:
        before = m_tail;
        break;
    }
    data->SetPrev(before);
    data->SetNext(after);
    if (before)
        before->SetNext(data);
    else
        m_head = data;
    if (after)
        after->SetPrev(data);
    else
        m_tail = data;
    m_recordPosition = data;
}

int CSequence::FindInsertPosition(DCsqBase* data)
{
    Locked locked(*this);
    DCsqBase* cursor = m_recordPosition ? m_recordPosition : m_head;
    if (!cursor)
        return 3;
    const MCTime time = dataTime(data);
    const int precedence = CMidiScoreMgr::GetPrecedence(data);
    bool moved = false;
    for (;;) {
        const MCTime cursorTime = dataTime(cursor);
        const int cursorPrecedence = CMidiScoreMgr::GetPrecedence(cursor);
        if (!(time > cursorTime || (time == cursorTime && precedence <= cursorPrecedence)))
            break;
        DCsqBase* next = cursor->GetNext();
        if (!next) {
            m_recordPosition = cursor;
            return 3;
        }
        cursor = next;
        moved = true;
    }
    if (moved) {
        m_recordPosition = cursor;
        return 1;
    }
    for (;;) {
        const MCTime cursorTime = dataTime(cursor);
        const int cursorPrecedence = CMidiScoreMgr::GetPrecedence(cursor);
        if (!(time < cursorTime || (time == cursorTime && precedence > cursorPrecedence)))
            break;
        DCsqBase* prev = cursor->GetPrev();
        if (!prev) {
            m_recordPosition = cursor;
            return 0;
        }
        cursor = prev;
    }
    m_recordPosition = cursor;
    return 2;
}

void CSequence::RemoveData(DCsqBase* data)
{
    if (!data)
        return;
    Locked locked(*this);
    DCsqBase* prev = data->GetPrev();
    DCsqBase* next = data->GetNext();
    if (!prev && !next && m_head != data)
        return;
    if (prev)
        prev->SetNext(next);
    if (next)
        next->SetPrev(prev);
    if (m_head == data)
        m_head = next;
    if (m_tail == data)
        m_tail = prev;
    if (m_recordPosition == data)
        m_recordPosition = prev ? prev : next;
    if (m_playPosition == data)
        m_playPosition = prev ? prev : next;
    data->SetPrev(nullptr);
    data->SetNext(nullptr);
}

void CSequence::CheckEventOrder(ECBase* element)
{
    if (DCsqBase* data = ListData(element); data && StandsInList(data)) {
        Locked locked(*this);
        RemoveData(data);
        InsertData(data);
    }
}

void CSequence::CheckDataIntegrity()
{
    Locked locked(*this);
    MCEventList elements;
    if (m_performance) {
        ACFindEvents find;
        find.BypassNone();
        find.Apply(m_performance);
        elements.AddEvents(find.GetEvents());
        elements.RemoveDuplicates();
    }
    for (ECBase* element : elements) {
        if (DCsqBase* data = ListData(element)) {
            data->SetPrev(nullptr);
            data->SetNext(nullptr);
        }
    }
    m_head = m_tail = m_recordPosition = m_playPosition = nullptr;
    for (ECBase* element : elements) {
        DCsqBase* data = ListData(element);
        if (data && StandsInList(data))
            InsertData(data);
    }
    GetLastNoteTime();
}

DCsqBase* CSequence::GetBeginning()
{
    Locked locked(*this);
    for (DCsqBase* data = m_head; data; data = data->GetNext()) {
        if (dataTime(data) >= MCTime(0.0f))
            return data;
    }
    return nullptr;
}
