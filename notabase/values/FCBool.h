#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/values/FCValue.h"

#include <cstdint>

// A cell holding a flag or small count stored as an int.
class NOTABASE_API FCBool : public FCLogicalValue<FCBool, int> {
public:
    using FCLogicalValue::FCLogicalValue;
    using FCLogicalValue::operator=;
};
