#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/commands/CCPaste.h"

#include <memory>

namespace plat {
class ClipData;
}

// Reads elements and their side information from data dropped on a view, as CCPaste reads
// them from the clipboard; without dropped data it reads the clipboard.
class NOTABASE_API CCDrop : public CCPaste {
    PLAT_DECLARE_DYNCREATE(CCDrop)
public:
    CCDrop();
    ~CCDrop() override;

    int GetCommandId() override;
    // The dropped data, given by the drop target.
    void SetDataObject(std::shared_ptr<const plat::ClipData> data) { m_dropped = std::move(data); }
    const plat::ClipData* GetDataObject() const { return m_dropped.get(); }

    // Lends the dropped data to the data-in object while it reads.
    void Attach() override;
    // Takes the dropped data back.
    void Detach() override;

private:
    std::shared_ptr<const plat::ClipData> m_dropped;
    bool m_lent = false;
};
