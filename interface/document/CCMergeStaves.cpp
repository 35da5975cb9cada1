#include "interface/document/CCMergeStaves.h"

#include "notabase/actions/ACFindEvents.h"
#include "notabase/actions/ACSetVoiceTrack.h"
#include "notabase/commands/CCAdd.h"
#include "notabase/commands/CCAddClef.h"
#include "notabase/commands/CCAddKey.h"
#include "notabase/commands/CCCopy.h"
#include "notabase/commands/CCRemove.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/commands/MCCommandList.h"
#include "notabase/model/ECText.h"
#include "notabase/model/EventTypes.h"
#include "notabase/score/ECClef.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECKey.h"
#include "notabase/score/ECMeasure.h"
#include "notabase/values/FCMidi.h"

#include <algorithm>

PLAT_IMPLEMENT_DYNCREATE(CCMergeStaves, CCEdit)

namespace {

constexpr int kTrackNameText = 3;

// The target voices by the number of staves merged.
std::vector<int> targetVoices(int count)
{
    switch (count) {
    case 2:
        return {0, 4};
    case 3:
    case 4:
        return {0, 1, 4, 5};
    case 6:
        return {0, 1, 2, 4, 5, 6};
    default:
        return {0, 1, 2, 3, 4, 5, 6, 7};
    }
}

}  // namespace

CCMergeStaves::CCMergeStaves() = default;
CCMergeStaves::~CCMergeStaves() = default;

int CCMergeStaves::GetCommandId()
{
    return kCommandId;
}

void CCMergeStaves::SetPreserveVoices(int preserve)
{
    m_flags = preserve ? (m_flags | kPreserveVoices) : (m_flags & ~kPreserveVoices);
}

void CCMergeStaves::MergeStaff(ECBase* staff)
{
    if (!staff || staff->GetEventId() != EventId::Staff || m_voiceMaps.count(staff))
        return;
    m_staves.AddTail(staff);
    VoiceMap empty;
    empty.fill(-1);
    m_voiceMaps.emplace(staff, empty);
    m_flags |= kOutOfDate;
}

void CCMergeStaves::MergeStaves(MCEventList* staves)
{
    if (!staves)
        return;
    for (ECBase* staff : *staves)
        MergeStaff(staff);
}

int CCMergeStaves::GetMergeVoice(ECBase* staff, int voice) const
{
    const auto map = m_voiceMaps.find(staff);
    if (map == m_voiceMaps.end())
        return kNoVoice;
    if (voice >= 0 && voice < 16 && map->second[static_cast<size_t>(voice)] >= 0)
        return map->second[static_cast<size_t>(voice)];
    return 0;
}

void CCMergeStaves::UpdateMergeInfo()
{
    if (!(m_flags & kOutOfDate))
        return;
    const std::vector<int> voices = targetVoices(m_staves.GetCount());
    int k = 0;
    for (ECBase* staff : m_staves) {
        VoiceMap& map = m_voiceMaps[staff];
        map.fill(-1);
        const int target = voices[static_cast<size_t>(k % 8) % voices.size()];
        for (int voice = 0; voice < 8; ++voice)
            map[static_cast<size_t>(voice)] = target;
        ++k;
    }
    m_flags &= ~kOutOfDate;
}

int CCMergeStaves::Prepare()
{
    if (!CCEdit::Prepare() || !m_output)
        return 0;
    UpdateMergeInfo();
    return 1;
}

int CCMergeStaves::TargetVoice(ECBase* staff, int voice) const
{
    if (GetPreserveVoices())
        return voice;
    if (voice == kNoVoice)
        return kNoVoice;
    const auto map = m_voiceMaps.find(staff);
    if (map == m_voiceMaps.end())
        return -1;
    return GetMergeVoice(staff, voice);
}

