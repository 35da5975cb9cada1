#include "notabase/commands/CCOrderTracks.h"

#include "notabase/actions/ACGetVoiceTrack.h"
#include "notabase/actions/ACSetVoiceTrack.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECTrack.h"

#include <algorithm>

PLAT_IMPLEMENT_DYNCREATE(CCOrderTracks, CCEdit)

CCOrderTracks::~CCOrderTracks() = default;

int CCOrderTracks::GetCommandId()
{
    return CommandIds::CCOrderTracks;
}

CCEditItem* CCOrderTracks::EditEvent(ECBase*)
{
    return nullptr;
}

void CCOrderTracks::OrderTrack(ECTrack* track, int newNumber)
{
    if (!track)
        return;
    ACGetVoiceTrack query;
    query.Apply(track);
    m_newOrder[track] = newNumber;
    m_oldOrder[track] = query.GetVoiceTrack().GetTrack();
    if (std::none_of(m_held.begin(), m_held.end(), [track](const auto& held) { return held.get() == track; }))
        m_held.emplace_back(track);
}

int CCOrderTracks::GetOldTrackNum(ECTrack* track) const
{
    const auto found = m_oldOrder.find(track);
    return found == m_oldOrder.end() ? -1 : found->second;
}

int CCOrderTracks::GetNewTrackNum(ECTrack* track) const
{
    const auto found = m_newOrder.find(track);
    return found == m_newOrder.end() ? -1 : found->second;
}

int CCOrderTracks::GetNewTrackNum(int oldNumber) const
{
    for (const auto& [track, number] : m_oldOrder) {
        if (number == oldNumber)
            return GetNewTrackNum(track);
    }
    return -1;
}

int CCOrderTracks::Process()
{
    if (!CCEdit::Process())
        return 0;
    for (const auto& [track, number] : m_newOrder) {
        ACSetVoiceTrack renumber(number, MCVoiceTrack::noVoice);
        renumber.Apply(track);
    }
    GetConductor()->OrderTracks(1);
    return 1;
}

void CCOrderTracks::Undo()
{
    if (m_oldOrder.empty())
        return;
    plat::RefPtr<CCOrderTracks> inverse(new CCOrderTracks);
    inverse->SetSynchronous(IsSynchronous());
    for (const auto& [track, number] : m_oldOrder)
        inverse->OrderTrack(track, number);
    inverse->Apply(GetTarget());
}
