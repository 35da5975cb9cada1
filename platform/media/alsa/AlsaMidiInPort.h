#pragma once

#include "platform/media/PlatMediaExport.h"

#include "platform/media/MidiInPort.h"
#include "platform/media/alsa/AlsaMidiCodec.h"
#include "platform/media/alsa/AlsaSequencer.h"

#include <chrono>
#include <mutex>

namespace plat::media {

// A MIDI input from one ALSA sequencer source: a port of ours that the source is connected
// to while the input is started. The sequencer's input thread decodes what arrives.
class PLATMEDIA_API AlsaMidiInPort final : public MidiInPort {
public:
    AlsaMidiInPort(AlsaSequencer& sequencer, AlsaSequencer::Address source);
    ~AlsaMidiInPort() override;

    int open(Events* events) override;
    int start() override;
    int stop() override;
    int close() override;
    std::string errorText(int error) const override;

private:
    void onEvent(const snd_seq_event_t& event);
    uint32_t msSinceStart() const;

    AlsaSequencer& m_sequencer;
    AlsaSequencer::Address m_source;
    AlsaMidiCodec m_codec;   // the input thread's
    Events* m_events = nullptr;
    std::mutex m_mutex;
    int m_port = -1;
    plat::Connection m_handler;
    bool m_started = false;
    std::chrono::steady_clock::time_point m_startTime;
};

}  // namespace plat::media
