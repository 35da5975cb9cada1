#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/values/FCValue.h"

#include <cstdint>

// A cell holding a 16-bit unsigned value.
class NOTABASE_API FCWord : public FCLogicalValue<FCWord, uint16_t> {
public:
    using FCLogicalValue::FCLogicalValue;
    using FCLogicalValue::operator=;
};
