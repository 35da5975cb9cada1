#include "wavegate/CMidiStreamBuffer.h"

#include "platform/core/Trace.h"

#include <exception>

CMidiStreamBuffer::CMidiStreamBuffer(uint32_t from, uint32_t to)
    : m_currentTime(from), m_startTime(from), m_endTime(to)
{
}

void CMidiStreamBuffer::AddStreamData(std::unique_ptr<CWGEventData> event)
{
    if (!event)
        return;
    switch (event->type) {
    case CWGEventData::WG_EVENT_MIDI:
        event->size = 0;
        break;
    case CWGEventData::WG_EVENT_SYSEX:
        if (!event->GetSysExData() || event->length == 0 || event->length > CWGEventData::kMaxSysExBytes)
            return;
        event->size = static_cast<uint32_t>((event->length + 3) / 4);
        break;
    case CWGEventData::WG_EVENT_WAVESTART:
        event->size = 3;
        break;
    default:
        return;
    }
    m_words += event->size + 3;
    m_events.push_back(std::move(event));
}

plat::media::StreamBlock CMidiStreamBuffer::GetStreamBlock() const
{
    return plat::media::StreamBlock{m_memory, reinterpret_cast<uintptr_t>(this)};
}

bool CMidiStreamBuffer::CapStreamBuffer()
{
    try {
        m_memory.assign(m_words + 3, 0);
    } catch (const std::exception&) {   // out of memory, or more words than a vector holds
        plat::trace("CMidiStreamBuffer: can't allocate memory!");
        m_memory.clear();
        m_events.clear();
        return false;
    }
    m_words = 0;
    for (auto& event : m_events)
        BufferStreamData(*event);
    m_events.clear();

    uint32_t delta = 0;
    if (m_endTime < m_currentTime)
        plat::trace("***");
    else
        delta = static_cast<uint32_t>(m_endTime - m_currentTime);
    const uint32_t eventDeltas = m_deltaSum;
    m_deltaSum += delta;
    const uint32_t wanted = static_cast<uint32_t>(m_endTime - m_startTime);
    if (m_deltaSum != wanted) {
        // Events past the end made the slice longer; the closing delta gives back what it
        // can, never going below 0 (a negative delta would read as a wait of weeks).
        const int32_t difference = static_cast<int32_t>(wanted - m_deltaSum);
        plat::trace("+ %d", difference);
        const int64_t corrected = static_cast<int64_t>(delta) + difference;
        delta = corrected < 0 ? 0 : static_cast<uint32_t>(corrected);
        m_deltaSum = eventDeltas + delta;
    }
    m_memory[m_words] = delta;
    m_memory[m_words + 1] = 0;
    m_memory[m_words + 2] = kNopCode;
    return true;
}

void CMidiStreamBuffer::BufferStreamData(const CWGEventData& event)
{
    uint32_t delta = 0;
    if (const plat::media::MediaTime time(event.time); time > m_currentTime)
        delta = static_cast<uint32_t>(time - m_currentTime);
    m_deltaSum += delta;
    m_currentTime += delta;

    uint32_t* words = &m_memory[m_words];
    words[0] = delta;
    words[1] = 0;
    switch (event.type) {
    case CWGEventData::WG_EVENT_MIDI:
        words[2] = kShortCode | (static_cast<uint32_t>(event.data) & 0x00FFFFFFu);
        break;
    case CWGEventData::WG_EVENT_SYSEX: {
        const uint8_t* bytes = event.GetSysExData();
        words[2] = kLongCode | static_cast<uint32_t>(event.length);
        for (size_t i = 0; i < event.length; ++i)
            words[3 + i / 4] |= static_cast<uint32_t>(bytes[i]) << (8 * (i % 4));
        break;
    }
    case CWGEventData::WG_EVENT_WAVESTART:
        words[2] = kMarkerCode;
        words[3] = static_cast<uint32_t>(event.data);
        // The player's handle, whole: low word, then high word.
        words[4] = static_cast<uint32_t>(event.length);
        words[5] = static_cast<uint32_t>(static_cast<uint64_t>(event.length) >> 32);
        break;
    default:
        break;
    }
    m_words += event.size + 3;
}
