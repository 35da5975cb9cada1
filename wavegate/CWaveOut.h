#pragma once

#include "wavegate/WavegateExport.h"

#include "platform/core/Message.h"
#include "wavegate/CWGDevice.h"
#include "wavegate/WGTypes.h"

#include <condition_variable>
#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace plat::media {
class AudioEngine;
class SoundDevice;
}
class CWavePlay;

// A wave output: one sound output of the media backend (an audio engine, shared with the
// software synthesizer when it plays there), into which the wave players of the clients are
// mixed. It keeps the process's driver table of sound outputs, and the wave performances and
// tracks of its clients: which player plays on each track, with the parameters last applied.
//
// Players are named by their handles. A player registers with the output it was prepared on;
// whoever takes a player out of the registry (DisposePlayer) is the one who deletes it, so a
// player is never deleted twice, and nothing here keeps a pointer to a player that is gone.
// The output's lock is never taken while a player's lock is held.
class WAVEGATE_API CWaveOut : public CWGDevice {
public:
    // A posted request to delete a player that stopped itself; wParam is its handle.
    static constexpr plat::MessageId WM_WG_DELETEPLAYER = plat::kFirstPrivateMessage + 0x3D0;

    struct TrackRecord {
        int track = 0;
        CWavePlay* player = nullptr;   // playing on the track, owned by the output
        int32_t pan = 0;
        int32_t volume = 0;
        int32_t frequency = 0;
    };
    struct PerformanceRecord {
        int tag = 0;
        std::list<TrackRecord> tracks;
    };

    CWaveOut(int index, CWGDeviceHost* host);
    ~CWaveOut() override;

    // The driver table: one entry per sound output of the backend, made once.
    static int DSInit();
    static int DSExit();
    static int DSNumDrivers();
    static std::string DSGetDescription(int index);
    static std::string DSGetModule(int index);
    static plat::media::SoundDevice* DSGetDevice(int index);
    // Runs DSInit and answers 0: clients list wave outputs by their descriptions.
    static int GetDeviceCaps(int index, WG_DevCaps* caps);
    // The FillFormat index of 22050 Hz stereo 16-bit.
    static int GetDefaultFormat() { return 9; }
    // How many wave tracks this machine plays at once with room to spare.
    static int GetRecommendedTrackCount();

    // The records of tag and track, made when missing. The caller holds GetLock().
    PerformanceRecord* GetPerformance(int tag);
    TrackRecord* GetTrack(PerformanceRecord* performance, int track);
    // Removes the performances of tag (all for -1) with their tracks; with deletePlayers the
    // players on them, playing or only prepared, are stopped and deleted.
    void DeletePerformance(int tag, int deletePlayers);
    void DeleteTrack(int tag, int track, int deletePlayers);
    // Applies pan, volume and frequency to the player of the params' track, or, before one
    // has started there, to the newest player prepared for it.
    void SetWaveParams(const WG_WaveParams* params);
    int IsActive();

    int SetFormat(const WG_DevFormat* format) override;
    int PlayData(CWGEventList& list, uint32_t from, uint32_t to) override;

    // The sound device of this output's driver entry, null before open.
    plat::media::SoundDevice* GetSoundDevice() const { return m_sound; }
    std::recursive_mutex& GetLock() { return m_lock; }

    // Player bookkeeping, used by CWavePlay.
    void RegisterPlayer(CWavePlay* player);
    // Takes the player out of the registry and off its tracks; true when it was there, and
    // the caller then deletes it.
    bool DisposePlayer(CWavePlay* player);
    // Forgets a player that is being deleted.
    void ForgetPlayer(CWavePlay* player);
    // The player becomes its track's; the one it replaces is returned, for the caller to
    // silence and DeleteLater().
    CWavePlay* SetTrackPlayer(CWavePlay* player);
    // Removes the performance of tag without touching its players.
    void RemovePerformance(int tag);
    // Deletes the player on the device thread, once it is no longer registered by anyone.
    void DeleteLater(CWavePlay* player);
    // Starts the player of that handle (a timed start); false when it is not here.
    bool StartPlayer(uintptr_t handle);
    // The registered player of that handle, or null.
    CWavePlay* FindPlayer(uintptr_t handle);
    // Waits until every player has refilled what its sound has played, or has ended; false on
    // time-out. For tests that step a manual clock.
    bool SyncPlayers(uint32_t timeoutMs = 5000);
    // Told by a player whose fed state may have become true, and when a player leaves.
    void PlayerFedChanged();
    int GetPlayerCount();
    // Reports a failure of this output.
    void ReportFailure(uint32_t code, uintptr_t error) const;
    CWGDeviceHost* GetDeviceHost() const { return GetHost(); }

protected:
    int DevOpen() override;
    int DevStart() override;
    int DevPause() override { return 1; }
    int DevStop() override;
    int DevClose() override;
    intptr_t WndProc(plat::MessageId msg, uintptr_t wParam, intptr_t lParam) override;

private:
    // Takes the players of the matching tracks out of the registry and the records away;
    // the caller stops and deletes what is returned, outside the lock.
    std::vector<CWavePlay*> DetachTracks(int tag, int track, bool players);
    static void DeletePlayers(const std::vector<CWavePlay*>& players);

    std::recursive_mutex m_lock;
    std::list<PerformanceRecord> m_performances;
    std::map<uintptr_t, CWavePlay*> m_players;   // by handle
    // A leaf lock, so that players can tell of their progress whatever locks their callers
    // hold; the count tells a waiter that something changed since it last looked.
    std::mutex m_fedLock;
    std::condition_variable m_fedChanged;
    uint64_t m_fedGeneration = 0;
    plat::media::SoundDevice* m_sound = nullptr;
};
