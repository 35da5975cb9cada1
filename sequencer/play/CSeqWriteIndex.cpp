#include "sequencer/play/CSeqWriteIndex.h"

#include "sequencer/data/DCsqBase.h"

#include <algorithm>
#include <functional>

namespace {

// How many entries ahead of the walk the elements are fetched, far enough for a fetch to
// arrive before the walk reaches it, near enough to stay in the cache until then. The data
// are fetched twice as far ahead, so that each has arrived when its element is asked for.
constexpr size_t kPrefetchDistance = 8;

template <typename Entry>
size_t firstFrom(const std::vector<Entry>& entries, uint32_t ordinal)
{
    return static_cast<size_t>(
        std::lower_bound(entries.begin(), entries.end(), ordinal,
                         [](const Entry& entry, uint32_t value) { return entry.ordinal < value; }) -
        entries.begin());
}

}  // namespace

void CSeqWriteIndex::Build(DCsqBase* head)
{
    Clear();
    m_head = head;
    uint32_t ordinal = 0;
    for (DCsqBase* data = head; data; data = data->GetNext(), ++ordinal) {
        m_byAddress.emplace_back(data, ordinal);
        const int track = data->PlayedTrack();
        if (track == DCsqBase::kAnyTrack)
            m_shared.push_back({ordinal, data});
        else
            m_tracks[track].push_back({ordinal, data});
    }
}

void CSeqWriteIndex::Clear()
{
    m_head = nullptr;
    m_byAddress.clear();
    m_sorted = false;
    m_tracks.clear();
    m_shared.clear();
    m_walkTrack = nullptr;
    m_trackAt = 0;
    m_sharedAt = 0;
}

DCsqBase* CSeqWriteIndex::Start(int track, const DCsqBase* data, bool& found)
{
    static const std::vector<Entry> none;
    uint32_t ordinal = 0;
    found = OrdinalOf(data, ordinal);
    const auto own = m_tracks.find(track);
    m_walkTrack = own != m_tracks.end() ? &own->second : &none;
    if (!found) {
        m_trackAt = m_walkTrack->size();
        m_sharedAt = m_shared.size();
        return nullptr;
    }
    m_trackAt = firstFrom(*m_walkTrack, ordinal);
    m_sharedAt = firstFrom(m_shared, ordinal);
    // The walk starts here: the data of the first steps are asked for now, then what each
    // later step asks for.
    for (size_t ahead = 0; ahead < kPrefetchDistance; ++ahead) {
        PrefetchData(*m_walkTrack, m_trackAt + ahead);
        PrefetchData(m_shared, m_sharedAt + ahead);
    }
    for (size_t ahead = 0; ahead < kPrefetchDistance; ++ahead) {
        Prefetch(*m_walkTrack, m_trackAt + ahead);
        Prefetch(m_shared, m_sharedAt + ahead);
    }
    const Entry* entry = Current();
    return entry ? entry->data : nullptr;
}

DCsqBase* CSeqWriteIndex::Next()
{
    if (!m_walkTrack)
        return nullptr;
    const bool own = m_trackAt < m_walkTrack->size();
    const bool shared = m_sharedAt < m_shared.size();
    if (own && (!shared || (*m_walkTrack)[m_trackAt].ordinal < m_shared[m_sharedAt].ordinal))
        ++m_trackAt;
    else if (shared)
        ++m_sharedAt;
    PrefetchAhead();
    const Entry* entry = Current();
    return entry ? entry->data : nullptr;
}

void CSeqWriteIndex::PrefetchAhead() const
{
    // One new entry of each list comes into reach with each step; the entries before it were
    // fetched by the steps before.
    Prefetch(*m_walkTrack, m_trackAt + kPrefetchDistance - 1);
    Prefetch(m_shared, m_sharedAt + kPrefetchDistance - 1);
}

void CSeqWriteIndex::Prefetch(const std::vector<Entry>& entries, size_t at)
{
    PrefetchData(entries, at + kPrefetchDistance);
    if (at < entries.size())
        __builtin_prefetch(entries[at].data->GetOwner());
}

void CSeqWriteIndex::PrefetchData(const std::vector<Entry>& entries, size_t at)
{
    if (at < entries.size())
        __builtin_prefetch(entries[at].data);
}

const CSeqWriteIndex::Entry* CSeqWriteIndex::Current() const
{
    if (!m_walkTrack)
        return nullptr;
    const bool own = m_trackAt < m_walkTrack->size();
    const bool shared = m_sharedAt < m_shared.size();
    if (own && (!shared || (*m_walkTrack)[m_trackAt].ordinal < m_shared[m_sharedAt].ordinal))
        return &(*m_walkTrack)[m_trackAt];
    return shared ? &m_shared[m_sharedAt] : nullptr;
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
    if (!m_sorted) {
        std::sort(m_byAddress.begin(), m_byAddress.end(),
                  [&](const auto& a, const auto& b) { return byAddress(a, b.first); });
        m_sorted = true;
    }
    const auto at = std::lower_bound(m_byAddress.begin(), m_byAddress.end(), data, byAddress);
    if (at == m_byAddress.end() || at->first != data)
        return false;
    ordinal = at->second;
    return true;
}
