#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECWithTime.h"

#include <cstdint>
#include <string>

// A chord name over a measure: a root, a bass, a flavor (the kind of chord) and a display
// style packed into one word, with the quality text the chord shows. Quality texts mark
// symbols with a caret and a letter and enclose alterations in brackets; the tokenizer below
// takes such a text apart.
class NOTABASE_API ECChordSymbol : public ECWithTime {
    PLAT_DECLARE_SERIAL(ECChordSymbol)
public:
    // Root 1, bass 28, flavor 28, style 3, no quality.
    ECChordSymbol();
    ECChordSymbol(unsigned char root, unsigned char bass, unsigned char flavor, unsigned char style);
    // Takes the time as well.
    ECChordSymbol(const ECChordSymbol& other);
    // The voice/track word, the chord word and the quality; not the time.
    ECChordSymbol& operator=(const ECChordSymbol& other);
    // Equal chord words and qualities.
    bool operator==(const ECChordSymbol& other) const;
    bool operator!=(const ECChordSymbol& other) const { return !(*this == other); }

    // The ECWithTime record, the chord word, then the quality (from version 3 on). Older
    // documents numbered the flavors otherwise: their flavor is renumbered and given the
    // quality of its new number.
    void Serialize(plat::Archive& archive) override;
    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;

    // Bits 0-7 root, 8-15 bass, 16-23 flavor, 24-31 style.
    virtual int GetChordType() const { return static_cast<int>(m_chordType); }
    virtual void SetChordType(int type) { m_chordType = static_cast<uint32_t>(type); }
    // Root, bass and flavor read as signed bytes.
    virtual int GetChordRoot() const { return static_cast<signed char>(byteAt(0)); }
    virtual void SetChordRoot(unsigned char root) { setByteAt(0, root); }
    virtual int GetChordBass() const { return static_cast<signed char>(byteAt(1)); }
    virtual void SetChordBass(unsigned char bass) { setByteAt(1, bass); }
    virtual int GetChordFlavor() const { return static_cast<signed char>(byteAt(2)); }
    virtual void SetChordFlavor(unsigned char flavor) { setByteAt(2, flavor); }
    virtual unsigned char GetChordStyle() const { return byteAt(3); }
    // Bit 1 (the chart) is cleared when the chord has no chart (see HasChart).
    virtual void SetChordStyle(unsigned char style);
    virtual const std::string& GetChordQuality() const { return m_quality; }
    virtual void SetChordQuality(const std::string& quality) { m_quality = quality; }

    // Whether a chart can be drawn: never over a bass (above 0), else for flavors 0 to 5, 8,
    // 10, 11 and 19 to 27.
    static int HasChart(int flavor, int bass);

    // The tokenizer of quality texts. Each thread has its own buffer, so threads never see
    // each other's text. BeginParse loads the buffer, EndParse empties it. Parse answers:
    // 0 with the text up to the next '^', '[' or ']' in token; 9 for an opening bracket; a
    // symbol code for a caret and its letter (M 1, N 2, D 3, A 4, H 5, R 6, S 7, F 8, other
    // letters 1); -1 at a closing bracket and at the end. "sus[^F9]" gives "sus", 9, 8, "9", -1.
    static void BeginParse(const std::string& text);
    static int Parse(std::string& token);
    static void EndParse();

private:
    unsigned char byteAt(int index) const { return static_cast<unsigned char>(m_chordType >> (8 * index)); }
    void setByteAt(int index, unsigned char value)
    {
        m_chordType = (m_chordType & ~(0xFFu << (8 * index))) | (static_cast<uint32_t>(value) << (8 * index));
    }

    uint32_t m_chordType;
    std::string m_quality;
};
