#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/values/FCValue.h"

#include <cstdint>

// A cell holding a long integer.
class NOTABASE_API FCLong : public FCIntegralValue<FCLong, long> {
public:
    using FCIntegralValue::FCIntegralValue;
    using FCIntegralValue::operator=;
};
