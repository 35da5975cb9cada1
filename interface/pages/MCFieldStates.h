#pragma once

#include <cstdint>

// The states of an inspector page's fields over the selected elements, two bits a field: no
// value seen yet, one value the elements share, a value the user changed, values that differ.
// A page shows a shared value, leaves a mixed field indeterminate, and on Apply writes only
// the fields the user changed, so values it never showed are kept.
class MCFieldStates {
public:
    enum State : int { stateNone = 0, stateCommon = 1, stateChanged = 2, stateMixed = 3 };
    static constexpr int kMaxFields = 16;

    bool operator==(const MCFieldStates& other) const = default;

    int Get(int field) const { return int((m_bits >> (field * 2)) & 3u); }
    void Set(int field, int state)
    {
        const int shift = field * 2;
        m_bits = (m_bits & ~(3u << shift)) | (uint32_t(state & 3) << shift);
    }
    bool IsChanged(int field) const { return Get(field) == stateChanged; }
    // Every field back to no value seen.
    void Reset() { m_bits = 0; }
    // Whether each of the fields 0..count-1 is mixed: no further element changes what they show.
    bool AllMixed(int count) const
    {
        for (int field = 0; field < count; ++field)
            if (Get(field) != stateMixed)
                return false;
        return true;
    }

    // Takes one element's value into field: the first value seen becomes the shown one, and a
    // later value that differs makes the field mixed. True only for the value that made it
    // mixed, the moment to show the field's control as indeterminate. A field the user changed
    // or already mixed stays as it is.
    template <class Value>
    bool Merge(int field, Value& shown, const Value& value)
    {
        const int state = Get(field);
        if (state == stateNone) {
            shown = value;
            Set(field, stateCommon);
        } else if (state == stateCommon && !(shown == value)) {
            Set(field, stateMixed);
            return true;
        }
        return false;
    }

private:
    uint32_t m_bits = 0;
};
