#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECWithTimeChild.h"

#include <cstdint>
#include <string>

// A mark of the play order on the conductor staff: a numbered ending, a jump (Fine, D.C.,
// D.S. and their forms), a coda, and so on, by its flow control type. It may carry a text of
// its own in place of its name.
class NOTABASE_API ECFlowControl : public ECWithTimeChild {
    PLAT_DECLARE_SERIAL(ECFlowControl)
public:
    // Type 2 is an ending, with its number; type 14 carries a sequence number.
    enum : unsigned char { typeEnding = 2, typeSequence = 14 };

    ECFlowControl() = default;
    explicit ECFlowControl(unsigned char type);
    // Takes the time as well.
    ECFlowControl(const ECFlowControl& other);
    // The voice/track word, the type, both numbers and the text; not the time.
    ECFlowControl& operator=(const ECFlowControl& other);
    // Equal types, numbers and texts.
    bool operator==(const ECFlowControl& other) const;
    bool operator!=(const ECFlowControl& other) const { return !(*this == other); }

    // The ECWithTimeChild record, the type, the ending number of an ending (one byte in
    // documents of version 0) or the sequence number of type 14, then the text. Records of the
    // first layout (class schema 2) end before the text.
    void Serialize(plat::Archive& archive) override;
    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;

    unsigned char GetFlowControlType() const { return static_cast<unsigned char>(GetFlags() >> 8); }
    void SetFlowControlType(unsigned char type) { SetFlags(static_cast<uint16_t>((GetFlags() & 0x00FF) | (type << 8))); }
    int32_t GetEndingNumber() const { return m_endingNumber; }
    void SetEndingNumber(int32_t number) { m_endingNumber = number; }
    int32_t GetSequenceNumber() const { return m_sequenceNumber; }
    void SetSequenceNumber(int32_t number) { m_sequenceNumber = number; }
    // The text, or when it is empty the name of the type.
    std::string GetText() const;
    void SetText(const std::string& text) { m_text = text; }

private:
    int32_t m_endingNumber = 1;
    int32_t m_sequenceNumber = 0;
    std::string m_text;
};
