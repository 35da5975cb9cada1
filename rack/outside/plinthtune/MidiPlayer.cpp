#include "rack/outside/plinthtune/MidiPlayer.h"

#include "rack/outside/plinthtune/MidiFile.h"
#include "rack/outside/plinthtune/MidiPorts.h"

#include "platform/core/MessageWindow.h"
#include "platform/core/Trace.h"
#include "platform/media/Backend.h"
#include "platform/ui/rackwindow/Window.h"
#include "platform/ui/rackwindow/WindowMessage.h"

#include <algorithm>
#include <array>
#include <memory>
#include <mutex>

namespace rack {

namespace {

constexpr plat::MessageId kEndMessage = 0x0400;
constexpr int kNormalRate = 1000;
// How long one step of activity lasts.
constexpr int64_t kActivityStepNs = 100'000'000;

struct Channel {
    int level = 0;
    int64_t levelNs = 0;
    // Notes sounding, by key: a count each, so a note struck twice needs two releases.
    std::array<uint8_t, 128> held{};
    int heldCount = 0;
};

// The player. The interface thread starts, stops and rates it; the lane's timer sends the
// messages; both under lock. The lane's callbacks never wait for the interface thread.
struct Player {
    std::mutex lock;
    std::shared_ptr<const MidiFile> file;
    size_t next = 0;
    int64_t originNs = 0;
    double originMs = 0;
    int rate = kNormalRate;
    bool playing = false;
    // Changes with every start, stop and rate change, so a timer set before is stale.
    uint64_t serial = 0;
    uint32_t timer = 0;
    std::array<Channel, 16> channels;
    plat::ui::Window* deck = nullptr;
    uint32_t notifyCommand = 0;
    // Interface thread only.
    std::unique_ptr<plat::media::TimerService> lane;
    std::unique_ptr<plat::MessageWindow> window;
};

Player& player()
{
    static Player instance;
    return instance;
}

const plat::media::Clock& clock()
{
    return plat::media::Backend::instance().clock();
}

// Lock held for these.
double fileMsAt(const Player& p, int64_t nowNs)
{
    return p.originMs + double(nowNs - p.originNs) / 1e6 * p.rate / kNormalRate;
}

int64_t deadlineOf(const Player& p, double fileMs)
{
    return p.originNs + int64_t((fileMs - p.originMs) * kNormalRate / p.rate * 1e6);
}

void note(Player& p, uint32_t packed, int64_t nowNs)
{
    const uint8_t kind = packed & 0xF0;
    Channel& channel = p.channels[packed & 0x0F];
    const uint8_t key = (packed >> 8) & 0x7F;
    const uint8_t velocity = (packed >> 16) & 0x7F;
    if (kind == 0x90 && velocity > 0) {
        const int level = 1 + velocity * 7 / 127;
        const int decayed = std::max(0, channel.level - int((nowNs - channel.levelNs) / kActivityStepNs));
        channel.level = std::max(level, decayed);
        channel.levelNs = nowNs;
        if (channel.held[key] < 255) {
            ++channel.held[key];
            ++channel.heldCount;
        }
    } else if ((kind == 0x80 || kind == 0x90) && channel.held[key] > 0) {
        --channel.held[key];
        --channel.heldCount;
    }
}

void send(Player& p, const MidiFile::Event& event, int64_t nowNs)
{
    if (event.packed != 0) {
        note(p, event.packed, nowNs);
        mid_SendShort(event.packed);
    } else {
        mid_SendLong(p.file->sysex()[event.sysexIndex]);
    }
}

void schedule(Player& p);

// The lane's timer: everything due is sent, then the next deadline set; past the last
// event, at the file's end, the interface thread is told.
void tick(uint64_t serial)
{
    Player& p = player();
    std::lock_guard lock(p.lock);
    if (!p.playing || serial != p.serial)
        return;
    p.timer = 0;
    const int64_t now = clock().nowNs();
    // A deadline is kept to the microsecond; rounding must not hold an event back a turn.
    const double position = fileMsAt(p, now) + 0.001;
    const std::vector<MidiFile::Event>& events = p.file->events();
    while (p.next < events.size() && events[p.next].ms <= position)
        send(p, events[p.next++], now);
    if (p.next >= events.size() && position >= p.file->lengthMs()) {
        p.playing = false;
        if (p.window)
            p.window->ref().post(kEndMessage, uintptr_t(p.serial));
        return;
    }
    schedule(p);
}

void schedule(Player& p)
{
    const std::vector<MidiFile::Event>& events = p.file->events();
    const double due = p.next < events.size() ? events[p.next].ms : p.file->lengthMs();
    const uint64_t serial = p.serial;
    p.timer = p.lane->setOneShotAt(deadlineOf(p, due), [serial] { tick(serial); });
}

// Notes still sounding are released, and the channels' holding pedals let go.
void silence(Player& p)
{
    for (uint32_t channel = 0; channel < 16; ++channel) {
        Channel& c = p.channels[channel];
        if (c.heldCount == 0)
            continue;
        for (uint32_t key = 0; key < 128; ++key)
            for (; c.held[key] > 0; --c.held[key])
                mid_SendShort(0x80 | channel | key << 8);
        mid_SendShort(0xB0 | channel | 64 << 8);
        c.heldCount = 0;
    }
}

// Ends a play on the interface thread: the lane goes, and the notes still sounding stop.
void finish()
{
    Player& p = player();
    uint32_t timer = 0;
    {
        std::lock_guard lock(p.lock);
        p.playing = false;
        ++p.serial;
        timer = std::exchange(p.timer, 0);
    }
    if (p.lane) {
        if (timer != 0)
            p.lane->kill(timer);
        p.lane.reset();
    }
    std::lock_guard lock(p.lock);
    silence(p);
    p.file.reset();
    for (Channel& channel : p.channels)
        channel = Channel();
}

intptr_t playerWindowProc(plat::MessageId id, uintptr_t wParam, intptr_t)
{
    if (id != kEndMessage)
        return 0;
    Player& p = player();
    {
        std::lock_guard lock(p.lock);
        // Only the end of the play still under way counts.
        if (wParam != uintptr_t(p.serial) || p.playing || !p.file)
            return 0;
    }
    plat::ui::Window* deck = p.deck;
    const uint32_t command = p.notifyCommand;
    finish();
    if (plat::ui::Window::isWindow(deck))
        deck->send(plat::ui::kCommandMessage, command, 0);
    return 0;
}

}  // namespace

int mid_Play(plat::ui::Window* deck, const char* path, uint32_t startMs, int, int, uint32_t notifyCommand)
{
    mid_Stop();
    if (!path || !mid_IsOutOpen())
        return 0;
    std::string error;
    std::optional<MidiFile> read = MidiFile::read(path, error);
    if (!read) {
        plat::trace("mid_Play -- %s: %s", path, error.c_str());
        return 0;
    }
    Player& p = player();
    if (!p.window)
        p.window = std::make_unique<plat::MessageWindow>("plinthTuneWindow", playerWindowProc);
    p.lane = plat::media::Backend::instance().timers().createLane("plinthtune");
    std::lock_guard lock(p.lock);
    p.file = std::make_shared<const MidiFile>(std::move(*read));
    p.deck = deck;
    p.notifyCommand = notifyCommand;
    p.rate = kNormalRate;
    ++p.serial;
    const int64_t now = clock().nowNs();
    // What sets the channels up before the start is sent now; notes are not.
    const std::vector<MidiFile::Event>& events = p.file->events();
    p.next = 0;
    for (; p.next < events.size() && events[p.next].ms < double(startMs); ++p.next) {
        const uint32_t kind = events[p.next].packed & 0xF0;
        if (events[p.next].packed == 0 || kind == 0xB0 || kind == 0xC0 || kind == 0xE0)
            send(p, events[p.next], now);
    }
    p.originNs = now;
    p.originMs = double(startMs);
    p.playing = true;
    schedule(p);
    return 1;
}

void mid_Stop()
{
    Player& p = player();
    bool active = false;
    {
        std::lock_guard lock(p.lock);
        active = p.file != nullptr;
    }
    if (active)
        finish();
}

void mid_RateControl(int rate)
{
    rate = std::clamp(rate, 500, 2000);
    Player& p = player();
    uint32_t timer = 0;
    {
        std::lock_guard lock(p.lock);
        if (!p.playing) {
            p.rate = rate;
            return;
        }
        // The position now stays where it is; only what follows moves faster or slower.
        const int64_t now = clock().nowNs();
        p.originMs = fileMsAt(p, now);
        p.originNs = now;
        p.rate = rate;
        ++p.serial;
        timer = std::exchange(p.timer, 0);
    }
    if (timer != 0)
        p.lane->kill(timer);
    std::lock_guard lock(p.lock);
    if (p.playing)
        schedule(p);
}

int mid_PickupBitty(int, MidiBitty& record)
{
    Player& p = player();
    std::lock_guard lock(p.lock);
    if (!p.playing)
        return 0;
    const int64_t now = clock().nowNs();
    record.positionMs = int32_t(std::clamp(fileMsAt(p, now), 0.0, 2147483647.0));
    record.unused = 0;
    for (size_t channel = 0; channel < 16; ++channel) {
        const Channel& c = p.channels[channel];
        int level = std::max(0, c.level - int((now - c.levelNs) / kActivityStepNs));
        if (c.heldCount > 0)
            level = std::max(level, 1);
        record.activity[channel] = level;
    }
    return 1;
}

void mid_EndPlayer()
{
    mid_Stop();
    player().window.reset();
}

bool mid_IsPlaying()
{
    std::lock_guard lock(player().lock);
    return player().playing;
}

}  // namespace rack
