#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/values/FCValue.h"
#include "notabase/values/MCTime.h"

// A cell holding a time; it compares as times do.
class NOTABASE_API FCTime : public FCValue<FCTime, MCTime> {
public:
    using FCValue::FCValue;
    using FCValue::operator=;
};
