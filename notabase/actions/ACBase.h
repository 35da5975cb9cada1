#pragma once

#include "notabase/NotabaseExport.h"

#include <cstdint>
#include <unordered_map>
#include <vector>

class ECBase;
class MCEventList;

// An action walks the element graph depth first from a start element (or from each element
// of a list) and calls DoAction on each element it visits; the result steers the walk:
//   -1 abort, 0 continue into the element's relatives, 1 do not descend below this element,
//   2 stop the whole walk, 3 do not visit this element's remaining siblings.
// The walk follows child lists, or parent lists in reverse. Elements whose id is in the clip
// list are acted on but not descended into; elements in the bypass list are walked through
// without DoAction; a maximum depth bounds the walk.
// An element may stand under several parents, so several paths of one walk can lead to it.
// A walk meets each element once: a later path gets the result its first meeting gave (a 3
// still cuts that path's row of siblings), and its relatives are not walked again, unless a
// depth limit stopped the first meeting's walk below it deeper than it now stands. So a walk
// costs time in proportion to the elements it reaches, never to the number of paths.
class NOTABASE_API ACBase {
public:
    enum : uint16_t {
        flagBegun = 0x0001,
        flagReverse = 0x0002,
        flagNoAutoEnd = 0x0004,  // EndAction is left to the list form
        flagClip = 0x0008,
        flagBypass = 0x0010,
    };
    static constexpr unsigned char noDepthLimit = 255;

    explicit ACBase(int reverse = 0);
    virtual ~ACBase() = default;
    ACBase(const ACBase&) = default;
    ACBase& operator=(const ACBase&) = default;

    // Runs before the first visit; the low bit of the result says whether the walk may go on.
    virtual int BeginAction();
    // Applies the action to each non-null element of the list in order. Unless goOn is set, a
    // walk that aborts or stops (-1, 2, 3) ends the loop with 2. EndAction runs once at the end
    // and no longer after single-element walks of this object.
    virtual int Apply(MCEventList* list, int goOn);
    virtual int Apply(ECBase* element);
    virtual int DoAction(ECBase* element);
    // Runs once when the outermost Apply returns.
    virtual void EndAction();
    // The next Apply runs BeginAction again.
    virtual void Reset();

    // -1 empties the list.
    void ClipEvtType(int id);
    void ClipNone();
    void BypassEvtType(int id);
    void BypassNone();
    int IsReverse() const { return (m_flags & flagReverse) ? 1 : 0; }
    void SetReverse(int reverse);
    unsigned char GetDepth() const { return m_maxDepth; }
    void SetDepth(unsigned char depth) { m_maxDepth = depth; }
    bool ShouldClip(ECBase* element) const;
    bool ShouldBypass(ECBase* element) const;

protected:
    // Calls BeginAction when the action has not begun; false when it refuses.
    bool begin();
    // The relatives the walk follows from an element: its parents in reverse, else its children.
    MCEventList* relativesOf(ECBase* element) const;
    bool depthLimited() const { return m_maxDepth < noDepthLimit; }
    // What a walk remembers of an element that another path may lead to again: the result it
    // gave, the depth it stood at and whether its relatives were walked from there.
    struct Meeting {
        int result = 0;
        unsigned char depth = 0;
        bool descended = false;
    };
    // The walk's record of the element when another path of this walk may lead to it (null
    // when only one can); first says whether the walk meets it now for the first time. An
    // element still being walked gives result 0 with descended clear, which also ends a cycle.
    Meeting* meet(ECBase* element, bool& first);
    // Whether a later meeting must walk the element's relatives again: the depth limit cut the
    // walk below it when it stood deeper than now.
    bool walkAgain(const Meeting& meeting) const { return meeting.descended && m_curDepth < meeting.depth; }
    // Counts the elements on the walk's current path that have more than one relative: only
    // below such a fork can two paths lead to one element.
    class Fork {
    public:
        Fork(ACBase& action, const MCEventList& relatives);
        ~Fork();
        Fork(const Fork&) = delete;
        Fork& operator=(const Fork&) = delete;

    private:
        ACBase& m_action;
        bool m_forks;
    };
    // Counts the Apply calls in progress, so that EndAction runs at the outermost one only.
    class Nesting {
    public:
        // The outermost one begins a walk with nothing met yet.
        explicit Nesting(ACBase& action);
        ~Nesting();
        Nesting(const Nesting&) = delete;
        Nesting& operator=(const Nesting&) = delete;

    private:
        ACBase& m_action;
    };

    uint16_t m_flags;
    unsigned char m_maxDepth = noDepthLimit;
    unsigned char m_curDepth = 0;
    std::vector<int> m_clip;
    std::vector<int> m_bypass;

private:
    int visit(ECBase* element);
    // Acts on an element met for the first time and walks its relatives.
    int visitFirst(ECBase* element, Meeting* meeting);
    // Walks the relatives (a list that is not empty) of an element, within the depth limit.
    int walkRelatives(MCEventList& relatives, bool bypassed);
    bool clips(int id) const;
    bool bypasses(int id) const;

    int m_nesting = 0;
    int m_forks = 0;
    std::unordered_map<const ECBase*, Meeting> m_met;
};
