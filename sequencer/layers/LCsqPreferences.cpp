#include "sequencer/layers/LCsqPreferences.h"

#include "notabase/model/ECBase.h"
#include "notabase/model/EventTypes.h"
#include "platform/core/Trace.h"

#include <algorithm>

PLAT_IMPLEMENT_SERIAL(LCsqPreferences, LCsqBase, plat::kVersionableSchema | 2)

namespace {

constexpr const char* kEntryNames[LCsqPreferences::entryCount] = {
    "Aftertouch", "Channel Mode", "Controllers", "Notes", "NRPN", "Program Change", "Pitch Bend", "Poly Pressure", "RPN", "SysEx",
};

}  // namespace

LCsqPreferences::LCsqPreferences(const LCsqPreferences& other) : LCsqBase(other)
{
    *this = other;
}

LCsqPreferences& LCsqPreferences::operator=(const LCsqPreferences& other)
{
    if (this == &other)
        return *this;
    LCsqBase::operator=(other);
    m_blocked = other.m_blocked;
    m_blockedControllers = other.m_blockedControllers;
    m_thinned = other.m_thinned;
    m_thinnedControllers = other.m_thinnedControllers;
    return *this;
}

bool LCsqPreferences::operator==(const LCsqPreferences& other) const
{
    return m_blocked == other.m_blocked && m_blockedControllers == other.m_blockedControllers && m_thinned == other.m_thinned
        && m_thinnedControllers == other.m_thinnedControllers;
}

LCBase* LCsqPreferences::Copy(plat::Object* other)
{
    if (auto* filter = plat::dynamicDowncast<LCsqPreferences>(other))
        *this = *filter;
    return this;
}

int LCsqPreferences::GetClassType() const
{
    return FilterPreferences;
}

const char* LCsqPreferences::EntryName(int entry)
{
    return entry >= 0 && entry < entryCount ? kEntryNames[entry] : nullptr;
}

bool LCsqPreferences::hasEntryFlag(int entry)
{
    switch (entry) {
    case entryAftertouch:
    case entryChannelMode:
    case entryNotes:
    case entryProgramChange:
    case entryPitchBend:
    case entryPolyPressure:
    case entrySysEx:
        return true;
    default:
        return false;
    }
}

void LCsqPreferences::setListed(std::vector<int>& list, int number, int on)
{
    auto found = std::find(list.begin(), list.end(), number);
    if (on && found == list.end())
        list.push_back(number);
    else if (!on && found != list.end())
        list.erase(found);
}

void LCsqPreferences::BlockEventType(int entry, int sub, int block)
{
    if (hasEntryFlag(entry))
        m_blocked[static_cast<size_t>(entry)] = block;
    else if (entry == entryControllers && sub >= 0 && sub < controllerCount)
        m_blockedControllers[static_cast<size_t>(sub)] = block;
    else if (entry == entryNRPN)
        SetBlockNRPN(sub, block);
    else if (entry == entryRPN)
        SetBlockRPN(sub, block);
}

int LCsqPreferences::EventTypeBlocked(int entry, int sub) const
{
    return BlockEvent(entry, sub);
}

void LCsqPreferences::ThinEventType(int entry, int sub, int thin)
{
    if (entry == entryControllers) {
        if (sub >= 0 && sub < controllerCount)
            m_thinnedControllers[static_cast<size_t>(sub)] = thin;
    } else if (entry == entryAftertouch || entry == entryPitchBend || entry == entryPolyPressure) {
        m_thinned[static_cast<size_t>(entry)] = thin;
    }
}

int LCsqPreferences::EventTypeThinned(int entry, int sub) const
{
    if (entry == entryControllers)
        return sub >= 0 && sub < controllerCount ? m_thinnedControllers[static_cast<size_t>(sub)] : 0;
    if (entry == entryAftertouch || entry == entryPitchBend || entry == entryPolyPressure)
        return m_thinned[static_cast<size_t>(entry)];
    return 0;
}

int LCsqPreferences::BlockEvent(int entry, int sub) const
{
    if (hasEntryFlag(entry))
        return m_blocked[static_cast<size_t>(entry)];
    if (entry == entryControllers)
        return sub >= 0 && sub < controllerCount ? m_blockedControllers[static_cast<size_t>(sub)] : 0;
    if (entry == entryNRPN)
        return BlockNRPN(sub);
    if (entry == entryRPN)
        return BlockRPN(sub);
    return 0;
}

int LCsqPreferences::BlockNRPN(int number) const
{
    return std::find(m_blockedNRPN.begin(), m_blockedNRPN.end(), number) != m_blockedNRPN.end() ? 1 : 0;
}

