#pragma once

#include "notabase/NotabaseExport.h"

#include <unordered_map>

class ECBase;
class MCEventList;

// For an envelope point command while it prepares its items: how many of the items' anchor
// lists hold each point. An item whose point another item's group brings along is found by a
// count rather than by a search of every other item, so that many items cost no more each.
class NOTABASE_API MCCarriedPoints {
public:
    void Clear() { m_counts.clear(); }
    // Counts each point of the list by step: 1 for a list that counts, -1 for one that no
    // longer does (its item was dropped).
    void Count(const MCEventList* anchors, int step);
    // Whether an anchor list other than own holds the point.
    bool ByOther(ECBase* point, const MCEventList* own) const;

private:
    std::unordered_map<const ECBase*, int> m_counts;
};
