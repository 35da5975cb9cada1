#pragma once

#include "sequencer/SequencerExport.h"

#include "sequencer/data/DCsqBase.h"

#include <memory>

// Sequencer data that applies a filter of its own to events. The filter is owned; a copy of the
// data gets a copy of the filter.
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

private:
    std::unique_ptr<LCBase> m_filter;
};
