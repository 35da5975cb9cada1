#pragma once

#include "wavegate/WavegateExport.h"

#include "platform/media/MediaTime.h"
#include "platform/media/MidiOutPort.h"
#include "wavegate/CWGEventData.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

// One slice [from, to) of a MIDI output, packed into stream words at 1 ms per tick: each
// event is its delta, stream id 0, its code word and its parameter words, and a closing
// no-op makes the deltas add up to exactly to - from.
class WAVEGATE_API CMidiStreamBuffer {
public:
    static constexpr uint32_t kShortCode = 0x00000000u;
    static constexpr uint32_t kLongCode = 0x80000000u;
    static constexpr uint32_t kMarkerCode = 0xC2000000u | 12u;
    static constexpr uint32_t kNopCode = 0x02000000u;

    CMidiStreamBuffer() = default;
    CMidiStreamBuffer(uint32_t from, uint32_t to);
    CMidiStreamBuffer(const CMidiStreamBuffer&) = delete;
    CMidiStreamBuffer& operator=(const CMidiStreamBuffer&) = delete;

    // Takes an event of type 1, 2 or 5; other types are dropped.
    void AddStreamData(std::unique_ptr<CWGEventData> event);
    // Packs the events and the closing no-op, deleting the events; false when the memory
    // for the words cannot be had (the buffer then holds no words).
    bool CapStreamBuffer();

    std::span<const uint32_t> GetWords() const { return m_memory; }
    // The block to queue on the port; its user value names this buffer.
    plat::media::StreamBlock GetStreamBlock() const;
    uint32_t GetDeltaSum() const { return m_deltaSum; }
    size_t GetEventCount() const { return m_events.size(); }

private:
    void BufferStreamData(const CWGEventData& event);

    CWGEventList m_events;
    std::vector<uint32_t> m_memory;
    size_t m_words = 0;
    plat::media::MediaTime m_currentTime;
    plat::media::MediaTime m_startTime;
    plat::media::MediaTime m_endTime;
    uint32_t m_deltaSum = 0;
};
