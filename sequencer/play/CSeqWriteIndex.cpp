#include "sequencer/play/CSeqWriteIndex.h"

#include "sequencer/data/DCsqBase.h"

#include <algorithm>

namespace {

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
        m_ordinals.emplace(data, ordinal);
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
    m_ordinals.clear();
    m_tracks.clear();
    m_shared.clear();
    m_walkTrack = nullptr;
    m_trackAt = 0;
    m_sharedAt = 0;
}

DCsqBase* CSeqWriteIndex::Start(int track, const DCsqBase* data, bool& found)
{
    static const std::vector<Entry> none;
    const auto at = m_ordinals.find(data);
    found = at != m_ordinals.end();
    const auto own = m_tracks.find(track);
    m_walkTrack = own != m_tracks.end() ? &own->second : &none;
    if (!found) {
        m_trackAt = m_walkTrack->size();
        m_sharedAt = m_shared.size();
        return nullptr;
    }
    m_trackAt = firstFrom(*m_walkTrack, at->second);
    m_sharedAt = firstFrom(m_shared, at->second);
    return Current();
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
    return Current();
}

DCsqBase* CSeqWriteIndex::Current() const
{
    const bool own = m_trackAt < m_walkTrack->size();
    const bool shared = m_sharedAt < m_shared.size();
    if (own && (!shared || (*m_walkTrack)[m_trackAt].ordinal < m_shared[m_sharedAt].ordinal))
        return (*m_walkTrack)[m_trackAt].data;
    return shared ? m_shared[m_sharedAt].data : nullptr;
}
