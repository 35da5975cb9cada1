#include "inspector/pages/CNoteShifts.h"

#include "inspector/pages/ACFindSpanEvents.h"
#include "interface/document/SCNotationInfo.h"
#include "notabase/model/ECBase.h"
#include "notabase/model/EventTypes.h"
#include "notabase/values/MCVoiceTrack.h"

#include <algorithm>
#include <functional>

namespace {

constexpr int kNotatedStart = 1;
constexpr int kNotatedDuration = 2;

}  // namespace

size_t CNoteShifts::KeyHash::operator()(const Key& key) const
{
    const auto& [staff, voice, track] = key;
    return std::hash<const ECBase*>()(staff) ^ (size_t(voice) << 11 | size_t(track));
}

CNoteShifts::CNoteShifts(SCNotationInfo& info)
{
    for (ECBase* note : info.GetEvents()) {
        const MCTime* time = note->GetTime();
        const MCTime* duration = note->GetDuration();
        if (!time || !duration || time->GetMode() == MCTime::barPulseTick ||
            duration->GetMode() == MCTime::barPulseTick) {
            m_valid = false;
            return;
        }
        MCTime written = *time;
        MCTime length = *duration;
        info.GetInfo(note, kNotatedStart, written);
        info.GetInfo(note, kNotatedDuration, length);
        if (!(written == *time) || !(length == *duration)) {
            m_valid = false;
            return;
        }
        const std::optional<Key> key = KeyOf(note);
        if (!key || m_where.count(note))
            continue;
        Voice& voice = m_voices[*key];
        if (!voice.members.empty() && *time < voice.members.back().time) {
            m_valid = false;
            return;
        }
        m_where[note] = {&voice, voice.members.size()};
        voice.members.push_back({note, *time, *duration});
    }
}

std::optional<CNoteShifts::Key> CNoteShifts::KeyOf(ECBase* note)
{
    const MCVoiceTrack* word = note->GetVoiceTrack();
    ECBase* staff = note->GetAncestor(EventId::Staff, -1);
    if (!word || !staff || word->IsConverted())
        return std::nullopt;
    const int voice = word->GetVoice();
    const int track = word->GetTrack();
    if (voice == ACFindSpanEvents::kAnyVoice || voice == ACFindSpanEvents::kAllVoices ||
        track == ACFindSpanEvents::kAnyTrack)
        return std::nullopt;
    return Key{staff, voice, track};
}

CNoteShifts::Member& CNoteShifts::CatchUp(Voice& voice, size_t index)
{
    Member& member = voice.members[index];
    // The same additions, in the same order, as moving the note once per edit.
    while (member.taken < voice.moves.size() && voice.moves[member.taken].from <= index) {
        const Move& move = voice.moves[member.taken];
        member.time = member.time + move.shift;
        if (!(member.time > MCTime::TimeZero()))
            member.time = MCTime::TimeZero();
        member.lastMove = move.sequence;
        ++member.taken;
    }
    return member;
}

std::optional<bool> CNoteShifts::HitsLaterNote(ECBase* note, const MCTime& start, const MCTime& end) const
{
    const auto where = m_where.find(note);
    if (where == m_where.end())
        return std::nullopt;
    const std::vector<Member>& members = where->second.first->members;
    const auto later = std::upper_bound(members.begin(), members.end(), start,
                                        [](const MCTime& time, const Member& member) { return time < member.time; });
    return later != members.end() && later->time < end;
}

bool CNoteShifts::SetDuration(ECBase* note, const MCTime& played, const MCTime& duration)
{
    const auto where = m_where.find(note);
    if (where == m_where.end())
        return false;
    Voice& voice = *where->second.first;
    Member& edited = CatchUp(voice, where->second.second);
    const MCTime start = edited.time;
    const MCTime old = edited.duration;
    edited.duration = duration;
    // The notes are edited in time order and their order never changes, so the first note after
    // this start lies at or after the last edit's.
    while (voice.cursor < voice.members.size() && !(start < CatchUp(voice, voice.cursor).time))
        ++voice.cursor;
    if (voice.cursor == voice.members.size() || !(CatchUp(voice, voice.cursor).time < start + played))
        return true;
    const MCTime shift = played - old;
    if (shift == MCTime::TimeZero())
        return true;
    if (shift < MCTime::TimeZero())
        return false;
    voice.moves.push_back({shift, voice.cursor, ++m_sequence});
    return true;
}

std::vector<std::pair<ECBase*, MCTime>> CNoteShifts::Moves()
{
    std::vector<std::pair<size_t, std::pair<ECBase*, MCTime>>> moved;
    for (auto& [key, voice] : m_voices) {
        for (size_t index = 0; index < voice.members.size(); ++index) {
            const Member& member = CatchUp(voice, index);
            if (member.taken)
                moved.push_back({member.lastMove, {member.note, member.time}});
        }
    }
    // A note goes to its place when its last move does; the notes one move takes go in time order.
    std::stable_sort(moved.begin(), moved.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::pair<ECBase*, MCTime>> moves;
    moves.reserve(moved.size());
    for (const auto& entry : moved)
        moves.push_back(entry.second);
    return moves;
}
