#pragma once

#include "wavegate/WavegateExport.h"

#include "platform/core/CallbackList.h"
#include "platform/core/Event.h"
#include "platform/core/Message.h"
#include "platform/core/MessageWindow.h"
#include "platform/core/RecursiveLock.h"
#include "platform/media/MediaTime.h"
#include "wavegate/CWGDevice.h"
#include "wavegate/CWGDeviceHost.h"
#include "wavegate/CWGEventData.h"
#include "wavegate/CWGNotify.h"
#include "wavegate/CWGStartSignals.h"
#include "wavegate/WGTypes.h"

#include <atomic>
#include <cstdint>
#include <list>
#include <memory>
#include <vector>

namespace plat {
class Thread;
}
namespace plat::media {
class Backend;
}

// The device manager: the one object through which the program reaches every MIDI and wave
// device of the process. Its owner makes it and destroys it; while it lives, GetWavegate()
// answers it, and only one lives at a time. It addresses devices by (type, direction,
// index), runs them singly or all together, keeps one time-ordered output list per output
// device, polls the registered performances once per 100 ms slice, writing each slice a
// full latency (the prefetch count of slices) ahead of its start, and hands recorded input
// to the recording clients.
//
// Clock: when a MIDI output is open at start, the first one is the timing device and its
// thread polls each time it gets a played block back; otherwise a 100 ms timer posts ticks
// to the driver thread, which polls until the last slice written starts the latency ahead.
//
// Locks: mainLock guards the device arrays in bulk operations, the output lists, the buffer
// time and the performances, and is held while performance callbacks run (so they may call
// back on the same thread); recordLock guards the recordings and is held while recording
// callbacks run. Sends that are not queued take no lock.
class WAVEGATE_API CWavegate {
public:
    enum : int { WG_MIDI = 0, WG_WAVE = 1, WG_IN = 0, WG_OUT = 1 };
    enum : uint32_t { WG_INIT_MIDI = 1, WG_INIT_WAVE = 2 };
    static constexpr int WG_ALL_DEVICES = 0x7fffffff;
    static constexpr uint32_t kGranularityMs = 100;
    static constexpr uint32_t kPollWaitMs = 5000;

    // Private messages of the driver window.
    static constexpr plat::MessageId WM_WG_TICK = 0x3080;
    static constexpr plat::MessageId WM_WG_DELAYSTART = 0x3081;
    static constexpr plat::MessageId WM_WG_EXTSTART = 0x3082;
    static constexpr plat::MessageId WM_WG_EXTCONTINUE = 0x3083;
    static constexpr plat::MessageId WM_WG_EXTSTOP = 0x3084;
    static constexpr plat::MessageId WM_WG_SONGPOSITION = 0x3085;
    static constexpr plat::MessageId WM_WG_CLOCKTICK = 0x3086;
    // wParam: the handle of a wave player whose start time has come.
    static constexpr plat::MessageId WM_WG_STARTWAVE = 0x3087;

    // Sync commands, passed as the performance callback's code.
    enum SyncCommand : int {
        WG_SYNC_START = -2,
        WG_SYNC_STOP = -3,
        WG_SYNC_CONTINUE = -4,
        WG_SYNC_CLOCK = -5,
        WG_SYNC_POSITION = -6,
    };

    // Throws std::logic_error while another manager lives.
    CWavegate();
    // Closes every device and ends the driver thread.
    ~CWavegate();
    // The live manager, or null.
    static CWavegate* GetWavegate();

    CWavegate(const CWavegate&) = delete;
    CWavegate& operator=(const CWavegate&) = delete;

    // Starts the driver thread and makes the devices the backend reports (bit 0 MIDI, bit 1
    // wave); does nothing when already initialized. 0 when the driver thread cannot start.
    int Initialize(uint32_t flags);

