#include "sequencer/play/CSeqWriteIndex.h"

#include "notabase/model/ECBase.h"
#include "sequencer/data/DCsqBase.h"

#include <algorithm>
#include <functional>
#include <map>

namespace {

// How many data ahead of a walk their lines are asked for: far enough for a fetch to arrive
// before the walk reaches it, near enough to stay in the cache until then. Every address is
// known from the index, so no fetch waits on another.
constexpr size_t kPrefetchDistance = 8;

// Tracks -1 (every track) to this, less one, are counted in a table; others in a map.
constexpr int kTableTracks = 4096;

constexpr size_t kLine = 64;

// Steps of each walk of the list between readings of the tracks: the lines they asked for stay
// in the cache until read.
constexpr size_t kStretch = 32;
// The line of a note's element that holds its voice/track word, after the line of its type.
constexpr size_t kTrackLine = 3;

// A datum and the line after its first: the data of a note reach past one line.
void PrefetchData(const DCsqBase* data)
{
    const char* at = reinterpret_cast<const char*>(data);
    __builtin_prefetch(at);
    __builtin_prefetch(at + kLine);
}

// The first lines of an element, where a note keeps what its events are made from: its type,
// its marks, its time, voice/track word and length.
void PrefetchElement(const ECBase* owner, size_t lines)
{
    if (!owner)
        return;
    const char* at = reinterpret_cast<const char*>(owner);
    for (size_t line = 0; line < lines; ++line)
        __builtin_prefetch(at + line * kLine);
}

template <typename Entry>
size_t firstFrom(const Entry* begin, const Entry* end, uint32_t ordinal)
{
    return static_cast<size_t>(
        std::lower_bound(begin, end, ordinal, [](const Entry& entry, uint32_t value) { return entry.ordinal < value; }) -
        begin);
}

}  // namespace

CSeqWriteIndex::Played CSeqWriteIndex::Played::Of(DCsqBase* data)
{
    return {data, data->GetOwner(), data->PlayedTrack()};
}

void CSeqWriteIndex::Build(DCsqBase* head, DCsqBase* tail, const std::vector<DCsqBase*>& starts, bool byTrack)
{
    Clear();
    m_head = head;
    m_byTrack = byTrack;
    if (!WalkPieces(head, starts, byTrack) && !WalkFromBothEnds(head, tail)) {
        // No tail, or one that does not end the list the head begins: the list is walked from
        // the head alone.
        m_front.clear();
        for (DCsqBase* data = head; data; data = data->GetNext())
            m_front.push_back(Played::Of(data));
    }
    if (!byTrack) {
        // One run: the whole list in its order.
        m_entries.resize(m_front.size());
        for (size_t ordinal = 0; ordinal < m_front.size(); ++ordinal)
            m_entries[ordinal] = {static_cast<uint32_t>(ordinal), m_front[ordinal].data, m_front[ordinal].owner};
        m_runs.push_back({kWholeList, 0, m_entries.size()});
        m_front.clear();
        return;
    }

    // Each track's run gets its room first, then its data in list order: one table, sized once.
    std::fill(m_tableCounts.begin(), m_tableCounts.end(), 0);
    m_tableCounts.resize(kTableTracks + 1, 0);
    std::map<int, size_t> otherCounts;
    for (const Played& played : m_front) {
        if (played.track >= -1 && played.track < kTableTracks)
            ++m_tableCounts[static_cast<size_t>(played.track + 1)];
        else
            ++otherCounts[played.track];
    }
    size_t next = 0;
    const auto addRun = [&](int track, size_t count) {
        m_runs.push_back({track, next, next});
        next += count;
    };
    for (const auto& [track, count] : otherCounts) {
        if (track < -1)
            addRun(track, count);
    }
    for (size_t slot = 0; slot < m_tableCounts.size(); ++slot) {
        if (m_tableCounts[slot] > 0) {
            addRun(static_cast<int>(slot) - 1, m_tableCounts[slot]);
            // From here the slot names the track's run.
            m_tableCounts[slot] = m_runs.size() - 1;
        }
    }
    for (auto& [track, count] : otherCounts) {
        if (track >= kTableTracks)
            addRun(track, count);
    }
    std::map<int, size_t> otherRuns;
    for (size_t run = 0; run < m_runs.size(); ++run) {
        if (m_runs[run].track < -1 || m_runs[run].track >= kTableTracks)
            otherRuns[m_runs[run].track] = run;
    }
    m_entries.resize(m_front.size());
    for (size_t ordinal = 0; ordinal < m_front.size(); ++ordinal) {
        const int track = m_front[ordinal].track;
        Run& run = m_runs[track >= -1 && track < kTableTracks ? m_tableCounts[static_cast<size_t>(track + 1)] : otherRuns[track]];
        m_entries[run.end++] = {static_cast<uint32_t>(ordinal), m_front[ordinal].data, m_front[ordinal].owner};
    }
    m_front.clear();
}

