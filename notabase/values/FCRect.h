#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/values/FCValue.h"

struct FCRectValue {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const FCRectValue&) const = default;
};

// A cell holding a rectangle.
class NOTABASE_API FCRect : public FCValue<FCRect, FCRectValue> {
public:
    using FCValue::FCValue;
    using FCValue::operator=;
};
