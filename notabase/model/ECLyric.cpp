#include "notabase/model/ECLyric.h"

#include "notabase/model/ECPerformanceBase.h"
#include "notabase/model/EventTypes.h"
#include "platform/core/Archive.h"

PLAT_IMPLEMENT_SERIAL(ECLyric, ECText, plat::kVersionableSchema | 2)

namespace {

constexpr int firstVersionWithVerse = 3;

}  // namespace

ECLyric::ECLyric(const std::string& text) : ECText(typePlain, text)
{
}

ECLyric::ECLyric(const ECLyric& other) : ECText(other), m_verseAux(other.m_verseAux), m_duration(other.m_duration)
{
}

ECLyric& ECLyric::operator=(const ECLyric& other)
{
    ECText::operator=(other);
    m_verseAux = other.m_verseAux;
    return *this;
}

bool ECLyric::operator==(const ECLyric& other) const
{
    return ECText::operator==(other) && m_verseAux == other.m_verseAux;
}

void ECLyric::SetDuration(const MCTime* duration)
{
    if (duration)
        m_duration = *duration;
}

ECBase* ECLyric::Copy(plat::Object* other)
{
    if (auto* lyric = plat::dynamicDowncast<ECLyric>(other))
        *this = *lyric;
    return this;
}

int ECLyric::GetEventId() const
{
    return EventId::Lyric;
}

int ECLyric::GetParentTypes(std::vector<int>& types) const
{
    types.push_back(EventId::Measure);
    return static_cast<int>(types.size());
}

void ECLyric::Serialize(plat::Archive& archive)
{
    ECText::Serialize(archive);
    if (archive.isStoring()) {
        archive.writeU8(m_verseAux);
        m_duration.Serialize(archive, -1);
        return;
    }
    const int version = ECPerformanceBase::GetActiveVersion(archive);
    if (version < firstVersionWithVerse) {
        SetVerse(1);
        return;
    }
    m_verseAux = archive.readU8();
    m_duration.Serialize(archive, version);
}
