#pragma once

#include "interface/InterfaceExport.h"

#include "notabase/model/MCEventList.h"
#include "notabase/states/SCBase.h"

#include <cstdint>
#include <unordered_map>
#include <vector>

class ECBase;
class MCTime;

// A request (code 5200) with which a tool asks the views of a document for what only the
// notation knows about some elements, and in which the views answer. It is applied
// synchronously and not deleted by its delivery: the asker reads the answers and deletes it.
//
// Each element gets an array of items, one per kind asked for: kinds 1, 2, 4 and 8 at indices
// 0 to 3. An item is one 32-bit cell read and written as a time (a float of quarter notes), a
// byte, a word or an integer. Arrays are made zero-filled on first access; before
// SetInfoCode the kind count is 0, so no item exists.
class INTERFACE_API SCNotationInfo : public SCBase {
public:
    static constexpr int kRequest = 5200;
    using NotationArray = std::vector<uint32_t>;

    SCNotationInfo();
    explicit SCNotationInfo(int code);
    ~SCNotationInfo() override;
    SCNotationInfo(const SCNotationInfo&) = delete;
    SCNotationInfo& operator=(const SCNotationInfo&) = delete;

    // The kinds asked for; the kind count becomes the highest kind's bit number + 1 (unchanged
    // when none of bits 0 to 3 is set).
    void SetInfoCode(int mask);
    int GetInfoCode() const { return m_infoCode; }
    int GetKindCount() const { return m_kindCount; }

    void SetEvents(MCEventList* elements);
    MCEventList& GetEvents() { return m_events; }

    // 1 and the item when the element has an item of that kind.
    int GetInfo(ECBase* element, int kind, MCTime& out);
    int GetInfo(ECBase* element, int kind, uint8_t& out);
    int GetInfo(ECBase* element, int kind, uint16_t& out);
    int GetInfo(ECBase* element, int kind, int& out);
    void SetInfo(ECBase* element, int kind, const MCTime& value);
    void SetInfo(ECBase* element, int kind, const uint8_t& value);
    void SetInfo(ECBase* element, int kind, const uint16_t& value);
    void SetInfo(ECBase* element, int kind, const int& value);

    const std::unordered_map<const ECBase*, NotationArray>& GetInfoMap() const { return m_infoMap; }

protected:
    // The element's array; made (of the kind count's size) when missing and create is set.
    NotationArray* GetNotationInfo(ECBase* element, int create);
    // The item of kind 1, 2, 4 or 8 in the array, or null.
    static uint32_t* GetNotationItem(NotationArray* array, int kind);
    uint32_t* GetNotationItem(ECBase* element, int kind);
    void ClearMap();

private:
    int m_infoCode = 0;
    int m_kindCount = 0;
    MCEventList m_events{10};
    std::unordered_map<const ECBase*, NotationArray> m_infoMap;
};
