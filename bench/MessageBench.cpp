#include "platform/core/Event.h"
#include "platform/core/MessageLoop.h"
#include "platform/core/MessageWindow.h"
#include "platform/core/Thread.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr plat::MessageId kPing = plat::kFirstPrivateMessage + 1;

intptr_t echo(plat::MessageId, uintptr_t wParam, intptr_t)
{
    return static_cast<intptr_t>(wParam) + 1;
}

// A thread owning one echoing window; the window also posts back to a reply window when
// lParam carries one.
class EchoThread {
public:
    EchoThread() : m_thread("bench echo")
    {
        m_thread.start([this] {
            m_window = std::make_unique<plat::MessageWindow>("echo", [](plat::MessageId id, uintptr_t w, intptr_t l) {
                if (l != 0)
                    reinterpret_cast<const plat::WindowRef*>(l)->post(id, w);
                return echo(id, w, l);
            });
        }, [this] { m_window.reset(); });
        m_ref = m_window->ref();
    }
    const plat::WindowRef& ref() const { return m_ref; }

private:
    std::unique_ptr<plat::MessageWindow> m_window;
    plat::WindowRef m_ref;
    plat::Thread m_thread;
};

void SendSameThread(benchmark::State& state)
{
    plat::MessageWindow window("bench", echo);
    uintptr_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(window.send(kPing, i++));
}
BENCHMARK(SendSameThread);

void SendAcrossThreads(benchmark::State& state)
{
    const EchoThread other;
    uintptr_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(other.ref().send(kPing, i++));
}
BENCHMARK(SendAcrossThreads)->UseRealTime();

void PostAndPumpSameThread(benchmark::State& state)
{
    int64_t delivered = 0;
    plat::MessageWindow window("bench", [&](plat::MessageId, uintptr_t, intptr_t) -> intptr_t {
        ++delivered;
        return 0;
    });
    plat::MessageLoop& loop = plat::MessageLoop::current();
    for (auto _ : state) {
        window.post(kPing);
        loop.pump();
    }
    state.counters["delivered"] = static_cast<double>(delivered);
}
BENCHMARK(PostAndPumpSameThread);

void PostRoundTripAcrossThreads(benchmark::State& state)
{
    const EchoThread other;
    bool replied = false;
    plat::MessageWindow reply("reply", [&](plat::MessageId, uintptr_t, intptr_t) -> intptr_t {
        replied = true;
        return 0;
    });
    const plat::WindowRef replyRef = reply.ref();
    plat::MessageLoop& loop = plat::MessageLoop::current();
    for (auto _ : state) {
        replied = false;
        other.ref().post(kPing, 0, reinterpret_cast<intptr_t>(&replyRef));
        loop.runUntil([&] { return replied; }, std::chrono::seconds(10));
    }
}
BENCHMARK(PostRoundTripAcrossThreads)->UseRealTime();

}  // namespace
