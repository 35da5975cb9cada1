#pragma once

#include "sequencer/SequencerExport.h"

#include "platform/core/LargePageAllocator.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

class DCsqBase;
class ECBase;

// The sequence's data list split by the track each datum plays on, for writing a file one
// track at a time: a track's walk meets its own data and the data of every track, in list
// order, and never the data of the other tracks. Without it every track would walk the whole
// piece again.
class SEQUENCER_API CSeqWriteIndex {
public:
    // The track a walk of the whole list names, for a file of one track.
    static constexpr int kWholeList = std::numeric_limits<int>::max();

    // Indexes the list from head to tail (null when not known), by track or as one run of the
    // whole list. starts are data of the list in its order, each after the head: the list is
    // walked from all of them at once.
    void Build(DCsqBase* head, DCsqBase* tail, const std::vector<DCsqBase*>& starts = {}, bool byTrack = true);
    void Clear();
    // The head the index was built from: null when there is none.
    DCsqBase* GetHead() const { return m_head; }
    // Whether the index was built by track rather than as the whole list.
    bool ByTrack() const { return m_byTrack; }

    // Starts a walk over what track plays (kWholeList: every datum), at data (any datum of the
    // list) or the first after it; returns that datum, or null at the end. found is false when
    // data is not in the index, or the index was not built for such a walk.
    DCsqBase* Start(int track, const DCsqBase* data, bool& found);
    // The next datum of the walk, or null at the end.
    DCsqBase* Next();

private:
    // The owner is kept to ask for its lines ahead of the walk.
    struct Entry {
        uint32_t ordinal;
        DCsqBase* data;
        const ECBase* owner;
    };
    // The entries of one track: [begin, end) of m_entries.
    struct Run {
        int track;
        size_t begin;
        size_t end;
    };
    // One run being walked: the next entry and the end.
    struct Cursor {
        const Entry* at = nullptr;
        const Entry* end = nullptr;
        bool Done() const { return at == end; }
    };
    // A datum of the list, its element and the track it plays on.
    struct Played {
        static Played Of(DCsqBase* data);
        DCsqBase* data;
        const ECBase* owner;
        int track;
    };
    using Entries = std::vector<Entry, plat::LargePageAllocator<Entry>>;

    // Fills m_front with the list in order (the tracks read only when byTrack); false when the
    // walk could not be made.
    bool WalkPieces(DCsqBase* head, const std::vector<DCsqBase*>& starts, bool byTrack);
    bool WalkFromBothEnds(DCsqBase* head, DCsqBase* tail);
    Cursor RunOf(int track) const;
    const Entry* Current() const;
    // Asks the processor for the data and elements of entries [from, from + count) of a run: on
    // a piece larger than the caches each would otherwise be a wait on memory of its own.
    static void PrefetchAhead(const Cursor& cursor, size_t from, size_t count);
    bool OrdinalOf(const DCsqBase* data, uint32_t& ordinal);

    DCsqBase* m_head = nullptr;
    bool m_byTrack = true;
    // The list in order while the index is built, the walk from the tail in reverse.
    std::vector<Played, plat::LargePageAllocator<Played>> m_front;
    std::vector<Played, plat::LargePageAllocator<Played>> m_back;
    // The pieces of the list between two starts, while the index is built.
    std::vector<std::vector<Played, plat::LargePageAllocator<Played>>> m_pieces;
    // Per track of -1 and up: the count of its data, then its run.
    std::vector<size_t> m_tableCounts;
    // Every datum, grouped by track (in m_runs' order), each run in list order.
    Entries m_entries;
    std::vector<Run> m_runs;
    // Every datum by its address, made only when a walk starts away from where the last one
    // stopped (after a jump).
    std::vector<std::pair<const DCsqBase*, uint32_t>> m_byAddress;
    int m_walkTrack = -1;
    Cursor m_own;
    Cursor m_shared;
};
