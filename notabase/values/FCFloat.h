#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/values/FCValue.h"

// A cell holding a float; its comparisons are exact.
class NOTABASE_API FCFloat : public FCValue<FCFloat, float> {
public:
    using FCValue::FCValue;
    using FCValue::operator=;

    FCFloat& operator+=(float value)
    {
        m_value += value;
        return *this;
    }
    FCFloat& operator-=(float value)
    {
        m_value -= value;
        return *this;
    }
    FCFloat& operator*=(float value)
    {
        m_value *= value;
        return *this;
    }
    FCFloat& operator/=(float value)
    {
        m_value /= value;
        return *this;
    }
};