void CCMergeStaves::DoMergeStaff(ECBase* staff, MCCommandList& commands)
{
    if (!GetPreserveVoices() && !m_voiceMaps.count(staff))
        return;
    ECBase* output = m_output.get();
    const int outputTrack = output->GetTrack();
    // The list's one add command, made when first needed.
    auto add = [&commands] { return static_cast<CCAdd*>(commands.GetCommand(CommandIds::CCAdd, &CCAdd::classObject)); };
    // Each copy is held here while it is taken from the parents the copying gave it.
    auto prepare = [&](ECBase* copy, ECBase* source) {
        plat::RefPtr<ECBase> held(copy);
        copy->RemoveFromParents();
        const int voice = TargetVoice(staff, source ? source->GetVoice() : copy->GetVoice());
        ACSetVoiceTrack(outputTrack, voice < 0 ? kNoVoice : voice).Apply(copy);
        m_added.push_back(held);
    };

    // Texts under the staff, but its name.
    ACFindEvents texts;
    texts.AddEvtType(EventId::Text);
    texts.SetDepth(1);
    texts.BypassNone();
    texts.Apply(staff);
    MCEventList textSources;
    for (ECBase* text : texts.GetEvents()) {
        auto* t = plat::dynamicDowncast<ECText>(text);
        if (t && t->GetTextType() != kTrackNameText && text != staff)
            textSources.AddTail(text);
    }
    MCEventList textCopies;
    if (!textSources.IsEmpty() && CCCopy::DoCopyEvents(textCopies, textSources, nullptr)) {
        MCPosition source = textSources.GetHeadPosition();
        for (ECBase* copy : textCopies) {
            prepare(copy, textSources.GetNext(source));
            add()->Add(copy, output, FCMidi::MidiNull());
        }
    }

    // Notes that sound, and lyrics, from the staff's measures.
    ACFindEvents measures;
    measures.AddEvtType(EventId::Measure);
    measures.SetDepth(1);
    measures.Apply(staff);
    MCEventList sources;
    for (ECBase* measure : measures.GetEvents()) {
        ACFindEvents find;
        find.AddEvtType(EventId::Note);
        find.AddEvtType(EventId::Lyric);
        find.SetDepth(3);
        find.Apply(measure);
        for (ECBase* element : find.GetEvents()) {
            if (element->GetEventId() == EventId::Note && !element->GetData(0, 0))
                continue;
            sources.AddTail(element);
        }
    }
    MCEventList copies;
    if (sources.IsEmpty() || !CCCopy::DoCopyEvents(copies, sources, nullptr))
        return;
    ECConductor* conductor = GetConductor();
    MCPosition source = sources.GetHeadPosition();
    for (ECBase* copy : copies) {
        prepare(copy, sources.GetNext(source));
        const MCTime* time = copy->GetTime();
        ECMeasure* measure = conductor && time ? conductor->GetMeasure(outputTrack, *time, 0, 1) : nullptr;
        if (!measure)
            continue;
        if (auto* clef = plat::dynamicDowncast<ECClef>(copy))
            commands.AddTail(new CCAddClef(clef, measure));
        else if (auto* key = plat::dynamicDowncast<ECKey>(copy))
            commands.AddTail(new CCAddKey(key, measure));
        else
            add()->Add(copy, measure, FCMidi::MidiNull());
    }
}

int CCMergeStaves::Process()
{
    if (!CCEdit::Process())
        return 0;
    m_added.clear();
    MCCommandList commands;
    for (ECBase* staff : m_staves)
        DoMergeStaff(staff, commands);
    if (!commands.IsEmpty()) {
        for (CCBase* command : commands) {
            command->SetSynchronous(1);
            command->SetCanUndo(0);
        }
        commands.Apply(GetTarget());
    }
    return 1;
}

void CCMergeStaves::Undo()
{
    if (m_added.empty())
        return;
    auto* remove = new CCRemove;
    for (const auto& copy : m_added)
        if (copy->GetParents() && !copy->GetParents()->IsEmpty())
            remove->Remove(copy.get());
    remove->SetSynchronous(IsSynchronous());
    remove->SetCanUndo(0);
    m_added.clear();
    remove->Apply(GetTarget());
}
