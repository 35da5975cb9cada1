#include "wavegate/CWGNotify.h"

#include "platform/media/MediaError.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

TEST(CWGNotifyTest, EachCodeHasItsLine)
{
    const char* file = "song.wav";
    const struct {
        uint32_t code;
        uintptr_t p1, p2;
        std::string line;
    } cases[] = {
        {1, 7, 0, "Polled performance 7 done"},
        {4, 3, 0, "Wave recording 3 stopped"},
        {103, CWGNotify::WG_DSERR_BUFFERLOST, 2,
         "Error starting DS object 2: DSERR_BUFFERLOST The buffer memory has been lost and must be restored."},
        {300, plat::media::kErrorAllocated, 1,
         "Error opening MIDI stream device 1: " + plat::media::mediaErrorText(plat::media::kErrorAllocated)},
        {310, plat::media::kErrorInvalidHandle, 0,
         "Error sending MIDI short message on device 0: " + plat::media::mediaErrorText(plat::media::kErrorInvalidHandle)},
        {311, 50, 1, "Underrun on MIDI stream device 1: buffer 50 ms late"},
        {407, 2, 1, "Error resetting WAVE in device 1: " + plat::media::mediaErrorText(2)},
        {600, 2, reinterpret_cast<uintptr_t>(file), "Error (2) opening file song.wav for reading"},
        {614, 5, 0, "Error (5) opening file  for writing"},
        {800, 0, 0, "Error creating media event timer"},
        {801, 0, reinterpret_cast<uintptr_t>(file), "File song.wav does not exist"},
        {804, 0, 1, "Error locking virtual memory on WAVE in device 1"},
        {999, 1, 2, "ERROR 999 (1 2)"},
        {123, 1, 2, "ERROR 123 (1 2)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CWGNotify::FormatNotification(c.code, c.p1, c.p2), c.line) << c.code;
    EXPECT_EQ(CWGNotify::GetErrorText(311, 50), "") << "an underrun carries no error number";
}

TEST(CWGNotifyTest, DSErrorTextIsCutToTheBuffer)
{
    char buffer[10];
    std::memset(buffer, 'x', sizeof buffer);
    CWGNotify::GetDSErrorText(CWGNotify::WG_DSERR_GENERIC, buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "DSERR_GEN");
    char large[256];
    CWGNotify::GetDSErrorText(12345, large, sizeof large);
    EXPECT_STREQ(large, "DSERROR!! Unrecognized error in Direct Sound.");
    CWGNotify::GetDSErrorText(CWGNotify::WG_DSERR_GENERIC, large, 0);   // no room: untouched
    EXPECT_STREQ(large, "DSERROR!! Unrecognized error in Direct Sound.");
}

namespace {

struct Call {
    uintptr_t user;
    uint32_t code;
    uintptr_t p1, p2;
};
std::vector<Call> g_calls;
void record(uintptr_t user, uint32_t code, uintptr_t p1, uintptr_t p2)
{
    g_calls.push_back({user, code, p1, p2});
}

}  // namespace

TEST(CWGNotifyTest, ARegisteredCallbackHearsEveryNotification)
{
    g_calls.clear();
    CWGNotify notifier;
    notifier.Notify(300, 4, 1);   // nothing registered: nothing called
    notifier.SetNotificationCallback(&record, 0x1234);
    notifier.Notify(306, 11, 2);
    ASSERT_EQ(g_calls.size(), 1u);
    EXPECT_EQ(g_calls[0].user, 0x1234u);
    EXPECT_EQ(g_calls[0].code, 306u);
    EXPECT_EQ(g_calls[0].p1, 11u);
    EXPECT_EQ(g_calls[0].p2, 2u);
}

namespace {

struct Counting {
    static void Proc(uintptr_t user, uint32_t, uintptr_t, uintptr_t)
    {
        auto* self = reinterpret_cast<Counting*>(user);
        ++self->calls;
        if (self->replaced)
            ++self->callsAfterReplaced;
    }
    std::atomic<int> calls{0};
    std::atomic<bool> replaced{false};
    std::atomic<int> callsAfterReplaced{0};
};

}  // namespace

TEST(CWGNotifyTest, AReplacedCallbackIsNeverCalledOnceTheReplacementReturns)
{
    CWGNotify notifier;
    Counting first, second;
    notifier.SetNotificationCallback(&Counting::Proc, reinterpret_cast<uintptr_t>(&first));
    std::atomic<bool> stop{false};
    std::thread reporter([&] {
        while (!stop)
            notifier.Notify(306, 1, 0);
    });
    while (first.calls == 0) {
    }
    notifier.SetNotificationCallback(&Counting::Proc, reinterpret_cast<uintptr_t>(&second));
    first.replaced = true;
    while (second.calls == 0) {
    }
    notifier.SetNotificationCallback(nullptr, 0);
    second.replaced = true;
    const int last = second.calls;
    stop = true;
    reporter.join();
    EXPECT_EQ(first.callsAfterReplaced, 0);
    EXPECT_EQ(second.callsAfterReplaced, 0);
    EXPECT_EQ(second.calls, last) << "null removes the callback";
}
