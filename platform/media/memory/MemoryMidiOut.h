#pragma once

#include "platform/media/PlatMediaExport.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace plat::media {

class StreamScheduler;

// A memory MIDI output as a test sees it: everything it played, and failures to inject.
// It outlives the port objects opened on it, so a test reads it after the port is gone.
class PLATMEDIA_API MemoryMidiOut {
public:
    struct Played {
        uint32_t streamMs;        // place on the stream timeline; 0 for immediate messages
        uint32_t clockMs;         // media clock when it played
        std::vector<uint8_t> bytes;
        bool immediate;           // sent with shortMsg/longMsg rather than through the stream
        int64_t clockNs = 0;      // the same moment on the clock's nanosecond reading
    };

    enum class Operation { open, queue, restart, pause, stop, close, shortMsg, longMsg, count };

    explicit MemoryMidiOut(std::string name);
    MemoryMidiOut(const MemoryMidiOut&) = delete;
    MemoryMidiOut& operator=(const MemoryMidiOut&) = delete;

    const std::string& name() const { return m_name; }

    std::vector<Played> played() const;
    std::vector<Played> takePlayed();
    void clearPlayed();

    // Every later call of the operation answers error (0 makes it succeed again).
    void setFailure(Operation operation, int error);
    int failure(Operation operation) const;

    bool isOpen() const;
    int openCount() const;
    // Blocks queued on the open port's stream and not yet returned.
    size_t queuedBlocks() const;

    // For the port.
    void record(Played played);
    void attach(const StreamScheduler* stream);

private:
    const std::string m_name;
    mutable std::mutex m_mutex;
    std::vector<Played> m_played;
    int m_failures[static_cast<int>(Operation::count)] = {};
    const StreamScheduler* m_stream = nullptr;
    int m_openCount = 0;
};

}  // namespace plat::media