int LCsqPreferences::BlockRPN(int number) const
{
    return std::find(m_blockedRPN.begin(), m_blockedRPN.end(), number) != m_blockedRPN.end() ? 1 : 0;
}

void LCsqPreferences::SetBlockNRPN(int number, int block)
{
    setListed(m_blockedNRPN, number, block);
}

void LCsqPreferences::SetBlockRPN(int number, int block)
{
    setListed(m_blockedRPN, number, block);
}

int LCsqPreferences::ThinEvent(int entry, int sub)
{
    if (!EventTypeThinned(entry, sub))
        return 0;
    ++m_thinCounter;
    return m_thinCounter & 1;
}

void LCsqPreferences::ProcessEvent(CSeqEvent* event, CSeqEventList& /*list*/)
{
    if (!event || event->IsMuted())
        return;
    auto block = [&](int entry, int sub) {
        if (BlockEvent(entry, sub))
            event->SetMuted(1);
    };
    auto blockOrThin = [&](int entry, int sub) {
        if (BlockEvent(entry, sub) || ThinEvent(entry, sub))
            event->SetMuted(1);
    };
    switch (event->GetDataType()) {
    case CSeqEvent::typeMidi: {
        const FCMidi& message = event->GetMidiData();
        if (message.IsNote())
            block(entryNotes, 0);
        else if (message.IsControllerMsg())
            blockOrThin(entryControllers, 0);
        else if (message.IsPitchBendMsg())
            blockOrThin(entryPitchBend, 0);
        else if (message.IsProgramMsg())
            block(entryProgramChange, 0);
        else if (message.IsChannelModeMsg())
            block(entryChannelMode, 0);
        else if (message.IsChanPressureMsg())
            blockOrThin(entryAftertouch, 0);
        else if (message.IsPolyPressureMsg())
            blockOrThin(entryPolyPressure, 0);
        else
            plat::trace("%x %x %x\n", message.GetStatusByte(), message.GetDataByte1(), message.GetDataByte2());
        break;
    }
    case CSeqEvent::typeNote:
        block(entryNotes, 0);
        break;
    case CSeqEvent::typeNRPN:
        block(entryNRPN, 0);
        break;
    case CSeqEvent::typeRPN:
        block(entryRPN, 0);
        break;
    case CSeqEvent::typePatch:
        block(entryProgramChange, 0);
        break;
    case CSeqEvent::typeSysEx:
        block(entrySysEx, 0);
        break;
    default:
        break;
    }
}

int LCsqPreferences::FilterEvent(const FCMidi& message) const
{
    switch (message.GetStatusMSB()) {
    case 0x80:
    case 0x90:
        return BlockEvent(entryNotes, 0);
    case 0xA0:
        return BlockEvent(entryPolyPressure, 0);
    case 0xB0: {
        const int controller = message.GetDataByte1();
        if (controller == 98 || controller == 99)
            return BlockEvent(entryNRPN, 0);
        if (controller == 0 || controller == 32)
            return BlockEvent(entryProgramChange, 0);
        if (controller == 100 || controller == 101)
            return BlockEvent(entryRPN, 0);
        if (controller >= 120)
            return BlockEvent(entryChannelMode, 0);
        return BlockEvent(entryControllers, 0);
    }
    case 0xC0:
        return BlockEvent(entryProgramChange, 0);
    case 0xD0:
        return BlockEvent(entryAftertouch, 0);
    case 0xE0:
        return BlockEvent(entryPitchBend, 0);
    case 0xF0:
        return BlockEvent(entrySysEx, 0);
    default:
        return 0;
    }
}

int LCsqPreferences::FilterEvent(ECBase* element) const
{
    if (!element)
        return 0;
    switch (element->GetEventId()) {
    case EventId::ChannelPressure:
        return BlockEvent(entryAftertouch, 0);
    case EventId::ChannelMode:
        return BlockEvent(entryChannelMode, 0);
    case EventId::ControlChange:
        return BlockEvent(entryControllers, 0);
    case EventId::Note:
        return BlockEvent(entryNotes, 0);
    case EventId::NRPNPoint:
        return BlockEvent(entryNRPN, 0);
    case EventId::ProgramChange:
        return BlockEvent(entryProgramChange, 0);
    case EventId::PitchBend:
        return BlockEvent(entryPitchBend, 0);
    case EventId::PolyPressure:
        return BlockEvent(entryPolyPressure, 0);
    case EventId::RPNPoint:
        return BlockEvent(entryRPN, 0);
    case EventId::SystemMessage:
        return BlockEvent(entrySysEx, 0);
    default:
        return 0;
    }
}
