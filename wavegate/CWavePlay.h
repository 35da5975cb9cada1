#pragma once

#include "wavegate/WavegateExport.h"

#include "platform/core/Event.h"
#include "platform/media/MediaTime.h"
#include "wavegate/WGTypes.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace plat::media {
class SoundBuffer;
}
class CWaveFileRead;
class CWaveOut;
class CWavegate;

// Streams one wave file through a looping sound buffer of a wave output. A prepare thread
// opens the file and fills seven of the buffer's eight 8 KB blocks; the player then starts
// at its time (a timer of the driver, or at once), and a notification thread refills each
// block the sound has left behind, with silence after the end of the file, until the last
// block of sound has played. A new player on a track replaces the old one.
//
// The player is named by its handle (GetHandle()) in wave parameters and wave-start markers.
class WAVEGATE_API CWavePlay {
public:
    // Called once when the player stops, with the user value and the player's handle.
    using DoneProc = void (*)(uintptr_t user, uintptr_t player);

    static constexpr uint32_t kBlockSize = 8192;
    static constexpr uint32_t kBlockCount = 8;
    static constexpr uint32_t kBufferSize = kBlockSize * kBlockCount;
    static constexpr uint32_t kPrefillBlocks = 7;
    static constexpr uint32_t kPrepareWaitMs = 30000;

    CWavePlay();
    ~CWavePlay();
    CWavePlay(const CWavePlay&) = delete;
    CWavePlay& operator=(const CWavePlay&) = delete;

    // Prepares to play params' file on wave output device: at once with wait (1 when it is
    // ready to start), else in the background (1 when preparing began).
    int Prepare(const WG_WaveParams* params, int device, int wait);
    // Prepares, applies the buffer parameters and starts at startTime ms of play time (at
    // once for 0 or a time past). With autoDelete the player deletes itself when it stops.
    int Play(const WG_WaveParams* params, int device, uint32_t startTime, DoneProc callback, uintptr_t user,
             int autoDelete);
    int Start();
    int Stop();
    // Stops the sound at the engine frame atFrame, leaving the rest of stopping to Stop().
    void Silence(uint64_t atFrame);
    // Sets the start event (a wave-start marker of the MIDI stream reached it).
    void SignalStart();
    void SetBufferParameters(const WG_DSParams& params);
    WG_WaveParams GetWaveParameters() const;
    WG_DSParams GetBufferParameters() const;

    uintptr_t GetHandle() const { return m_handle; }
    int GetDevice() const { return m_device; }
    int IsPrepared() const;
    int IsPlaying() const;
    bool IsStartSignalled() const { return m_startEvent.isSet(); }
    // Whether every block the sound has left behind is refilled, or the player has ended (one
    // that ends by itself: once its stop has run). Each change towards it is told to the
    // output (PlayerFedChanged).
    bool IsFed() const;

    // The buffer frequency for a frequency parameter (-10000 .. 10000) on a file of rate r: 0
    // keeps the file's rate; otherwise 100 .. 100000 Hz.
    static uint32_t MapFrequency(int32_t frequency, uint32_t fileRate);
    static int32_t LimitVolume(int32_t volume);
    static int32_t LimitPan(int32_t pan);

private:
    void PrepareProc();
    void NotifyProc();
    // Reads the next block of the file into the buffer at the write cursor; the caller holds
    // the lock.
    bool WriteBlock();
    uint32_t BlocksToWrite() const;
    void ApplyBufferParameters(const WG_DSParams& params, bool force);
    void Report(uint32_t code, uintptr_t error) const;
    void JoinThreads();
    void FedChanged() const;

    mutable std::recursive_mutex m_lock;
    std::unique_ptr<CWaveFileRead> m_reader;
    std::unique_ptr<plat::media::SoundBuffer> m_buffer;
    CWavegate* m_manager = nullptr;
    CWaveOut* m_waveOut = nullptr;
    int m_device = -1;
    bool m_eof = false;
    bool m_prepared = false;
    bool m_prepareStarted = false;
    bool m_autoDelete = false;
    std::atomic<bool> m_destructing{false};
    bool m_stopRequested = false;
    bool m_closed = false;
    bool m_playing = false;
    bool m_silenced = false;   // replaced: plays on up to the frame its successor starts at
    bool m_notifyEnded = false;
    bool m_notifyDone = false;   // the notification thread has finished, its own stop included
    WG_WaveParams m_params;
    std::string m_fileName;
    uintptr_t m_handle = 0;
    uint32_t m_startTimer = 0;
    std::atomic<bool> m_timedStart{false};
    std::atomic<uint32_t> m_startAt{0};   // the media clock time of a timed start
    plat::Event m_startEvent{false, false};
    plat::Event m_preparedEvent{true, false};
    plat::Event m_blockDone{false, false};
    plat::Event m_stopped{false, false};
    plat::Event m_terminate{false, false};
    std::thread m_prepareThread;
    std::thread m_notifyThread;
    uint64_t m_startFrame = 0;   // the engine frame it started at
    uint32_t m_writeCursor = 0;
    int m_blocksPending = 0;
    DoneProc m_callback = nullptr;
    uintptr_t m_user = 0;
    std::array<uint8_t, kBlockSize> m_block{};
};
