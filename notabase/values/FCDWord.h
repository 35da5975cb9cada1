#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/values/FCValue.h"

#include <cstdint>

// A cell holding a 32-bit unsigned value.
class NOTABASE_API FCDWord : public FCLogicalValue<FCDWord, uint32_t> {
public:
    using FCLogicalValue::FCLogicalValue;
    using FCLogicalValue::operator=;
};