bool CSeqWriteIndex::WalkPieces(DCsqBase* head, const std::vector<DCsqBase*>& starts, bool byTrack)
{
    if (!head || starts.empty())
        return false;
    // Each piece runs from its start to the next piece's; the last to the end of the list. The
    // pieces are walked a step each in turn, so that the waits on memory of all of them overlap:
    // a step only follows the link and asks for the element's lines. The tracks are read after
    // each stretch of steps, from lines that have arrived by then; read within the steps, their
    // waits would fill the processor's window and hold the walks back.
    const size_t count = starts.size() + 1;
    m_pieces.resize(std::max(m_pieces.size(), count));
    struct Walk {
        DCsqBase* at;
        const DCsqBase* stop;
        size_t read;  // entries of the piece whose track is known
    };
    std::vector<Walk> walks;
    walks.reserve(count);
    for (size_t piece = 0; piece < count; ++piece) {
        m_pieces[piece].clear();
        walks.push_back({piece == 0 ? head : starts[piece - 1], piece + 1 < count ? starts[piece] : nullptr, 0});
    }
    for (size_t left = count; left > 0;) {
        for (size_t round = 0; round < kStretch && left > 0; ++round) {
            for (size_t piece = 0; piece < count; ++piece) {
                Walk& walk = walks[piece];
                if (!walk.at)
                    continue;
                // The datum's type, where it starts, may stand on the line before its links.
                __builtin_prefetch(walk.at);
                const ECBase* owner = walk.at->GetOwner();
                if (owner) {
                    __builtin_prefetch(owner);
                    __builtin_prefetch(reinterpret_cast<const char*>(owner) + kTrackLine * kLine);
                }
                m_pieces[piece].push_back({walk.at, owner, 0});
                walk.at = walk.at->GetNext();
                if (walk.at == walk.stop) {
                    walk.at = nullptr;
                    --left;
                } else if (!walk.at) {
                    // The list ended before the next start: the starts are not in its order.
                    return false;
                }
            }
        }
        for (size_t piece = 0; piece < count && byTrack; ++piece) {
            auto& entries = m_pieces[piece];
            for (size_t& read = walks[piece].read; read < entries.size(); ++read)
                entries[read].track = entries[read].data->PlayedTrack();
        }
    }
    m_front.clear();
    for (size_t piece = 0; piece < count; ++piece)
        m_front.insert(m_front.end(), m_pieces[piece].begin(), m_pieces[piece].end());
    return true;
}

bool CSeqWriteIndex::WalkFromBothEnds(DCsqBase* head, DCsqBase* tail)
{
    // Each datum's neighbour is known only once the datum has arrived: the list is walked from
    // both ends at once, so that two waits on memory overlap, until the walks meet.
    m_front.clear();
    m_back.clear();
    bool met = false;
    for (DCsqBase *forward = head, *backward = tail && !tail->GetNext() ? tail : nullptr; forward && backward;) {
        m_front.push_back(Played::Of(forward));
        if (forward == backward) {
            met = true;
            break;
        }
        m_back.push_back(Played::Of(backward));
        DCsqBase* next = forward->GetNext();
        if (next == backward) {
            met = true;
            break;
        }
        forward = next;
        backward = backward->GetPrev();
    }
    if (met)
        m_front.insert(m_front.end(), m_back.rbegin(), m_back.rend());
    m_back.clear();
    return met;
}

