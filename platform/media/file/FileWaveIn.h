#pragma once

#include "platform/media/PlatMediaExport.h"

#include "platform/media/TimerService.h"
#include "platform/media/WaveInDevice.h"
#include "platform/storage/RiffFile.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>

namespace plat::media {

// A wave input that records a WAV file as if it were a microphone: while started, the file's
// sound arrives at the pace of the media clock, so a buffer comes back full when the clock
// has moved on by its length; after the end of the file the input records silence. It
// records only in the file's own format. stop() and reset() give back the buffer being
// filled, with what the clock has brought so far, and every one still waiting.
class PLATMEDIA_API FileWaveIn final : public WaveInDevice {
public:
    FileWaveIn(TimerService& timers, std::string path);
    ~FileWaveIn() override;

    // The format of the WAV file at path; false when it is not a PCM WAV file.
    static bool readFormat(const std::string& path, PcmFormat& format);

    int open(const PcmFormat& format, Events* events) override;
    int add(std::span<uint8_t> buffer, uintptr_t user) override;
    int start() override;
    int stop() override;
    int reset() override;
    int close() override;
    std::string errorText(int error) const override;

private:
    struct Buffer {
        std::span<uint8_t> bytes;
        uintptr_t user;
        size_t filled;
    };
    // The bytes of sound the clock has brought since the start.
    uint64_t dueBytes() const;
    void fill(Buffer& buffer, size_t upTo);
    void deliverDue();
    void arm();
    void giveBackAll();

    TimerService& m_timers;
    std::unique_ptr<TimerService> m_lane;   // the file is read on a lane of its own
    std::string m_path;
    std::mutex m_mutex;
    riff::RiffFile m_file;
    uint64_t m_dataEnd = 0;
    PcmFormat m_format;
    Events* m_events = nullptr;
    std::deque<Buffer> m_buffers;
    bool m_open = false;
    bool m_running = false;
    int64_t m_startNs = 0;
    uint64_t m_delivered = 0;   // bytes handed back since the start
    uint32_t m_timer = 0;
};

}  // namespace plat::media
