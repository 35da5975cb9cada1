#include "platform/media/alsa/AlsaSequencer.h"

#include "platform/core/AltSignalStack.h"
#include "platform/core/Trace.h"
#include "platform/media/alsa/AlsaQuiet.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace plat::media {

std::unique_ptr<AlsaSequencer> AlsaSequencer::open()
{
    if (::access("/dev/snd/seq", F_OK) != 0)
        return nullptr;
    quietAlsaLibrary();
    snd_seq_t* seq = nullptr;
    if (const int error = snd_seq_open(&seq, "default", SND_SEQ_OPEN_DUPLEX, 0); error < 0) {
        plat::trace("ALSA sequencer: cannot open it: %s", snd_strerror(error));
        return nullptr;
    }
    return std::unique_ptr<AlsaSequencer>(new AlsaSequencer(seq));
}

AlsaSequencer::AlsaSequencer(snd_seq_t* seq) : m_seq(seq)
{
    snd_seq_set_client_name(m_seq, "Quavix");
    m_client = snd_seq_client_id(m_seq);
    m_wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    m_thread = std::thread([this] {
        const plat::AltSignalStack altStack;
        run();
    });
}

AlsaSequencer::~AlsaSequencer()
{
    m_quit.store(true);
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(m_wakeFd, &one, sizeof one);
    m_thread.join();
    ::close(m_wakeFd);
    snd_seq_close(m_seq);
}

std::vector<AlsaSequencer::Address> AlsaSequencer::ports(unsigned capabilities) const
{
    std::vector<Address> list;
    snd_seq_client_info_t* clientInfo = nullptr;
    snd_seq_port_info_t* portInfo = nullptr;
    snd_seq_client_info_alloca(&clientInfo);
    snd_seq_port_info_alloca(&portInfo);
    snd_seq_client_info_set_client(clientInfo, -1);
    while (snd_seq_query_next_client(m_seq, clientInfo) >= 0) {
        const int client = snd_seq_client_info_get_client(clientInfo);
        // The system client (timer, announcements) and our own ports are no devices.
        if (client == SND_SEQ_CLIENT_SYSTEM || client == m_client)
            continue;
        snd_seq_port_info_set_client(portInfo, client);
        snd_seq_port_info_set_port(portInfo, -1);
        while (snd_seq_query_next_port(m_seq, portInfo) >= 0) {
            if ((snd_seq_port_info_get_capability(portInfo) & capabilities) != capabilities)
                continue;
            if (snd_seq_port_info_get_capability(portInfo) & SND_SEQ_PORT_CAP_NO_EXPORT)
                continue;
            list.push_back({client, snd_seq_port_info_get_port(portInfo), snd_seq_port_info_get_name(portInfo)});
        }
    }
    return list;
}

std::vector<AlsaSequencer::Address> AlsaSequencer::destinations() const
{
    return ports(SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE);
}

std::vector<AlsaSequencer::Address> AlsaSequencer::sources() const
{
    return ports(SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ);
}

int AlsaSequencer::createPort(const std::string& name, unsigned capabilities)
{
    std::lock_guard lock(m_outputMutex);
    return snd_seq_create_simple_port(m_seq, name.c_str(), capabilities,
                                      SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
}

void AlsaSequencer::deletePort(int port)
{
    std::lock_guard lock(m_outputMutex);
    snd_seq_delete_simple_port(m_seq, port);
}

plat::Connection AlsaSequencer::addHandler(Handler handler)
{
    return m_handlers.add(std::move(handler));
}

void AlsaSequencer::run()
{
    const int count = snd_seq_poll_descriptors_count(m_seq, POLLIN);
    std::vector<pollfd> fds(static_cast<size_t>(count) + 1);
    snd_seq_poll_descriptors(m_seq, fds.data(), static_cast<unsigned>(count), POLLIN);
    fds.back() = {m_wakeFd, POLLIN, 0};
    while (!m_quit.load()) {
        if (::poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR)
            break;
        if (m_quit.load())
            break;
        // Input only on this thread; the handle's output side has its own lock.
        while (snd_seq_event_input_pending(m_seq, 1) > 0) {
            snd_seq_event_t* event = nullptr;
            if (snd_seq_event_input(m_seq, &event) < 0 || !event)
                break;
            m_handlers.call(*event);
        }
    }
}

}  // namespace plat::media
