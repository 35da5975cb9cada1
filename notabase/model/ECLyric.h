#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECText.h"
#include "notabase/values/MCTime.h"

// A syllable of a verse under a measure: a plain text with its verse number, an auxiliary type
// and a duration.
class NOTABASE_API ECLyric : public ECText {
    PLAT_DECLARE_SERIAL(ECLyric)
public:
    ECLyric() = default;
    explicit ECLyric(const std::string& text);
    // Takes the time and the duration too.
    ECLyric(const ECLyric& other);
    // The text, the verse and the auxiliary type; not the time nor the duration.
    ECLyric& operator=(const ECLyric& other);
    // Equal texts, verses and auxiliary types.
    bool operator==(const ECLyric& other) const;
    bool operator!=(const ECLyric& other) const { return !(*this == other); }

    // The ECText record, then the verse and auxiliary type, then the duration. Documents
    // before version 3 hold neither; their lyrics are of verse 1.
    void Serialize(plat::Archive& archive) override;
    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;
    MCTime* GetDuration() override { return &m_duration; }
    void SetDuration(const MCTime* duration) override;

    // 0..3.
    int GetAuxType() const { return m_verseAux & auxMask; }
    void SetAuxType(int type) { m_verseAux = static_cast<uint8_t>((m_verseAux & ~auxMask) | (type & auxMask)); }
    // 0..63.
    int GetVerse() const { return m_verseAux >> 2; }
    void SetVerse(int verse) { m_verseAux = static_cast<uint8_t>((m_verseAux & auxMask) | ((verse & 0x3F) << 2)); }

private:
    static constexpr uint8_t auxMask = 0x03;

    uint8_t m_verseAux = 0;
    MCTime m_duration{0.0f};
};
