#include "notabase/model/ECChordSymbol.h"

#include "notabase/model/ECPerformanceBase.h"
#include "notabase/model/EventTypes.h"
#include "notabase/names/DisplayNames.h"
#include "platform/core/Archive.h"

#include <array>

PLAT_IMPLEMENT_SERIAL(ECChordSymbol, ECWithTime, plat::kVersionableSchema | 2)

namespace {

constexpr int firstVersionWithQuality = 3;

// The flavor numbers of documents before version 3, by old number; later numbers stayed.
constexpr std::array<unsigned char, 19> renumberedFlavors = {
    0, 1, 8, 2, 19, 5, 20, 21, 4, 22, 23, 24, 25, 26, 10, 11, 27, 3, 28,
};

thread_local std::string t_parseBuffer;

}  // namespace

ECChordSymbol::ECChordSymbol() : ECChordSymbol(1, 28, 28, 3)
{
}

ECChordSymbol::ECChordSymbol(unsigned char root, unsigned char bass, unsigned char flavor, unsigned char style)
    : m_chordType(root | (bass << 8) | (flavor << 16) | (static_cast<uint32_t>(style) << 24))
{
}

ECChordSymbol::ECChordSymbol(const ECChordSymbol& other)
    : ECWithTime(other), m_chordType(other.m_chordType), m_quality(other.m_quality)
{
}

ECChordSymbol& ECChordSymbol::operator=(const ECChordSymbol& other)
{
    ECWithTime::operator=(other);
    m_chordType = other.m_chordType;
    m_quality = other.m_quality;
    return *this;
}

bool ECChordSymbol::operator==(const ECChordSymbol& other) const
{
    return m_chordType == other.m_chordType && m_quality == other.m_quality;
}

void ECChordSymbol::SetChordStyle(unsigned char style)
{
    if (!HasChart(GetChordFlavor(), GetChordBass()))
        style = static_cast<unsigned char>(style & ~0x02);
    setByteAt(3, style);
}

int ECChordSymbol::HasChart(int flavor, int bass)
{
    if (bass > 0)
        return 0;
    return (flavor >= 0 && flavor <= 5) || flavor == 8 || flavor == 10 || flavor == 11 || (flavor >= 19 && flavor <= 27)
               ? 1
               : 0;
}

void ECChordSymbol::BeginParse(const std::string& text)
{
    t_parseBuffer = text;
}

int ECChordSymbol::Parse(std::string& token)
{
    std::string& buffer = t_parseBuffer;
    if (buffer.empty())
        return -1;
    const size_t mark = buffer.find_first_of("^[]");
    if (mark == std::string::npos) {
        token = buffer;
        buffer.clear();
        return 0;
    }
    if (mark > 0) {
        token = buffer.substr(0, mark);
        buffer.erase(0, mark);
        return 0;
    }
    const char found = buffer[0];
    buffer.erase(0, 1);
    if (buffer.empty())
        return -1;
    if (found == '[')
        return 9;
    if (found == ']')
        return -1;
    const char symbol = buffer[0];
    buffer.erase(0, 1);
    switch (symbol) {
    case 'N': return 2;
    case 'D': return 3;
    case 'A': return 4;
    case 'H': return 5;
    case 'R': return 6;
    case 'S': return 7;
    case 'F': return 8;
    default: return 1;  // 'M' and any other letter
    }
}

void ECChordSymbol::EndParse()
{
    t_parseBuffer.clear();
}

ECBase* ECChordSymbol::Copy(plat::Object* other)
{
    if (auto* symbol = plat::dynamicDowncast<ECChordSymbol>(other))
        *this = *symbol;
    return this;
}

int ECChordSymbol::GetEventId() const
{
    return EventId::ChordSymbol;
}

int ECChordSymbol::GetParentTypes(std::vector<int>& types) const
{
    types.push_back(EventId::Measure);
    return static_cast<int>(types.size());
}

void ECChordSymbol::Serialize(plat::Archive& archive)
{
    ECWithTime::Serialize(archive);
    if (archive.isStoring()) {
        archive.writeU32(m_chordType);
        archive.writeString(m_quality);
        return;
    }
    m_chordType = archive.readU32();
    if (ECPerformanceBase::GetActiveVersion(archive) >= firstVersionWithQuality) {
        m_quality = archive.readString();
        return;
    }
    const unsigned char old = byteAt(2);
    const unsigned char flavor = old < renumberedFlavors.size() ? renumberedFlavors[old] : old;
    setByteAt(2, flavor);
    m_quality = GetChordSymbolString(flavor);
}
