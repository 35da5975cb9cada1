#pragma once

#include "notabase/NotabaseExport.h"

#include <cstdint>
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
    // Counts the Apply calls in progress, so that EndAction runs at the outermost one only.
    class Nesting {
    public:
        explicit Nesting(ACBase& action) : m_action(action) { ++m_action.m_nesting; }
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
    bool clips(int id) const;
    bool bypasses(int id) const;

    int m_nesting = 0;
};
