#pragma once

// Memory MIDI outputs on a manual clock, installed as the media backend in place of the one
// before, and a device manager over them; both go with the object.

#include "platform/media/Backend.h"
#include "platform/media/ManualTimerService.h"
#include "platform/media/memory/MemoryProvider.h"
#include "wavegate/CWavegate.h"

#include <memory>
#include <vector>

class BenchMidiBackend {
public:
    explicit BenchMidiBackend(int outputs)
    {
        auto timers = std::make_unique<plat::media::ManualTimerService>(1000);
        std::vector<std::unique_ptr<plat::media::DeviceProvider>> providers;
        providers.push_back(std::make_unique<plat::media::MemoryProvider>(*timers, outputs, 0));
        m_previous = plat::media::Backend::install(
            std::make_unique<plat::media::Backend>(std::move(timers), std::move(providers)));
        m_wavegate = std::make_unique<CWavegate>();
        m_wavegate->Initialize(CWavegate::WG_INIT_MIDI);
    }
    ~BenchMidiBackend()
    {
        m_wavegate.reset();
        plat::media::Backend::install(std::move(m_previous));
    }
    BenchMidiBackend(const BenchMidiBackend&) = delete;
    BenchMidiBackend& operator=(const BenchMidiBackend&) = delete;

    CWavegate& Wavegate() { return *m_wavegate; }

private:
    std::unique_ptr<plat::media::Backend> m_previous;
    std::unique_ptr<CWavegate> m_wavegate;
};
