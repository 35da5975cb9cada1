#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/values/FCValue.h"

#include <cstdint>

// A cell holding a character or signed byte.
class NOTABASE_API FCChar : public FCIntegralValue<FCChar, char> {
public:
    using FCIntegralValue::FCIntegralValue;
    using FCIntegralValue::operator=;
};
