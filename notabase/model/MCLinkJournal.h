#pragma once

#include "notabase/NotabaseExport.h"

#include "platform/core/RefPtr.h"

#include <vector>

class ECBase;

// The links between parents and children that the graph loses while the journal records, each
// with the places the two stood at in each other's lists, in the order they were cut. Putting
// them back last first, each at its place, gives back the very graph a change took: an element
// under every parent it had, and whatever went with it (a chord or tuplet that left its measure
// with its last note, the other children of a chord that dissolved).
//
// A journal records the cuts made on the thread that opened a Recording on it, for as long as
// the recording lives; recordings nest, and only the innermost records.
class NOTABASE_API MCLinkJournal {
public:
    class NOTABASE_API Recording {
    public:
        explicit Recording(MCLinkJournal& journal);
        ~Recording();
        Recording(const Recording&) = delete;
        Recording& operator=(const Recording&) = delete;

    private:
        MCLinkJournal& m_journal;
        Recording* m_outer;
        friend class MCLinkJournal;
    };

    // Whether a journal records on this thread: the graph works out the places only then.
    static bool IsRecording();
    // Called by the graph once it has cut a link: where the child stood among the parent's
    // children, counted from the tail, and where the parent stood among the child's parents,
    // counted from the head.
    static void RecordCut(ECBase* parent, ECBase* child, int childPlace, int parentPlace);

    // Puts every link back, the last cut first: the parent takes the child by its own rules
    // (AddChild), then the two are moved to the places they had. A link that stands already, or
    // that the parent refuses, is passed over. Returns the number of links put back.
    int Restore() const;
    bool IsEmpty() const { return m_links.empty(); }
    void Clear() { m_links.clear(); }

private:
    struct Link {
        plat::RefPtr<ECBase> parent;
        plat::RefPtr<ECBase> child;
        int childPlace;
        int parentPlace;
    };
    std::vector<Link> m_links;
};
