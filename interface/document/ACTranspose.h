#pragma once

#include "interface/InterfaceExport.h"

#include "notabase/actions/ACBase.h"
#include "platform/core/RefPtr.h"

#include <cstdint>
#include <vector>

class ECBase;

// Transposes MIDI pitches by a number of semitones: a note's key, a polyphonic pressure's key
// and the source note of a portamento control (controller 84), each kept within 0..127. Other
// elements are walked into.
//
// It notes each value it changes with the value before, so that what it did can be undone
// exactly even where the limits cut the interval short.
class INTERFACE_API ACTranspose : public ACBase {
public:
    // Which byte of an element's MIDI data a change was made to.
    enum class Field : uint8_t { notePitch, pressureKey, portamentoSource };
    struct Change {
        plat::RefPtr<ECBase> element;
        Field field;
        uint8_t before;
        uint8_t after;
    };

    ACTranspose() = default;
    explicit ACTranspose(int amount) : m_amount(amount) {}

    int GetTransposeAmount() const { return m_amount; }
    void SetTransposeAmount(int amount) { m_amount = amount; }

    // 1 (not descended) for notes, polyphonic pressures and controls; 0 for other elements.
    int DoAction(ECBase* element) override;

    const std::vector<Change>& GetChanges() const { return m_changes; }
    // Sets the field of the change's element to a value.
    static void SetField(ECBase* element, Field field, uint8_t value);

private:
    int m_amount = 12;
    std::vector<Change> m_changes;
};
