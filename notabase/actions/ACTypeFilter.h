#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/actions/ACBase.h"

#include <vector>

// The element-type filter of the query actions: a list of element ids. An empty filter
// matches every element; otherwise an element matches when its id is in the list.
class NOTABASE_API ACTypeFilter : public ACBase {
public:
    // Room for n ids, none in use.
    explicit ACTypeFilter(int n = 1, int reverse = 0);

    void AddEvtType(int id) { m_types.push_back(id); }
    void AddEvtTypes(const std::vector<int>& ids) { m_types.insert(m_types.end(), ids.begin(), ids.end()); }
    // Removes the first entry of the id.
    void RemoveEvtType(int id);
    void RemoveEvtTypes() { m_types.clear(); }
    // The index of the id among the ids in use, or -1.
    int FindEvtType(int id) const;
    const std::vector<int>& GetEventTypes() const { return m_types; }
    bool Matches(ECBase* element) const;

private:
    std::vector<int> m_types;
};
