#pragma once

#include "platform/media/PlatMediaExport.h"

#include "platform/media/Clock.h"
#include "platform/media/MidiOutPort.h"
#include "platform/media/alsa/AlsaMidiCodec.h"
#include "platform/media/alsa/AlsaSequencer.h"

#include <deque>
#include <mutex>

namespace plat::media {

// A MIDI output to one ALSA sequencer destination, through a port of ours connected to it.
// Its stream is a sequencer queue of its own: every event of a block is stamped with its
// real time on the queue when the block is queued, so the kernel sends it on time (no thread
// of ours sleeps until then); pause and restart stop and continue the queue, and a restart
// that should have come earlier moves the queue on by the difference. The end of each
// block and each marker are echo events to ourselves, which the input thread turns into
// done() and marker().
class PLATMEDIA_API AlsaMidiOutPort final : public MidiOutPort {
public:
    // clock: the media clock, which restartAt() counts from.
    AlsaMidiOutPort(AlsaSequencer& sequencer, AlsaSequencer::Address destination, const Clock& clock);
    ~AlsaMidiOutPort() override;

    int open(Events* events) override;
    int queue(const StreamBlock& block) override;
    int restart() override;
    int restartAt(MediaTime at) override;
    int pause() override;
    int stop() override;
    int close() override;
    int shortMsg(uint32_t packed) override;
    int longMsg(std::span<const uint8_t> bytes) override;
    std::string errorText(int error) const override;

private:
    struct Pending {
        uint32_t serial;
        uintptr_t user;
    };
    int newQueue();
    uint64_t queueTimeMs();
    int64_t queueTimeNs();
    // Starts or continues the queue, moved on by leadNs: the stream should have run that long.
    int start(int64_t leadNs);
    void onEcho(const snd_seq_event_t& event);
    int sendDirect(snd_seq_event_t& event);

    AlsaSequencer& m_sequencer;
    AlsaSequencer::Address m_destination;
    const Clock& m_clock;
    AlsaMidiCodec m_codec;   // under m_mutex
    Events* m_events = nullptr;

    std::mutex m_mutex;
    int m_port = -1;
    plat::Connection m_handler;
    int m_queue = -1;
    enum class State { stopped, running, paused } m_state = State::stopped;
    uint64_t m_timelineEndMs = 0;
    uint32_t m_nextSerial = 1;
    std::deque<Pending> m_pending;
    // Held while calling back, so done() keeps its order across the input thread and stop().
    std::mutex m_deliveryMutex;
};

}  // namespace plat::media
