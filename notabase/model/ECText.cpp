#include "notabase/model/ECText.h"

#include "notabase/model/EventTypes.h"
#include "platform/core/Archive.h"

#include <array>
#include <atomic>

PLAT_IMPLEMENT_SERIAL(ECText, ECWithTime, plat::kVersionableSchema | 2)

namespace {

// By text type. Atomic: a window may change a size while another thread makes texts.
std::array<std::atomic<unsigned short>, ECText::lastType + 1> defaultPointSizes = {
    10, 9, 10, 10, 10, 10, 10, 12, 24, 14, 10, 10, 10, 24, 12, 12, 12, 10, 10, 10, 10,
};

}  // namespace

ECText::ECText() : ECText(typePlain, std::string())
{
}

ECText::ECText(unsigned char type, const std::string& text) : m_text(text)
{
    SetTextType(type);
    SetPointSize(GetDefaultPointSize(type));
}

ECText::ECText(const ECText& other) : ECWithTime(other), m_text(other.m_text), m_style(other.m_style)
{
    SetTextType(other.GetTextType());
}

ECText& ECText::operator=(const ECText& other)
{
    ECWithTime::operator=(other);
    SetTextType(other.GetTextType());
    m_text = other.m_text;
    m_style = other.m_style;
    return *this;
}

bool ECText::operator==(const ECText& other) const
{
    constexpr uint32_t compared = styleBold | styleItalic | styleUnderline | 0xFF00;
    return GetTextType() == other.GetTextType() && m_text == other.m_text
           && (m_style & compared) == (other.m_style & compared);
}

void ECText::SetPointSize(int size)
{
    m_style = (m_style & ~0xFF00u) | (static_cast<uint32_t>(size & 0xFF) << 8);
}

int ECText::GetTextLines(std::vector<std::string>& lines) const
{
    lines.clear();
    size_t start = 0;
    while (start < m_text.size()) {
        const size_t end = m_text.find_first_of("\r\n", start);
        const size_t stop = end == std::string::npos ? m_text.size() : end;
        if (stop > start)
            lines.push_back(m_text.substr(start, stop - start));
        start = stop + 1;
    }
    return static_cast<int>(lines.size());
}

int ECText::IsTitlePageText(unsigned char type)
{
    return type == 1 || type == 3 || type == 4 || (type >= 7 && type <= 13) || (type >= 16 && type <= 20) ? 1 : 0;
}

int ECText::GetDefaultPointSize(unsigned char type)
{
    return defaultPointSizes[type <= lastType ? type : static_cast<unsigned char>(typePlain)];
}

void ECText::SetDefaultPointSize(unsigned char type, unsigned short size)
{
    if (type <= lastType)
        defaultPointSizes[type] = size;
}

ECBase* ECText::Copy(plat::Object* other)
{
    if (auto* text = plat::dynamicDowncast<ECText>(other))
        *this = *text;
    return this;
}

int ECText::GetEventId() const
{
    return EventId::Text;
}

int ECText::GetParentTypes(std::vector<int>& types) const
{
    const unsigned char type = GetTextType();
    if (type == 0 || type == 3 || type == 4)
        types.push_back(EventId::Staff);
    else if (type == 1 || (type >= 5 && type <= lastType))
        types.push_back(EventId::ConductorStaff);
    return static_cast<int>(types.size());
}

void ECText::Serialize(plat::Archive& archive)
{
    ECWithTime::Serialize(archive);
    if (archive.isStoring()) {
        archive.writeU8(GetTextType());
        archive.writeString(m_text);
        archive.writeU32(m_style);
        return;
    }
    SetTextType(archive.readU8());
    m_text = archive.readString();
    m_style = archive.readU32();
}
