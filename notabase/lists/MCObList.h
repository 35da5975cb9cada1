#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/lists/MCListBase.h"
#include "platform/core/Object.h"

// A linked list of archive objects. It does not own its objects.
class NOTABASE_API MCObList : public plat::Object, public MCListBase<plat::Object*> {
    PLAT_DECLARE_SERIAL(MCObList)
public:
    // The block size is accepted for compatibility and not used: the blocks of nodes grow with
    // the list.
    explicit MCObList(int blockSize = 10);
    ~MCObList() override;

    using MCListBase::GetNext;
    using MCListBase::GetPrev;
    // Moves on from the position until an item of that class (or derived from it) is found and
    // returns it; null at the end. A null class accepts every item.
    plat::Object* GetNext(MCPosition& position, const plat::RuntimeClass* cls) const;
    plat::Object* GetPrev(MCPosition& position, const plat::RuntimeClass* cls) const;

    // The count in the archive's count form, then each object.
    void Serialize(plat::Archive& archive) override;
};
