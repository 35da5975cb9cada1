#pragma once

#include "sequencer/SequencerExport.h"

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <utility>
#include <vector>

class DCsqBase;

// The sequence's data list split by the track each datum plays on, for writing a file one
// track at a time: a track's walk meets its own data and the data of every track, in list
// order, and never the data of the other tracks. Without it every track would walk the whole
// piece again.
class SEQUENCER_API CSeqWriteIndex {
public:
    // Indexes the list that begins at head.
    void Build(DCsqBase* head);
    void Clear();
    // The head the index was built from: null when there is none.
    DCsqBase* GetHead() const { return m_head; }

    // Starts a walk over what track plays, at data (any datum of the list) or the first after
    // it; returns that datum, or null at the end. found is false when data is not in the index.
    DCsqBase* Start(int track, const DCsqBase* data, bool& found);
    // The next datum of the walk, or null at the end.
    DCsqBase* Next();

private:
    struct Entry {
        uint32_t ordinal;
        DCsqBase* data;
    };
    const Entry* Current() const;
    // Asks the processor for the data a few steps ahead of the walk, and for the elements of
    // data fetched before: on a piece larger than the caches each would otherwise be a wait on
    // memory of its own.
    void PrefetchAhead() const;
    // The datum kPrefetchDistance entries after at, and the element of the datum at at.
    static void Prefetch(const std::vector<Entry>& entries, size_t at);
    static void PrefetchData(const std::vector<Entry>& entries, size_t at);
    bool OrdinalOf(const DCsqBase* data, uint32_t& ordinal);

    DCsqBase* m_head = nullptr;
    // Every datum by its address, sorted only when a walk starts away from where the last one
    // stopped (after a jump): a hash node per datum cost more in allocation than the walks it
    // spared.
    std::vector<std::pair<const DCsqBase*, uint32_t>> m_byAddress;
    bool m_sorted = false;
    std::unordered_map<int, std::vector<Entry>> m_tracks;
    std::vector<Entry> m_shared;
    const std::vector<Entry>* m_walkTrack = nullptr;
    size_t m_trackAt = 0;
    size_t m_sharedAt = 0;
};
