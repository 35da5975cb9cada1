#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/values/FCValue.h"

struct FCSizeValue {
    int cx = 0;
    int cy = 0;
    bool operator==(const FCSizeValue&) const = default;
};

// A cell holding a size.
class NOTABASE_API FCSize : public FCValue<FCSize, FCSizeValue> {
public:
    using FCValue::FCValue;
    using FCValue::operator=;
};
