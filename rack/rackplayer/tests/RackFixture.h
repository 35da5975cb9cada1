#pragma once

#include "rack/plinthart/PlinthProfile.h"
#include "rack/plinthart/tests/RackTestEnvironment.h"
#include "rack/rackplayer/RackState.h"
#include "rack/rackplayer/tests/FakeWaveDevices.h"

#include "platform/core/MessageLoop.h"
#include "platform/core/UserPrompt.h"
#include "platform/media/Backend.h"
#include "platform/media/ManualTimerService.h"
#include "platform/media/memory/MemoryProvider.h"
#include "platform/ui/timer/UiTimers.h"

#include <QGuiApplication>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace rack::test {

// A rack on a fresh profile, fake wave devices, memory MIDI devices and a manual clock;
// messages are recorded and answered with their default.
class RackFixture : public testing::Test {
protected:
    void SetUp() override
    {
        // As in the program: the rack ends itself once its decks have stopped.
        QGuiApplication::setQuitOnLastWindowClosed(false);
        std::error_code ignored;
        std::filesystem::remove(PlinthProfile::path(), ignored);
        rackState().reset();
        auto timers = std::make_unique<plat::media::ManualTimerService>(0);
        std::vector<std::unique_ptr<plat::media::DeviceProvider>> providers;
        providers.push_back(std::make_unique<FakeWaveProvider>(wave));
        auto memory = std::make_unique<plat::media::MemoryProvider>(*timers);
        m_memory = memory.get();
        providers.push_back(std::move(memory));
        m_previous = plat::media::Backend::install(
            std::make_unique<plat::media::Backend>(std::move(timers), std::move(providers)));
    }

    void TearDown() override
    {
        plat::ui::test::deliverPosted();
        plat::media::Backend::install(std::move(m_previous));
        rackState().reset();
    }

    // Delivers what the devices and windows posted.
    void deliver()
    {
        plat::MessageLoop::current().pump();
        plat::ui::test::deliverPosted();
    }

    void advance(uint32_t ms)
    {
        m_timers.advance(ms);
        deliver();
    }

    static std::vector<std::string> profileLines()
    {
        std::ifstream in(PlinthProfile::path());
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);)
            if (!line.empty())
                lines.push_back(line);
        return lines;
    }

    plat::media::MemoryProvider& memory() { return *m_memory; }

    FakeWaveState wave;
    std::vector<plat::UserPrompt::Message> prompts;
    plat::UserPrompt::ScopedHook m_prompts{[this](const plat::UserPrompt::Message& message) {
        prompts.push_back(message);
        return plat::UserPrompt::defaultAnswer(message);
    }};
    plat::media::ManualTimerService m_timers{0};
    plat::ui::UiTimers::ScopedService m_installed{m_timers};

private:
    plat::media::MemoryProvider* m_memory = nullptr;
    std::unique_ptr<plat::media::Backend> m_previous;
};

}  // namespace rack::test
