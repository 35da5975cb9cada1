#include "interface/document/SCNotationInfo.h"

#include "notabase/values/MCTime.h"

#include <cstring>

SCNotationInfo::SCNotationInfo()
{
    SetAutoDelete(0);
    SetSynchronous(1);
}

SCNotationInfo::SCNotationInfo(int code) : SCBase(code)
{
    SetAutoDelete(0);
    SetSynchronous(1);
}

SCNotationInfo::~SCNotationInfo()
{
    ClearMap();
}

void SCNotationInfo::SetInfoCode(int mask)
{
    m_infoCode = mask;
    for (int bit = 3; bit >= 0; --bit) {
        if (mask & (1 << bit)) {
            m_kindCount = bit + 1;
            return;
        }
    }
}

void SCNotationInfo::SetEvents(MCEventList* elements)
{
    m_events.RemoveAll();
    if (elements)
        m_events.AddEvents(*elements);
}

SCNotationInfo::NotationArray* SCNotationInfo::GetNotationInfo(ECBase* element, int create)
{
    auto found = m_infoMap.find(element);
    if (found != m_infoMap.end()) {
        // An array made before more kinds were asked for grows to hold them.
        if (create && found->second.size() < static_cast<size_t>(m_kindCount))
            found->second.resize(static_cast<size_t>(m_kindCount), 0u);
        return &found->second;
    }
    if (!create)
        return nullptr;
    return &m_infoMap.emplace(element, NotationArray(static_cast<size_t>(m_kindCount), 0u)).first->second;
}

uint32_t* SCNotationInfo::GetNotationItem(NotationArray* array, int kind)
{
    int index;
    switch (kind) {
    case 1:
        index = 0;
        break;
    case 2:
        index = 1;
        break;
    case 4:
        index = 2;
        break;
    case 8:
        index = 3;
        break;
    default:
        return nullptr;
    }
    if (!array || static_cast<size_t>(index) >= array->size())
        return nullptr;
    return &(*array)[static_cast<size_t>(index)];
}

uint32_t* SCNotationInfo::GetNotationItem(ECBase* element, int kind)
{
    return GetNotationItem(GetNotationInfo(element, 1), kind);
}

void SCNotationInfo::ClearMap()
{
    m_infoMap.clear();
}

int SCNotationInfo::GetInfo(ECBase* element, int kind, MCTime& out)
{
    const uint32_t* item = GetNotationItem(element, kind);
    if (!item)
        return 0;
    float value;
    std::memcpy(&value, item, sizeof(value));
    out = MCTime(value);
    return 1;
}

int SCNotationInfo::GetInfo(ECBase* element, int kind, uint8_t& out)
{
    const uint32_t* item = GetNotationItem(element, kind);
    if (!item)
        return 0;
    out = static_cast<uint8_t>(*item);
    return 1;
}

int SCNotationInfo::GetInfo(ECBase* element, int kind, uint16_t& out)
{
    const uint32_t* item = GetNotationItem(element, kind);
    if (!item)
        return 0;
    out = static_cast<uint16_t>(*item);
    return 1;
}

int SCNotationInfo::GetInfo(ECBase* element, int kind, int& out)
{
    const uint32_t* item = GetNotationItem(element, kind);
    if (!item)
        return 0;
    out = static_cast<int>(*item);
    return 1;
}

void SCNotationInfo::SetInfo(ECBase* element, int kind, const MCTime& value)
{
    if (uint32_t* item = GetNotationItem(element, kind)) {
        const float quarters = value.GetSeconds();
        std::memcpy(item, &quarters, sizeof(quarters));
    }
}

void SCNotationInfo::SetInfo(ECBase* element, int kind, const uint8_t& value)
{
    if (uint32_t* item = GetNotationItem(element, kind))
        *item = value;
}

void SCNotationInfo::SetInfo(ECBase* element, int kind, const uint16_t& value)
{
    if (uint32_t* item = GetNotationItem(element, kind))
        *item = value;
}

void SCNotationInfo::SetInfo(ECBase* element, int kind, const int& value)
{
    if (uint32_t* item = GetNotationItem(element, kind))
        *item = static_cast<uint32_t>(value);
}
