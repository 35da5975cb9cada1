#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/MCEventList.h"
#include "notabase/states/MCElementCounts.h"
#include "notabase/states/SCBase.h"

#include "platform/core/RefPtr.h"

#include <cstdint>
#include <memory>
#include <vector>

class ECBase;
class MCFocusWnd;

// A selection request (1700 clear, 1701 replace, 1702 add, 1703 remove, 1704 toggle; 1705
// the selection context changed) carrying the elements it is about. The document that
// receives it brings it to effect with UpdateSelection, which also records what the new
// selection is and which elements came and went. Delivered synchronously. When the state is
// deleted, the window recorded in it gets the keyboard focus back.
class NOTABASE_API SCSelection : public SCBase {
public:
    static constexpr int kClear = 1700;
    static constexpr int kReplace = 1701;
    static constexpr int kAdd = 1702;
    static constexpr int kRemove = 1703;
    static constexpr int kToggle = 1704;
    static constexpr int kContextChanged = 1705;

    // Lists of GetEvents.
    static constexpr int kRequest = 0;
    static constexpr int kNewSelection = 1;
    static constexpr int kAdded = 2;
    static constexpr int kDropped = 3;

    explicit SCSelection(int code = kClear);
    SCSelection(int code, ECBase* element);
    SCSelection(int code, MCEventList* elements);
    ~SCSelection() override;
    SCSelection(const SCSelection&) = delete;
    SCSelection& operator=(const SCSelection&) = delete;

    // The request list holds each element once, in time order. Elements added one by one are
    // put in place together when the list is next read, so that adding many costs one ordering
    // rather than a search per element.
    void AddToSelection(ECBase* element);
    void AddToSelection(MCEventList* elements);
    void RemoveFromSelection(ECBase* element);
    void RemoveFromSelection(MCEventList* elements);
    void ClearSelection();

    // Applies the request to the receiver's selection list `current`: marks and unmarks the
    // elements, replaces the list's content by the new selection, and makes lists 1 to 3
    // valid. 1 when the selection changed; 0, changing nothing, for a code outside 1700-1704.
    int UpdateSelection(MCEventList& current);

    // 0 the request list; 1 the new selection, 2 the added and 3 the dropped elements, only
    // after UpdateSelection; null otherwise. A caller may change the request list it was
    // handed until it next adds to or removes from the selection.
    MCEventList* GetEvents(int which);

    int IsDynamic() const { return (m_flags & kDynamic) ? 1 : 0; }
    void SetDynamic(int on);

    MCFocusWnd* GetFocusWnd() const { return m_focusWnd.get(); }
    void SetFocusWnd(std::shared_ptr<MCFocusWnd> window) { m_focusWnd = std::move(window); }

    // The colour views draw selected elements with.
    static unsigned long GetColor();
    static void SetColor(unsigned long color);

protected:
    // The element a request stands for (a mirror stands for the element it mirrors): null for
    // null, for a mirror of nothing, or for an element already requested.
    ECBase* GetEvent(ECBase* element);

private:
    // The element a mirror mirrors (null for a mirror of nothing); any other element itself.
    static ECBase* standsFor(ECBase* element);
    // Puts the elements added since the request list was last read into it, in time order.
    void placePending();
    // How often each element is in the request list and the pending elements, recounted from
    // the list when it was handed out and may have been changed.
    MCElementCounts& requested();
    // Takes the first entries of the request list holding each element, as many as counted.
    void removeFromRequest(MCElementCounts removals);

    static constexpr uint8_t kDynamic = 0x01;
    static constexpr uint8_t kUpdated = 0x02;

    uint8_t m_flags = 0;
    MCEventList m_request;
    // Added but not yet in the request list, in the order they were added.
    std::vector<plat::RefPtr<ECBase>> m_pending;
    MCElementCounts m_requested;
    bool m_requestHandedOut = false;
    std::shared_ptr<MCFocusWnd> m_focusWnd;
    MCEventList m_newSelection;
    MCEventList m_added;
    MCEventList m_dropped;
};
