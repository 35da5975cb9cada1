#include "notabase/model/ECFlowControl.h"

#include "notabase/model/ECPerformanceBase.h"
#include "notabase/model/EventTypes.h"
#include "notabase/names/DisplayNames.h"
#include "platform/core/Archive.h"

// Schema 3 adds the text to the record.
PLAT_IMPLEMENT_SERIAL(ECFlowControl, ECWithTimeChild, plat::kVersionableSchema | 3)

namespace {

constexpr uint32_t firstSchemaWithText = 3;

}  // namespace

ECFlowControl::ECFlowControl(unsigned char type)
{
    SetFlowControlType(type);
}

ECFlowControl::ECFlowControl(const ECFlowControl& other)
    : ECWithTimeChild(other),
      m_endingNumber(other.m_endingNumber),
      m_sequenceNumber(other.m_sequenceNumber),
      m_text(other.m_text)
{
    SetFlowControlType(other.GetFlowControlType());
}

ECFlowControl& ECFlowControl::operator=(const ECFlowControl& other)
{
    ECWithTimeChild::operator=(other);
    SetFlowControlType(other.GetFlowControlType());
    m_endingNumber = other.m_endingNumber;
    m_sequenceNumber = other.m_sequenceNumber;
    m_text = other.m_text;
    return *this;
}

bool ECFlowControl::operator==(const ECFlowControl& other) const
{
    return GetFlowControlType() == other.GetFlowControlType() && m_endingNumber == other.m_endingNumber
           && m_sequenceNumber == other.m_sequenceNumber && m_text == other.m_text;
}

std::string ECFlowControl::GetText() const
{
    return m_text.empty() ? GetFlowString(GetFlowControlType()) : m_text;
}

ECBase* ECFlowControl::Copy(plat::Object* other)
{
    if (auto* flow = plat::dynamicDowncast<ECFlowControl>(other))
        *this = *flow;
    return this;
}

int ECFlowControl::GetEventId() const
{
    return EventId::FlowControl;
}

int ECFlowControl::GetParentTypes(std::vector<int>& types) const
{
    types.push_back(EventId::ConductorStaff);
    return static_cast<int>(types.size());
}

void ECFlowControl::Serialize(plat::Archive& archive)
{
    ECWithTimeChild::Serialize(archive);
    if (archive.isStoring()) {
        const unsigned char type = GetFlowControlType();
        archive.writeU8(type);
        if (type == typeEnding)
            archive.writeI32(m_endingNumber);
        else if (type == typeSequence)
            archive.writeI32(m_sequenceNumber);
        // The user's own words for the mark; without them it would fall back to its name.
        archive.writeString(m_text);
        return;
    }
    SetFlowControlType(archive.readU8());
    if (GetFlowControlType() == typeEnding)
        m_endingNumber = ECPerformanceBase::GetActiveVersion(archive) == 0 ? archive.readU8() : archive.readI32();
    else if (GetFlowControlType() == typeSequence)
        m_sequenceNumber = archive.readI32();
    if (archive.objectSchema() >= firstSchemaWithText)
        m_text = archive.readString();
}
