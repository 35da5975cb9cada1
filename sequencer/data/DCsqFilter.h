#pragma once

#include "sequencer/SequencerExport.h"

#include "platform/core/RefPtr.h"
#include "sequencer/data/DCsqBase.h"

#include <memory>
#include <vector>

// Sequencer data that applies a filter of its own to events. The filter is owned; a copy of the
// data gets a copy of the filter.
//
// Records of older documents hold objects that are read and dropped. They are kept, unused,
// until the data goes: the archive that read them may still hand them out while it lives.
class SEQUENCER_API DCsqFilter : public DCsqBase {
    PLAT_DECLARE_SERIAL(DCsqFilter)
public:
    DCsqFilter();
    DCsqFilter(const DCsqFilter& other);
    DCsqFilter& operator=(const DCsqFilter& other);
    ~DCsqFilter() override;

    DCBase* Copy(plat::Object* other) override;
    int GetClassType() const override;
    LCBase* GetFilter() const override { return m_filter.get(); }
    // Takes the filter (owned; null for none), deleting the one held before.
    void SetFilter(LCBase* filter);

    // Nothing is stored; documents before version 3 hold a list of old filters, read and
    // dropped.
    void Serialize(plat::Archive& archive) override;
    void unlinkAfterFailedLoad() override;

protected:
    // Reads the filter object of the data's own record (an LCsqBase) and takes it.
    void ReadFilter(plat::Archive& archive);
    // Keeps an object read from an old record and dropped, unused, until the data goes; null
    // is fine. An element is held by a reference. A damaged record giving anything else to
    // another owner too (another record, or an element's data) is an archive error.
    void Retire(plat::Object* object);
    // Reads a list of old filters and retires each.
    void ReadOldFilterList(plat::Archive& archive);

private:
    std::unique_ptr<LCBase> m_filter;
    std::vector<std::unique_ptr<plat::Object>> m_retired;
    std::vector<plat::RefPtr<ECBase>> m_retiredElements;
};
