#pragma once

#include "notabase/values/FCBase.h"

#include <limits>
#include <type_traits>

// The shape shared by the plain cells: one value of type T after the cell word, read and set
// without touching the dirty flag. Derived is the cell class, so that the operators hand the
// cell back as its own type.
template <class Derived, class T>
class FCValue : public FCBase {
public:
    using ValueType = T;

    FCValue() : m_value{} {}
    FCValue(const T& value) : m_value(value) {}
    // A copy takes the cell word and the value; an assignment takes the value only.
    FCValue(const FCValue&) = default;
    FCValue& operator=(const FCValue& other)
    {
        m_value = other.m_value;
        return *this;
    }
    Derived& operator=(const T& value)
    {
        m_value = value;
        return self();
    }

    T GetValue() const { return m_value; }
    void SetValue(const T& value) { m_value = value; }

    bool operator==(const T& value) const { return m_value == value; }
    bool operator!=(const T& value) const { return !(m_value == value); }
    bool operator==(const Derived& other) const { return m_value == other.m_value; }
    bool operator!=(const Derived& other) const { return !(m_value == other.m_value); }

protected:
    Derived& self() { return static_cast<Derived&>(*this); }

    T m_value;
};

// Cells whose operators are logical: each one stores 1 or 0 in the cell. They evaluate both
// sides, as any overloaded && and || do.
template <class Derived, class T>
class FCLogicalValue : public FCValue<Derived, T> {
public:
    using FCValue<Derived, T>::FCValue;
    using FCValue<Derived, T>::operator=;

    // 1 when the value was 0, else 0.
    Derived& operator!()
    {
        this->m_value = this->m_value ? T(0) : T(1);
        return this->self();
    }
    Derived& operator&&(T value)
    {
        this->m_value = (this->m_value && value) ? T(1) : T(0);
        return this->self();
    }
    Derived& operator||(T value)
    {
        this->m_value = (this->m_value || value) ? T(1) : T(0);
        return this->self();
    }
};

// Integer cells: the compound arithmetic and bitwise operators, and ~, & and |, all of which
// store their result in the cell. Shift counts are taken modulo 32. Division and remainder by 0
// leave the value as it is; the most negative value divided by -1 stays itself, with
// remainder 0.
template <class Derived, class T>
class FCIntegralValue : public FCValue<Derived, T> {
public:
    using FCValue<Derived, T>::FCValue;
    using FCValue<Derived, T>::operator=;

    Derived& operator+=(T value) { return store(wrapped(this->m_value) + wrapped(value)); }
    Derived& operator-=(T value) { return store(wrapped(this->m_value) - wrapped(value)); }
    Derived& operator*=(T value) { return store(wrapped(this->m_value) * wrapped(value)); }
    Derived& operator/=(T value)
    {
        if (value == 0)
            return this->self();
        if (overflowsDivision(value))
            return this->self();
        return store(this->m_value / value);
    }
    Derived& operator%=(T value)
    {
        if (value == 0)
            return this->self();
        if (overflowsDivision(value))
            return store(0);
        return store(this->m_value % value);
    }
    Derived& operator<<=(int count) { return store(wrapped(this->m_value) << (count & 31)); }
    Derived& operator>>=(int count) { return store(this->m_value >> (count & 31)); }
    Derived& operator~() { return store(~this->m_value); }
    Derived& operator&(T value) { return store(this->m_value & value); }
    Derived& operator|(T value) { return store(this->m_value | value); }

private:
    using Wide = std::make_unsigned_t<std::common_type_t<T, int>>;
    static Wide wrapped(T value) { return static_cast<Wide>(value); }
    bool overflowsDivision(T value) const
    {
        if constexpr (std::is_signed_v<T>)
            return value == T(-1) && this->m_value == std::numeric_limits<T>::min();
        return false;
    }
    template <class V>
    Derived& store(V value)
    {
        this->m_value = static_cast<T>(value);
        return this->self();
    }
};
