#pragma once

#include "notabase/NotabaseExport.h"

#include "platform/core/Object.h"

#include <vector>

class DCBase;

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
    static bool IsSerializable(const DCBase* component);

    int GetSize() const { return m_size; }
    // Keeps the first min(old, n) entries and clears new ones; 0 frees the storage.
    void SetSize(int n);
    DCBase* GetAt(int i) const;
    // Throws std::out_of_range outside the array.
    DCBase*& ElementAt(int i);
    DCBase*& operator[](int i) { return ElementAt(i); }
    void SetAt(int i, DCBase* component);
    void SetAtGrow(int i, DCBase* component);
    int Add(DCBase* component);
    // Frees the storage; the components are not deleted.
    void RemoveAll();

    // Storing: the number of archive components, the highest slot holding one, then each as a
    // data-type byte and the object. Loading reads that form under version 3 and later, and
    // below 3 the older form: a count and one object (or null) per data type from 0 on.
    // The array must be empty before a load. A component may be held by one array only: one
    // that a damaged archive gives to a second array is refused rather than owned twice (an
    // element deletes its components, and an archive hands out an object it loaded again when
    // the stream refers to it; anything but a data component is refused before it is made).
    void Serialize(plat::Archive& archive) override;

private:
    // The slots up to the size, made when the first is written: most elements never hold a
    // component, and a piece has millions of elements.
    std::vector<DCBase*>& madeSlots();

    std::vector<DCBase*> m_slots;
    int m_size = 0;
};
