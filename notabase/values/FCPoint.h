#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/values/FCValue.h"

struct FCPointValue {
    int x = 0;
    int y = 0;
    bool operator==(const FCPointValue&) const = default;
};

// A cell holding a point.
class NOTABASE_API FCPoint : public FCValue<FCPoint, FCPointValue> {
public:
    using FCValue::FCValue;
    using FCValue::operator=;
};