    // Queries.
    int GetDeviceCount(int type, int direction) const;
    CWGDevice* GetDevice(int type, int direction, int index) const;
    int GetDeviceCaps(int type, int direction, int index, WG_DevCaps* caps) const;
    int IsDeviceEnabled(int type, int direction, int index) const;
    uint32_t GetDeviceState(int type, int direction, int index) const;
    WG_DevFormat* GetDeviceFormat(int type, int direction, int index) const;
    CWGDevice* GetTimingDevice() const { return m_timingDevice; }
    int GetTimingDeviceNum() const { return m_timingDeviceNum; }
    uint32_t GetSyncMode() const { return m_syncMode; }
    uint32_t GetSyncPosition() const { return m_syncPosition; }
    plat::WindowRef GetHWnd() const { return m_driverRef; }
    int GetDefaultMidiDevice() const { return m_defaultMidiDevice; }
    int DefaultMidiDeviceEnabled() const { return m_defaultMidiDeviceEnabled; }
    int MidiThruEnabled() const { return m_midiThruEnabled; }
    int GetMidiThruDevice() const { return m_thruDevice; }
    int GetMidiThruChannel() const { return m_thruChannel; }
    uint32_t GetPlayStartTime() const { return m_playStartTime.load().ms(); }
    uint32_t GetRecordStartTime() const { return m_recordStartTime.load().ms(); }
    // The play time up to which performances have been polled (while the tick timer rests,
    // where its ticks would have taken it).
    uint32_t GetBufferTime() const;
    uint32_t GetElapsedPlayTime() const { return static_cast<uint32_t>(Now() - m_playStartTime.load()); }
    uint32_t GetElapsedRecordTime() const { return static_cast<uint32_t>(Now() - m_recordStartTime.load()); }
    uint32_t GetPerformanceGranularity() const { return kGranularityMs; }
    int GetPrefetchBufferCount() const { return m_prefetchBufferCount; }
    uint32_t GetPerformanceLatency() const { return m_performanceLatency; }
    int IsActive();

    // Settings.
    void EnableDevice(int type, int direction, int index, int enable);
    int SetDeviceFormat(int type, int direction, int index, const WG_DevFormat* format);
    void SetPrefetchBufferCount(int count);
    void SetDefaultMidiDevice(int device) { m_defaultMidiDevice = device; }
    void EnableDefaultMidiDevice(int enable) { m_defaultMidiDeviceEnabled = enable; }
    void EnableSlaveTempoRecording(int enable) { m_slaveTempoRecording = enable; }
    int SlaveTempoRecordingEnabled() const { return m_slaveTempoRecording; }
    void EnableMidiThru(int enable) { m_midiThruEnabled = enable; }
    void ConnectMidiThru(int device, int channel);
    void SetNotificationCallback(WGNotifyProc callback, uintptr_t user);
    void Notify(uint32_t code, uintptr_t p1, uintptr_t p2);

    // Single devices; 0 when there is no such device.
    int OpenDevice(int type, int direction, int index);
    int StartDevice(int type, int direction, int index);
    int PauseDevice(int type, int direction, int index);
    int StopDevice(int type, int direction, int index);
    int CloseDevice(int type, int direction, int index);

    // All devices.
    int OpenDevices();
    int StartDevices();
    int PauseDevices();
    int StopDevices();
    int CloseDevices();

    // Starts the device after delayMs; below 10 ms at once (answering 0). Returns the
    // timer, for StopDelay.
    uint32_t DelayStart(int type, int direction, int index, uint32_t delayMs);
    void StopDelay(uint32_t id);

    // MIDI sends to an output (the default device instead while that mode is on). Queued
    // sends go out at the start of the next slice written.
    void SendMidiMsg(int device, uint32_t msg, int queued);
    void SendMidiNote(int device, uint32_t noteOn, uint32_t noteOff, uint32_t durationMs, int queued);
    void SendSysExMsg(int device, const uint8_t* data, int length, int queued);
    void OnPanicButton();

    // Performances and recordings.
    int StartPerformance(WGPerformanceProc callback, uintptr_t user, int active, int tag);
    void StopPerformance(int tag);
    void QueueSlavedPerformance();
    // Takes every event of list, filing each into the output list of its device.
    void PlayBuffer(CWGEventList& list);
    int GetUniqueTag() { return ++m_tagCounter; }
    int StartRecording(WGRecordingProc callback, uintptr_t user, int active);
    void StopRecording(int tag);
    void ForwardRecordedData(CWGEventData* event);

