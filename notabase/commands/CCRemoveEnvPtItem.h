#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/commands/CCRemoveItem.h"
#include "notabase/model/MCEventList.h"

#include <memory>

// One envelope point for a CCRemoveEnvPoint to remove, with the anchor group that goes with it
// and the place the group had among its envelope's groups.
class NOTABASE_API CCRemoveEnvPtItem : public CCRemoveItem {
public:
    CCRemoveEnvPtItem() = default;
    explicit CCRemoveEnvPtItem(ECBase* point) : CCRemoveItem(point) {}
    ~CCRemoveEnvPtItem() override;

    // Null until set.
    virtual MCEventList* GetAnchorList() const { return m_anchorList.get(); }
    // Takes a copy of the list's points, once: an item that has a list keeps it.
    virtual void SetAnchorList(const MCEventList* list);
    // The group went with another command's point: this item has none to take or put back.
    void ForgetAnchorList() { m_anchorList.reset(); }

    // -1 until the group was taken out of its envelope.
    int GetGroupIndex() const { return m_groupIndex; }
    void SetGroupIndex(int index) { m_groupIndex = index; }

private:
    std::unique_ptr<MCEventList> m_anchorList;
    int m_groupIndex = -1;
};
