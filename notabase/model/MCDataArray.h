#pragma once

#include "notabase/NotabaseExport.h"

#include "platform/core/Object.h"

#include <vector>

// The data components of one element, by slot. Data types (view codes) 0..5 map to slots
// 0, 3, 1, 4, 5, 2. The array never deletes a component: the element that holds it does.
class NOTABASE_API MCDataArray : public plat::Object {
    PLAT_DECLARE_SERIAL(MCDataArray)
public:
    // Most slots an element can fill: one per data type.
    static constexpr int maxSlots = 6;

    MCDataArray() = default;

    // Slot of a data type, and data type of a slot; any other argument gives 0.
    static int ViewCodeToIndex(int type);
    static int IndexToViewCode(int slot);
    // Whether a component is written with its element: it must be an archive object.
    static bool IsSerializable(const plat::Object* component);

    int GetSize() const { return static_cast<int>(m_slots.size()); }
    // Keeps the first min(old, n) entries and clears new ones; 0 frees the storage.
    void SetSize(int n);
    plat::Object* GetAt(int i) const;
    plat::Object*& ElementAt(int i) { return m_slots.at(static_cast<size_t>(i)); }
    plat::Object*& operator[](int i) { return ElementAt(i); }
    void SetAt(int i, plat::Object* component);
    void SetAtGrow(int i, plat::Object* component);
    int Add(plat::Object* component);
    // Frees the storage; the components are not deleted.
    void RemoveAll() { m_slots.clear(); m_slots.shrink_to_fit(); }

    // A component that an element is about to delete, or let go without deleting, is no
    // longer held by a data array.
    static void Forget(const plat::Object* component);

    // Storing: the number of archive components, the highest slot holding one, then each as a
    // data-type byte and the object. Loading reads that form under version 3 and later, and
    // below 3 the older form: a count and one object (or null) per data type from 0 on.
    // The array must be empty before a load. A component may be held by one array only: one
    // that a damaged archive refers to again is refused rather than owned twice.
    void Serialize(plat::Archive& archive) override;

private:
    std::vector<plat::Object*> m_slots;
};
