#include "notabase/model/ECFrame.h"

#include "notabase/model/EventTypes.h"
#include "notabase/model/MCEmbeddedItem.h"
#include "platform/core/Archive.h"

PLAT_IMPLEMENT_SERIAL(ECFrame, ECWithTime, plat::kVersionableSchema | 2)

ECFrame::ECFrame() = default;

ECFrame::ECFrame(unsigned char type)
{
    SetFrameType(type);
}

ECFrame::ECFrame(const ECFrame& other) : ECWithTime(other)
{
    *this = other;
}

ECFrame::~ECFrame() = default;

ECFrame& ECFrame::operator=(const ECFrame& other)
{
    ECWithTime::operator=(other);
    SetFrameType(other.GetFrameType());
    return *this;
}

bool ECFrame::operator==(const ECFrame& other) const
{
    return GetFrameType() == other.GetFrameType() && m_item == other.m_item;
}

void ECFrame::SetFrameType(unsigned char type)
{
    SetFlags(static_cast<uint16_t>((GetFlags() & ~0x7F00) | ((type & 0x7F) << 8)));
}

void ECFrame::SetClientItem(MCEmbeddedItem* item)
{
    if (item)
        item->m_held = true;
    m_item.reset(item);
}

void ECFrame::unlinkAfterFailedLoad()
{
    if (m_item) {
        m_item->m_held = false;
        // Owned by the archive now, which frees every object a failed load made.
        static_cast<void>(m_item.release());
    }
    ECWithTime::unlinkAfterFailedLoad();
}

ECBase* ECFrame::Copy(plat::Object* other)
{
    if (auto* frame = plat::dynamicDowncast<ECFrame>(other))
        *this = *frame;
    return this;
}

int ECFrame::GetEventId() const
{
    return EventId::Frame;
}

int ECFrame::GetParentTypes(std::vector<int>& types) const
{
    types.push_back(EventId::Performance);
    return static_cast<int>(types.size());
}

void ECFrame::Serialize(plat::Archive& archive)
{
    ECWithTime::Serialize(archive);
    if (archive.isStoring()) {
        archive.writeU8(static_cast<uint8_t>(GetFlags() >> 8));
        archive.writeObject(m_item.get());
        return;
    }
    SetFlags(static_cast<uint16_t>((GetFlags() & 0x00FF) | (archive.readU8() << 8)));
    MCEmbeddedItem* item = archive.readObjectAs<MCEmbeddedItem>();
    if (item && item->m_held)
        throw plat::ArchiveError(plat::ArchiveError::Cause::generic, "an embedded item stored for two frames");
    SetClientItem(item);
}