void CSeqWriteIndex::Clear()
{
    // The tables keep their room for the next file: given back, each would come back as fresh
    // pages, and the kernel traps on the first touch of every one.
    m_head = nullptr;
    m_front.clear();
    m_back.clear();
    for (auto& piece : m_pieces)
        piece.clear();
    m_entries.clear();
    m_runs.clear();
    m_byAddress.clear();
    m_own = {};
    m_shared = {};
    m_walkTrack = DCsqBase::kAnyTrack;
}

CSeqWriteIndex::Cursor CSeqWriteIndex::RunOf(int track) const
{
    // The runs are in the order of their tracks.
    const auto run =
        std::lower_bound(m_runs.begin(), m_runs.end(), track, [](const Run& r, int value) { return r.track < value; });
    if (run == m_runs.end() || run->track != track)
        return {};
    return {m_entries.data() + run->begin, m_entries.data() + run->end};
}

DCsqBase* CSeqWriteIndex::Start(int track, const DCsqBase* data, bool& found)
{
    // A window mostly goes on where the last one stopped: the walk and what it asked for
    // ahead stand.
    if (const Entry* entry = Current(); entry && track == m_walkTrack && entry->data == data) {
        found = true;
        return entry->data;
    }
    m_walkTrack = track;
    uint32_t ordinal = 0;
    found = (track == kWholeList) != m_byTrack && OrdinalOf(data, ordinal);
    m_own = RunOf(track);
    m_shared = RunOf(DCsqBase::kAnyTrack);
    if (!found) {
        m_own.at = m_own.end;
        m_shared.at = m_shared.end;
        return nullptr;
    }
    m_own.at += firstFrom(m_own.at, m_own.end, ordinal);
    m_shared.at += firstFrom(m_shared.at, m_shared.end, ordinal);
    // The walk starts here: the fetches of the first steps are asked for now, then what each
    // later step asks for.
    PrefetchAhead(m_own, 0, kPrefetchDistance);
    PrefetchAhead(m_shared, 0, kPrefetchDistance);
    const Entry* entry = Current();
    return entry ? entry->data : nullptr;
}

DCsqBase* CSeqWriteIndex::Next()
{
    const Entry* entry = Current();
    if (!entry)
        return nullptr;
    Cursor& moved = entry == m_own.at ? m_own : m_shared;
    ++moved.at;
    // One more entry of the run comes into reach of each fetch; those before it were asked
    // for by the steps before.
    PrefetchAhead(moved, kPrefetchDistance - 1, 1);
    entry = Current();
    return entry ? entry->data : nullptr;
}

void CSeqWriteIndex::PrefetchAhead(const Cursor& cursor, size_t from, size_t count)
{
    const auto left = static_cast<size_t>(cursor.end - cursor.at);
    for (size_t ahead = from; ahead < from + count && ahead < left; ++ahead) {
        PrefetchData(cursor.at[ahead].data);
        PrefetchElement(cursor.at[ahead].owner, 4);
    }
}

const CSeqWriteIndex::Entry* CSeqWriteIndex::Current() const
{
    const bool own = !m_own.Done();
    const bool shared = !m_shared.Done();
    if (own && (!shared || m_own.at->ordinal < m_shared.at->ordinal))
        return m_own.at;
    return shared ? m_shared.at : nullptr;
}

bool CSeqWriteIndex::OrdinalOf(const DCsqBase* data, uint32_t& ordinal)
{
    if (!data || !m_head)
        return false;
    // A window goes on where the last one stopped, and every track starts at the head.
    if (data == m_head) {
        ordinal = 0;
        return true;
    }
    if (const Entry* entry = Current(); entry && entry->data == data) {
        ordinal = entry->ordinal;
        return true;
    }
    const auto byAddress = [](const auto& entry, const DCsqBase* value) {
        return std::less<const DCsqBase*>()(entry.first, value);
    };
    if (m_byAddress.empty()) {
        m_byAddress.reserve(m_entries.size());
        for (const Entry& entry : m_entries)
            m_byAddress.emplace_back(entry.data, entry.ordinal);
        std::sort(m_byAddress.begin(), m_byAddress.end(),
                  [&](const auto& a, const auto& b) { return byAddress(a, b.first); });
    }
    const auto at = std::lower_bound(m_byAddress.begin(), m_byAddress.end(), data, byAddress);
    if (at == m_byAddress.end() || at->first != data)
        return false;
    ordinal = at->second;
    return true;
}
