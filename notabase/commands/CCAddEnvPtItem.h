#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/commands/CCAddItem.h"
#include "notabase/model/MCEventList.h"

#include <memory>

// One envelope point for a CCAddEnvPoint to add, with the anchor group it heads or belongs to:
// the points added with it as one unit (a span's start and end), start first.
class NOTABASE_API CCAddEnvPtItem : public CCAddItem {
public:
    CCAddEnvPtItem() = default;
    CCAddEnvPtItem(ECBase* point, ECBase* envelope, const FCMidi& data) : CCAddItem(point, envelope, data) {}
    ~CCAddEnvPtItem() override;

    // Null until set.
    virtual MCEventList* GetAnchorList() const { return m_anchorList.get(); }
    // Takes a copy of the list's points, once: an item that has a list keeps it.
    virtual void SetAnchorList(const MCEventList* list);

    // Where among the envelope's groups the group goes: -1 after the last. A group put back by
    // an undo takes the place it had.
    int GetGroupIndex() const { return m_groupIndex; }
    void SetGroupIndex(int index) { m_groupIndex = index; }

private:
    std::unique_ptr<MCEventList> m_anchorList;
    int m_groupIndex = -1;
};
