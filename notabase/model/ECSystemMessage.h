#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECWithTime.h"

#include <string>

// A system-exclusive message of the conductor staff, with its type and the name the user gave
// it. The message bytes are the sequencer's data of the element.
class NOTABASE_API ECSystemMessage : public ECWithTime {
    PLAT_DECLARE_SERIAL(ECSystemMessage)
public:
    ECSystemMessage() = default;
    explicit ECSystemMessage(unsigned char type);
    // Takes the time as well.
    ECSystemMessage(const ECSystemMessage& other);
    // The voice/track word, the message type and the name.
    ECSystemMessage& operator=(const ECSystemMessage& other);

    // The ECWithTime record, the message type, then the name (read from version 3 on).
    void Serialize(plat::Archive& archive) override;
    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;

    unsigned char GetMessageType() const { return static_cast<unsigned char>(GetFlags() >> 8); }
    void SetMessageType(unsigned char type) { SetFlags(static_cast<uint16_t>((GetFlags() & 0x00FF) | (type << 8))); }
    std::string GetMessageName() const { return m_name; }
    void SetMessageName(const std::string& name) { m_name = name; }

private:
    std::string m_name;
};
