#include "interface/document/ACTranspose.h"

#include "notabase/model/ECBase.h"
#include "notabase/model/EventTypes.h"
#include "sequencer/data/DCsqMidi.h"
#include "sequencer/data/DCsqNote.h"

#include <algorithm>

namespace {

constexpr int kPortamentoControl = 84;

uint8_t clampKey(int value)
{
    return static_cast<uint8_t>(std::clamp(value, 0, 127));
}

DCsqMidi* midiData(ECBase* element)
{
    return plat::dynamicDowncast<DCsqMidi>(element->GetData(0, 0));
}

}  // namespace

void ACTranspose::SetField(ECBase* element, Field field, uint8_t value)
{
    DCsqMidi* data = midiData(element);
    if (!data)
        return;
    switch (field) {
    case Field::notePitch:
        if (auto* note = plat::dynamicDowncast<DCsqNote>(data))
            note->ChangeMidiPitch(value);
        break;
    case Field::pressureKey:
        data->GetMidiData().SetDataByte1(value);
        break;
    case Field::portamentoSource:
        data->GetMidiData().SetDataByte2(value);
        break;
    }
}

int ACTranspose::DoAction(ECBase* element)
{
    const int id = element->GetEventId();
    if (id != EventId::Note && id != EventId::PolyPressure && id != EventId::ControlChange)
        return 0;
    DCsqMidi* data = midiData(element);
    if (!data)
        return 1;
    FCMidi& message = data->GetMidiData();
    Field field;
    uint8_t before;
    if (id == EventId::Note) {
        if (!plat::dynamicDowncast<DCsqNote>(data))
            return 1;
        field = Field::notePitch;
        before = message.GetDataByte1();
    } else if (id == EventId::PolyPressure) {
        field = Field::pressureKey;
        before = message.GetDataByte1();
    } else {
        if (message.GetDataByte1() != kPortamentoControl)
            return 1;
        field = Field::portamentoSource;
        before = message.GetDataByte2();
    }
    const uint8_t after = clampKey(before + m_amount);
    SetField(element, field, after);
    m_changes.push_back(Change{plat::RefPtr<ECBase>(element), field, before, after});
    return 1;
}
