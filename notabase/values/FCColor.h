#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/values/FCValue.h"

#include <cstdint>

// A cell holding a colour value (red in the low byte, then green and blue).
class NOTABASE_API FCColor : public FCLogicalValue<FCColor, uint32_t> {
public:
    using FCLogicalValue::FCLogicalValue;
    using FCLogicalValue::operator=;
};
