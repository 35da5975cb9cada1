#pragma once

#include "platform/media/PlatMediaExport.h"

#include "platform/media/WaveInDevice.h"
#include "platform/media/alsa/AlsaPcmHandle.h"

#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace plat::media {

// Records from an ALSA PCM capture device into the buffers its client adds, on a thread of
// its own while started; each full buffer goes back through done(). stop() and reset() give
// back the buffer being filled (with what it holds) and every one still waiting.
class PLATMEDIA_API AlsaWaveIn final : public WaveInDevice {
public:
    // config: ALSA configuration text in which device is defined, or empty for the
    // machine's own configuration.
    explicit AlsaWaveIn(std::string device, std::string config = {});
    ~AlsaWaveIn() override;

    int open(const PcmFormat& format, Events* events) override;
    int add(std::span<uint8_t> buffer, uintptr_t user) override;
    int start() override;
    int stop() override;
    int reset() override;
    int close() override;
    std::string errorText(int error) const override;

    // Why open() failed, empty while it works.
    const std::string& error() const { return m_error; }

private:
    struct Buffer {
        std::span<uint8_t> bytes;
        uintptr_t user;
        size_t filled;
    };
    void run();
    void returnAll();

    std::string m_device;
    std::string m_config;
    std::string m_error;
    std::unique_ptr<AlsaPcmHandle> m_handle;
    Events* m_events = nullptr;
    size_t m_frameBytes = 0;

    std::mutex m_mutex;           // the buffers
    std::deque<Buffer> m_buffers;
    std::mutex m_deliveryMutex;   // done() in order, from the thread or from stop()
    std::thread m_thread;
    std::atomic<bool> m_running{false};
};

}  // namespace plat::media
