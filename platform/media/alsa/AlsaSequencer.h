#pragma once

#include "platform/media/PlatMediaExport.h"

#include "platform/core/CallbackList.h"

#include <alsa/asoundlib.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace plat::media {

// Our client of the ALSA sequencer, shared by the ALSA MIDI ports: the handle (output from
// any thread, under one lock), the list of the machine's MIDI ports, and one input thread
// that hands each incoming event to the port it is addressed to.
class PLATMEDIA_API AlsaSequencer {
public:
    struct Address {
        int client = 0;
        int port = 0;
        std::string name;
    };
    using Handler = std::function<void(const snd_seq_event_t&)>;

    // Null when there is no sequencer (a machine without /dev/snd/seq: nothing is said).
    static std::unique_ptr<AlsaSequencer> open();
    ~AlsaSequencer();
    AlsaSequencer(const AlsaSequencer&) = delete;
    AlsaSequencer& operator=(const AlsaSequencer&) = delete;

    // Ports of other clients that take MIDI (destinations) or give it (sources).
    std::vector<Address> destinations() const;
    std::vector<Address> sources() const;

    int client() const { return m_client; }
    // A port of ours; -1 (or the ALSA error) when it cannot be made. capabilities as
    // SND_SEQ_PORT_CAP_*.
    int createPort(const std::string& name, unsigned capabilities);
    void deletePort(int port);
    // Every incoming event goes to every handler, on the input thread: a port's handler takes
    // those addressed to it. Disconnecting the returned token removes the handler; once that
    // returns the handler is not running and never runs again.
    [[nodiscard]] plat::Connection addHandler(Handler handler);

    // Runs f with the handle under the output lock.
    template <class F>
    auto withHandle(F&& f)
    {
        std::lock_guard lock(m_outputMutex);
        return f(m_seq);
    }

private:
    explicit AlsaSequencer(snd_seq_t* seq);
    std::vector<Address> ports(unsigned capabilities) const;
    void run();

    snd_seq_t* m_seq;
    int m_client = -1;
    std::mutex m_outputMutex;
    plat::CallbackList<void(const snd_seq_event_t&)> m_handlers;
    int m_wakeFd = -1;
    std::atomic<bool> m_quit{false};
    std::thread m_thread;
};

}  // namespace plat::media
