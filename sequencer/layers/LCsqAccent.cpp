#include "sequencer/layers/LCsqAccent.h"

#include "notabase/model/ECAccent.h"
#include "notabase/prefs/Preferences.h"
#include "platform/core/Archive.h"

#include <string>

PLAT_IMPLEMENT_SERIAL(LCsqAccent, LCsqBase, plat::kVersionableSchema | 2)

namespace {

struct AccentDefaults {
    const char* name;
    int percent[3];  // duration, velocity on, velocity off
};

constexpr AccentDefaults kAccents[LCsqAccent::accentTypeCount] = {
    {"Staccato", {60, 100, 100}},        {"Marcato", {100, 150, 130}},        {"Accent", {100, 130, 110}},
    {"Dash", {100, 110, 100}},           {"Wedge", {30, 100, 100}},           {"AccentStaccato", {60, 130, 110}},
    {"MarcatoStaccato", {60, 150, 130}}, {"AccentDash", {100, 130, 110}},     {"MarcatoDash", {100, 150, 130}},
    {"MarcatoWedge", {30, 150, 130}},    {"AccentWedge", {30, 130, 110}},     {"DashStaccato", {70, 110, 100}},
    {"Sforzando", {100, 130, 110}},      {"Forzato", {100, 150, 130}},        {"Sforzato", {100, 150, 130}},
};

constexpr const char* kValueSuffix[3] = {" Duration percent", " Velocity ON percent", " Velocity OFF percent"};

}  // namespace

bool LCsqAccent::operator==(const LCsqAccent& other) const
{
    return m_durationChange == other.m_durationChange && m_velocityOnChange == other.m_velocityOnChange
        && m_velocityOffChange == other.m_velocityOffChange;
}

void LCsqAccent::Serialize(plat::Archive& archive)
{
    LCsqBase::Serialize(archive);
    if (archive.isStoring()) {
        archive << m_durationChange << m_velocityOnChange << m_velocityOffChange;
        return;
    }
    archive >> m_durationChange >> m_velocityOnChange >> m_velocityOffChange;
}

LCBase* LCsqAccent::Copy(plat::Object* other)
{
    if (auto* filter = plat::dynamicDowncast<LCsqAccent>(other))
        *this = *filter;
    return this;
}

int LCsqAccent::GetClassType() const
{
    return FilterAccent;
}

const char* LCsqAccent::AccentName(int type)
{
    return type >= 0 && type < accentTypeCount ? kAccents[type].name : nullptr;
}

int LCsqAccent::DefaultPercent(int type, int which)
{
    if (type < 0 || type >= accentTypeCount || which < 0 || which > 2)
        return 100;
    return kAccents[type].percent[which];
}

uint8_t LCsqAccent::ScaledVelocity(uint8_t velocity, float factor)
{
    const float product = static_cast<float>(velocity) * factor;
    // A NaN factor fails both tests below and would not convert: it counts as the lowest.
    if (!(product >= 1.0f))
        return 1;
    if (product > 127.0f)
        return 127;
    return static_cast<uint8_t>(product);
}

void LCsqAccent::ApplyNoteOn(FCMidi& message, float factor)
{
    if (factor != 1.0f)
        message.SetDataByte2(ScaledVelocity(message.GetDataByte2(), factor));
}

void LCsqAccent::ApplyNoteOff(FCMidi& message, float factor)
{
    if (factor == 1.0f)
        return;
    // A note on of velocity 0 becomes a true note off on the same channel.
    message.SetStatusMSB(0x80);
    const uint8_t velocity = message.GetDataByte2();
    message.SetDataByte2(ScaledVelocity(velocity ? velocity : 64, factor));
}

void LCsqAccent::ApplyDuration(MCTime& duration, float factor)
{
    if (factor == 1.0f)
        return;
    duration *= factor;
    if (!(duration.GetSeconds() > 0.0f))
        duration = MCTime(0.05f);
}

void LCsqAccent::ProcessEvent(CSeqEvent* event, CSeqEventList& /*list*/)
{
    if (!event)
        return;
    switch (event->GetDataType()) {
    case CSeqEvent::typeMidi:
        if (event->GetMidiData().IsNoteOn())
            ApplyNoteOn(event->GetMidiData(), m_velocityOnChange);
        else if (event->GetMidiData().IsNoteOff())
            ApplyNoteOff(event->GetMidiData(), m_velocityOffChange);
        break;
    case CSeqEvent::typeNote: {
        ApplyNoteOn(event->GetMidiData(), m_velocityOnChange);
        ApplyDuration(event->GetDuration(), m_durationChange);
        uintptr_t& release = event->GetValue();
        if (release != 0) {
            const float product = static_cast<float>(release) * m_velocityOffChange;
            if (!(product >= 0.0f))
                release = 0;
            else if (product > 127.0f)
                release = 127;
            else
                release = static_cast<uintptr_t>(product);
        }
        break;
    }
    default:
        break;
    }
}

void LCsqAccent::UpdateParametersFrom(ECBase* accent)
{
    auto* element = plat::dynamicDowncast<ECAccent>(accent);
    const int type = element ? element->GetAccentType() : -1;
    float* factors[3] = {&m_durationChange, &m_velocityOnChange, &m_velocityOffChange};
    if (type < 0 || type >= accentTypeCount) {
        for (float* factor : factors)
            *factor = 1.0f;
        return;
    }
    for (int which = 0; which < 3; ++which) {
        const std::string name = std::string(kAccents[type].name) + kValueSuffix[which];
        *factors[which] = static_cast<float>(LoadIntPreference(kSection, name.c_str(), kAccents[type].percent[which])) / 100.0f;
    }
}
