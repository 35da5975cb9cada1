#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/commands/CCEditItem.h"

#include <memory>

class LCBase;

// One processing layer a CCEditFilter changes: the layer, a copy the caller changes (the new
// state) and, once recorded, the old state. No element is involved.
class NOTABASE_API CCEditFilterItem : public CCEditItem {
public:
    CCEditFilterItem() = default;
    explicit CCEditFilterItem(LCBase* filter);
    ~CCEditFilterItem() override;

    LCBase* GetFilter() const { return m_filter; }
    LCBase* GetNewFilter() const { return m_newFilter.get(); }
    // Null until the old state was recorded.
    LCBase* GetOldFilter() const { return m_oldFilter.get(); }

    void Process(int recordOld) override;

    // A new layer of the same class holding the layer's state; null when the class cannot be
    // made by name.
    static std::unique_ptr<LCBase> NewCopyOf(LCBase* filter);

private:
    LCBase* m_filter = nullptr;
    std::unique_ptr<LCBase> m_newFilter;
    std::unique_ptr<LCBase> m_oldFilter;
};