    // Plays a wave file on a wave output at once, in a performance of its own; the tag of
    // that performance, or 0 when it cannot play. callback (may be null) is called with user
    // and the player's handle when it has played.
    int PlayWaveFile(const char* path, int device, void (*callback)(uintptr_t user, uintptr_t player), uintptr_t user);
    // Applies pan, volume and frequency to the player of the params' track on every wave output.
    int SetWaveParams(const WG_WaveParams* params);
    void SetSyncMode(uint32_t mode);

    // One poll of every performance and one write of every output; false when the poll
    // was skipped because another poll held the gate past the time-out.
    bool PollPerformances();
    // The caller holds mainLock.
    void WriteBuffers();
    // Files event into list: ascending time, a note-off before events of equal time, any
    // other event after them.
    static void MergeData(std::unique_ptr<CWGEventData> event, CWGEventList& list);

    // Wave-start markers name their player by a handle from here.
    CWGStartSignals& GetStartSignals() { return m_startSignals; }

    // Waits until the driver thread has handled everything posted to it before the call.
    bool SyncDriverThread(uint32_t timeoutMs = 5000);

    plat::RecursiveLock& GetMainLock() { return m_mainLock; }

private:
    // A registered performance or recording: its tag, whether it counts for IsActive, and
    // the connection of its callback in the matching callback list.
    struct Registration {
        uint64_t serial;
        int tag;
        int active;
        plat::Connection connection;
    };
    // The code a performance's callback gets for an ordinary poll; sync commands are negative.
    static constexpr int kPoll = 0;

    // The manager as its devices see it.
    class DeviceHost final : public CWGDeviceHost {
    public:
        explicit DeviceHost(CWavegate& manager) : m_manager(manager) {}
        void Notify(uint32_t code, uintptr_t p1, uintptr_t p2) override;
        uint32_t GetSyncMode() const override;
        int GetPrefetchBufferCount() const override;
        bool IsTimingDevice(const CWGDevice* device) const override;
        bool PollForTimingDevice(const CWGDevice* device) override;
        CWGStartSignals& GetStartSignals() override;
        void ForwardRecordedData(CWGEventData* event) override;
        std::optional<plat::media::MediaTime> GetPlayStart() const override;
        int MidiThruEnabled() const override;
        int GetMidiThruDevice() const override;
        int GetMidiThruChannel() const override;
        void SendMidiMsg(int device, uint32_t msg, int queued) override;
        plat::WindowRef GetDriverWindow() const override;
        int32_t GetPlayStartOffset() const override;

    private:
        CWavegate& m_manager;
    };

    plat::media::MediaTime Now() const;
    // The play time the clock has reached: ms since playing started.
    plat::media::MediaTime PlayTimeNow() const;
    // The device, no longer the timing device if it was.
    CWGDevice* LeaveTiming(int type, int direction, int index);
    // The poll of a returned block of the timing device. It gives up, instead of waiting,
    // once device is no longer the timing device: whoever took that role away may hold
    // mainLock while it waits for this device's blocks to come back.
    bool PollForTimingDevice(const CWGDevice* device);
    // Makes the MIDI output the timing device, its thread raised for the role.
    void TakeTiming(int index, CWGDevice* device);
    // Ends the role of device (of whichever device has it, for null); that device's thread
    // goes back to normal priority.
    void DropTiming(CWGDevice* device = nullptr);
    // Kills the tick and delayed-start timers.
    void KillTimers();
    // Runs action on every device; 1 when it succeeded on any.
    int ForEachDevice(int (CWavegate::*action)(int type, int direction, int index));
    bool StartDriverThread();
    void StopDriverThread();
    intptr_t DriverProc(plat::MessageId msg, uintptr_t wParam, intptr_t lParam);
    std::unique_ptr<CWGDevice> CreateDevice(int type, int direction, int index);
    void OnTick();
    // Polls and writes; the caller holds the poll gate and mainLock.
    void PollLocked();
    void SyncPerformances(int code, uint32_t a, uint32_t b);
    void ReopenMidiOutputs();
    // Removes the performance that answered 0 to a poll; the caller holds mainLock.
    void EndPerformance(uint64_t serial, int tag);
    // The wave players and tracks of tag (all for -1) on every wave output; the caller
    // holds mainLock.
    void DeleteWavePerformances(int tag);
    // Deletes the events of a wave list that no device took, with the players prepared for
    // them.
    void DiscardWaveEvents(CWGEventList& list);
    bool StartTickTimer();
    // Without a timing device the tick timer polls nobody while no performance runs and no
    // output is open: it stops (is parked) until a performance starts. The caller holds
    // mainLock; whether it stopped.
    bool ParkTicksLocked();
    // Starts the parked tick timer again, the buffer time where the ticks would have taken it;
    // the caller holds mainLock.
    void WakeTicksLocked();
    // Where the ticks would have taken the buffer time by now, had they gone on.
    plat::media::MediaTime ParkedBufferTime() const;
    CWGEventList* MidiOutList(int device);

