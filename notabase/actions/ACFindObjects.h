#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/actions/ACBase.h"
#include "notabase/model/MCEventList.h"

#include <unordered_set>

// Tells whether any of a set of elements lies on the walk, and stops the walk at the first.
class NOTABASE_API ACFindObjects : public ACBase {
public:
    explicit ACFindObjects(ECBase* object);
    explicit ACFindObjects(const MCEventList& objects);

    // Clears the found flag.
    int BeginAction() override;
    int DoAction(ECBase* element) override;

    const MCEventList& GetObjects() const { return m_objects; }
    void AddObject(ECBase* object);
    void AddObjects(const MCEventList& objects);
    void RemoveObject(ECBase* object);
    void RemoveObjects();
    int ObjectsFound() const { return m_found ? 1 : 0; }

private:
    MCEventList m_objects;
    // The same elements, for a lookup that does not grow with their number.
    std::unordered_multiset<const ECBase*> m_lookup;
    bool m_found = false;
};
