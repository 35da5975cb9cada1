#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECWithTime.h"

#include <cstdint>
#include <string>
#include <vector>

// A text of the score: a title, a credit, a marker, a rehearsal mark and so on, by its text
// type, with its font style (bold, italic, underline, point size). Each text type has a
// default point size, one table for the whole process.
class NOTABASE_API ECText : public ECWithTime {
    PLAT_DECLARE_SERIAL(ECText)
public:
    // Text types: 0 plain text, 1 copyright information, 2 sequence name, 3 track name,
    // 4 instrument name, 5 marker, 6 cue point, 7 dedication information, 8 title, 9 subtitle,
    // 10 composer, 11 arranger, 12 text author, 13 opus number, 14 rehearsal number,
    // 15 rehearsal letter, 16 subject header, 17 quote, 18 verse, 19 metric scheme, 20 tune.
    enum : unsigned char { typePlain = 0, typeTitle = 8, lastType = 20 };

    // A plain text, empty, in the default point size of its type.
    ECText();
    ECText(unsigned char type, const std::string& text);
    // Takes the time as well.
    ECText(const ECText& other);
    // The voice/track word, the type, the text and the style; not the time.
    ECText& operator=(const ECText& other);
    // Equal types, texts, style bits and point sizes.
    bool operator==(const ECText& other) const;
    bool operator!=(const ECText& other) const { return !(*this == other); }

    // The ECWithTime record, the type, the text, the style word.
    void Serialize(plat::Archive& archive) override;
    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    // By text type: the staff for plain texts, track and instrument names; the conductor staff
    // for copyright information and types 5 to 20; none for the sequence name and unknown types.
    int GetParentTypes(std::vector<int>& types) const override;

    unsigned char GetTextType() const { return static_cast<unsigned char>(GetFlags() >> 8); }
    void SetTextType(unsigned char type) { SetFlags(static_cast<uint16_t>((GetFlags() & 0x00FF) | (type << 8))); }
    const std::string& GetText() const { return m_text; }
    void SetText(const std::string& text) { m_text = text; }
    // Splits the text at every newline and carriage return (a run of them is one break, empty
    // lines are dropped) into lines, which it empties first; answers their number.
    int GetTextLines(std::vector<std::string>& lines) const;

    int IsBold() const { return static_cast<int>(m_style & styleBold); }
    void SetBold(int on) { setStyleBit(styleBold, on); }
    int IsItalic() const { return (m_style & styleItalic) ? 1 : 0; }
    void SetItalic(int on) { setStyleBit(styleItalic, on); }
    int IsUnderline() const { return (m_style & styleUnderline) ? 1 : 0; }
    void SetUnderline(int on) { setStyleBit(styleUnderline, on); }
    int GetPointSize() const { return static_cast<int>((m_style >> 8) & 0xFF); }
    // The low eight bits.
    void SetPointSize(int size);

    // 1 for the kinds of text a title page shows: 1, 3, 4, 7 to 13 and 16 to 20.
    static int IsTitlePageText(unsigned char type);
    // The point size a new text of the type gets; types above 20 take that of plain text.
    static int GetDefaultPointSize(unsigned char type);
    // Types above 20 have no entry and are left alone.
    static void SetDefaultPointSize(unsigned char type, unsigned short size);

private:
    enum : uint32_t { styleBold = 0x1, styleItalic = 0x2, styleUnderline = 0x4 };

    void setStyleBit(uint32_t bit, int on) { m_style = (on & 1) ? (m_style | bit) : (m_style & ~bit); }

    std::string m_text;
    uint32_t m_style = 0;
};