    std::atomic<int> m_initialized = 0;
    std::atomic<int> m_midiThruEnabled = 0;
    std::atomic<int> m_slaveTempoRecording = 0;
    std::atomic<int> m_tagCounter = 1;
    std::atomic<int> m_thruDevice = 0;
    std::atomic<int> m_thruChannel = -1;
    std::atomic<int> m_prefetchBufferCount = 2;
    std::atomic<plat::media::MediaTime> m_playStartTime;     // on the clock
    std::atomic<bool> m_playing = false;                     // m_playStartTime holds a play's start
    std::atomic<plat::media::MediaTime> m_recordStartTime;   // on the clock
    std::atomic<plat::media::MediaTime> m_bufferTime;        // play time
    std::atomic<uint32_t> m_performanceLatency = 200;
    std::atomic<uint32_t> m_syncMode = 0;
    std::atomic<uint32_t> m_syncPosition = 0;
    int m_deviceCount[2][2] = {};
    std::vector<std::unique_ptr<CWGDevice>> m_devices[2][2];
    std::atomic<int> m_timingDeviceNum = 0;
    std::atomic<CWGDevice*> m_timingDevice = nullptr;
    std::atomic<int> m_defaultMidiDevice = 0;
    std::atomic<int> m_defaultMidiDeviceEnabled = 0;
    plat::CallbackList<void(int code, uint32_t from, uint32_t to)> m_performanceCalls;
    std::list<Registration> m_performances;   // under mainLock, in registration order
    uint64_t m_nextSerial = 1;                // under mainLock
    plat::CallbackList<void(CWGEventData* event)> m_recordingCalls;
    std::list<Registration> m_recordings;     // under recordLock, in registration order
    std::atomic<uint32_t> m_tickTimer = 0;
    std::atomic<bool> m_ticksParked = false;
    std::atomic<uint32_t> m_delayTimer = 0;
    std::vector<CWGEventList> m_midiOutLists;
    std::vector<CWGEventList> m_waveOutLists;

    plat::media::Backend* m_backend = nullptr;
    std::unique_ptr<plat::Thread> m_driverThread;
    std::unique_ptr<plat::MessageWindow> m_driverWindow;   // made and destroyed on the driver thread
    plat::WindowRef m_driverRef;
    std::unique_ptr<plat::Event> m_pollEvent;
    CWGNotify m_notifier;
    CWGStartSignals m_startSignals;
    // Mutable: a query such as GetDeviceCaps may report a failure through it.
    mutable DeviceHost m_deviceHost{*this};
    plat::RecursiveLock m_mainLock{"CWavegate main", plat::LockLevel::deviceManager};
    plat::RecursiveLock m_recordLock{"CWavegate record", plat::LockLevel::deviceManager};
};

// Exported for old clients; it does nothing and returns 0.
WAVEGATE_API int InitWavegate();
