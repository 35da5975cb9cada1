#include "wavegate/CWaveOut.h"

#include "platform/core/Trace.h"
#include "platform/media/Backend.h"
#include "platform/media/MediaError.h"
#include "platform/media/audio/AudioEngine.h"
#include "platform/media/audio/SoundDevice.h"
#include "wavegate/CWavePlay.h"

#include <algorithm>
#include <thread>

namespace {

// One entry per sound output of the backend, in its order: the stand-in for a sound card's
// driver with its mixer.
struct DriverEntry {
    std::string description;
    std::string module;
    std::shared_ptr<plat::media::AudioEngine> engine;
    std::unique_ptr<plat::media::SoundDevice> device;
};

std::mutex& tableMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::vector<DriverEntry>& driverTable()
{
    static std::vector<DriverEntry> table;
    return table;
}

}  // namespace

CWaveOut::CWaveOut(int index, CWGDeviceHost* host) : CWGDevice(index, host) {}

CWaveOut::~CWaveOut()
{
    StopThread();
    Close();
    // Players whose deletion was posted but never handled.
    std::vector<CWavePlay*> left;
    {
        std::lock_guard lock(m_lock);
        for (const auto& [handle, player] : m_players)
            left.push_back(player);
        m_players.clear();
        m_performances.clear();
    }
    DeletePlayers(left);
}

// ---- the driver table

int CWaveOut::DSInit()
{
    std::lock_guard lock(tableMutex());
    auto& table = driverTable();
    if (!table.empty())
        return 1;
    plat::media::Backend& backend = plat::media::Backend::instance();
    for (int i = 0; i < backend.soundOutputCount(); ++i) {
        const auto* output = backend.soundOutput(i);
        DriverEntry entry;
        entry.description = output->name;
        entry.module = "engine";
        entry.engine = output->engine;
        entry.device = std::make_unique<plat::media::SoundDevice>(*entry.engine);
        table.push_back(std::move(entry));
    }
    return table.empty() ? 0 : 1;
}

int CWaveOut::DSExit()
{
    std::lock_guard lock(tableMutex());
    driverTable().clear();
    return 1;
}

int CWaveOut::DSNumDrivers()
{
    std::lock_guard lock(tableMutex());
    return static_cast<int>(driverTable().size());
}

std::string CWaveOut::DSGetDescription(int index)
{
    if (!DSInit())
        return {};
    std::lock_guard lock(tableMutex());
    const auto& table = driverTable();
    return index >= 0 && index < static_cast<int>(table.size()) ? table[static_cast<size_t>(index)].description : "";
}

std::string CWaveOut::DSGetModule(int index)
{
    if (!DSInit())
        return {};
    std::lock_guard lock(tableMutex());
    const auto& table = driverTable();
    return index >= 0 && index < static_cast<int>(table.size()) ? table[static_cast<size_t>(index)].module : "";
}

plat::media::SoundDevice* CWaveOut::DSGetDevice(int index)
{
    if (!DSInit())
        return nullptr;
    std::lock_guard lock(tableMutex());
    const auto& table = driverTable();
    return index >= 0 && index < static_cast<int>(table.size()) ? table[static_cast<size_t>(index)].device.get()
                                                                 : nullptr;
}

int CWaveOut::GetDeviceCaps(int, WG_DevCaps*)
{
    DSInit();
    return 0;
}

int CWaveOut::GetRecommendedTrackCount()
{
    // Mixing a resampled track costs about a hundredth of a core at most (see the mixing
    // benchmark), so the count follows the cores the machine has.
    const unsigned cores = std::thread::hardware_concurrency();
    if (cores >= 4)
        return 16;
    if (cores >= 2)
        return 12;
    return 8;
}

// ---- performances and tracks

CWaveOut::PerformanceRecord* CWaveOut::GetPerformance(int tag)
{
    std::lock_guard lock(m_lock);
    for (auto& record : m_performances)
        if (record.tag == tag)
            return &record;
    m_performances.push_back(PerformanceRecord{tag, {}});
    return &m_performances.back();
}

CWaveOut::TrackRecord* CWaveOut::GetTrack(PerformanceRecord* performance, int track)
{
    if (!performance)
        return nullptr;
    std::lock_guard lock(m_lock);
    for (auto& record : performance->tracks)
        if (record.track == track)
            return &record;
    TrackRecord record;
    record.track = track;
    performance->tracks.push_back(record);
    return &performance->tracks.back();
}

std::vector<CWavePlay*> CWaveOut::DetachTracks(int tag, int track, bool players)
{
    std::lock_guard lock(m_lock);
    std::vector<CWavePlay*> detached;
    for (auto it = m_performances.begin(); it != m_performances.end();) {
        if (tag != -1 && it->tag != tag) {
            ++it;
            continue;
        }
        std::erase_if(it->tracks, [track](const TrackRecord& r) { return track == -1 || r.track == track; });
        if (players) {
            // Every player of the tag and track, the prepared ones too.
            for (auto p = m_players.begin(); p != m_players.end();) {
                const WG_WaveParams params = p->second->GetWaveParameters();
                if (params.tag == it->tag && (track == -1 || params.track == track)) {
                    detached.push_back(p->second);
                    p = m_players.erase(p);
                } else {
                    ++p;
                }
            }
        }
        if (track == -1 || it->tracks.empty())
            it = m_performances.erase(it);
        else
            ++it;
    }
    if (!detached.empty())
        PlayerFedChanged();
    return detached;
}

void CWaveOut::DeletePlayers(const std::vector<CWavePlay*>& players)
{
    for (CWavePlay* player : players)
        delete player;
}

void CWaveOut::DeletePerformance(int tag, int deletePlayers)
{
    DeletePlayers(DetachTracks(tag, -1, deletePlayers != 0));
}

void CWaveOut::DeleteTrack(int tag, int track, int deletePlayers)
{
    DeletePlayers(DetachTracks(tag, track, deletePlayers != 0));
}

void CWaveOut::RemovePerformance(int tag)
{
    DetachTracks(tag, -1, false);
}

void CWaveOut::SetWaveParams(const WG_WaveParams* params)
{
    if (!params)
        return;
    std::lock_guard lock(m_lock);
    TrackRecord* track = GetTrack(GetPerformance(params->tag), params->track);
    CWavePlay* player = track ? track->player : nullptr;
    if (!player) {
        // Events are polled a latency ahead of their time: a change that comes before the
        // track's player has started is for the player that is about to, the newest one
        // prepared for the track.
        for (auto it = m_players.rbegin(); it != m_players.rend() && !player; ++it) {
            const WG_WaveParams own = it->second->GetWaveParameters();
            if (own.tag == params->tag && own.track == params->track)
                player = it->second;
        }
    }
    if (track && player) {
        player->SetBufferParameters(params->params);
        const WG_DSParams applied = player->GetBufferParameters();
        track->pan = applied.pan;
        track->volume = applied.volume;
        track->frequency = applied.frequency;
    }
}

int CWaveOut::IsActive()
{
    std::lock_guard lock(m_lock);
    return m_performances.empty() ? 0 : 1;
}

// ---- players

void CWaveOut::RegisterPlayer(CWavePlay* player)
{
    const WG_WaveParams params = player->GetWaveParameters();
    std::lock_guard lock(m_lock);
    m_players[player->GetHandle()] = player;
    GetTrack(GetPerformance(params.tag), params.track);
}

bool CWaveOut::DisposePlayer(CWavePlay* player)
{
    std::lock_guard lock(m_lock);
    const auto it = m_players.find(player->GetHandle());
    if (it == m_players.end() || it->second != player)
        return false;
    m_players.erase(it);
    for (auto& performance : m_performances)
        for (auto& track : performance.tracks)
            if (track.player == player)
                track.player = nullptr;
    PlayerFedChanged();
    return true;
}

void CWaveOut::ForgetPlayer(CWavePlay* player)
{
    DisposePlayer(player);
}

CWavePlay* CWaveOut::SetTrackPlayer(CWavePlay* player)
{
    const WG_WaveParams params = player->GetWaveParameters();
    const WG_DSParams applied = player->GetBufferParameters();
    std::lock_guard lock(m_lock);
    TrackRecord* track = GetTrack(GetPerformance(params.tag), params.track);
    CWavePlay* old = track->player;
    track->player = player;
    track->pan = applied.pan;
    track->volume = applied.volume;
    track->frequency = applied.frequency;
    if (!old || old == player)
        return nullptr;
    return old;
}

void CWaveOut::DeleteLater(CWavePlay* player)
{
    if (!GetHWnd().post(WM_WG_DELETEPLAYER, player->GetHandle(), 0)) {
        // No device thread: the output is going, and its destructor deletes what is left.
        plat::trace("CWaveOut: cannot post the deletion of a wave player");
    }
}

bool CWaveOut::StartPlayer(uintptr_t handle)
{
    std::lock_guard lock(m_lock);
    const auto it = m_players.find(handle);
    if (it == m_players.end())
        return false;
    it->second->Start();
    return true;
}

CWavePlay* CWaveOut::FindPlayer(uintptr_t handle)
{
    std::lock_guard lock(m_lock);
    const auto it = m_players.find(handle);
    return it == m_players.end() ? nullptr : it->second;
}

bool CWaveOut::SyncPlayers(uint32_t timeoutMs)
{
    // The output's lock is held only while looking: a player that ends by itself needs it
    // for its stop, and under it no player can be deleted meanwhile.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        uint64_t seen = 0;
        {
            std::lock_guard fed(m_fedLock);
            seen = m_fedGeneration;
        }
        {
            std::lock_guard lock(m_lock);
            if (std::all_of(m_players.begin(), m_players.end(), [](const auto& p) { return p.second->IsFed(); }))
                return true;
        }
        std::unique_lock fed(m_fedLock);
        if (!m_fedChanged.wait_until(fed, deadline, [&] { return m_fedGeneration != seen; }))
            return false;
    }
}

void CWaveOut::PlayerFedChanged()
{
    {
        std::lock_guard fed(m_fedLock);
        ++m_fedGeneration;
    }
    m_fedChanged.notify_all();
}

int CWaveOut::GetPlayerCount()
{
    std::lock_guard lock(m_lock);
    return static_cast<int>(m_players.size());
}

void CWaveOut::ReportFailure(uint32_t code, uintptr_t error) const
{
    Report(code, error, static_cast<uintptr_t>(GetDevice()));
}

intptr_t CWaveOut::WndProc(plat::MessageId msg, uintptr_t wParam, intptr_t lParam)
{
    if (msg == WM_WG_DELETEPLAYER) {
        CWavePlay* player = nullptr;
        {
            std::lock_guard lock(m_lock);
            const auto it = m_players.find(wParam);
            if (it != m_players.end())
                player = it->second;
        }
        if (player && DisposePlayer(player))
            delete player;
        return 0;
    }
    return CWGDevice::WndProc(msg, wParam, lParam);
}

// ---- the device

int CWaveOut::SetFormat(const WG_DevFormat* format)
{
    // The engine mixes every buffer to its own format, so any format suits the output.
    return CWGDevice::SetFormat(format);
}

int CWaveOut::DevOpen()
{
    if (!DSInit())
        return 0;
    m_sound = DSGetDevice(GetDevice());
    if (!m_sound) {
        Report(102, plat::media::kErrorBadDeviceId, static_cast<uintptr_t>(GetDevice()));
        return 0;
    }
    if (!GetFormat()) {
        WG_DevFormat format;
        FillFormat(&format, GetDefaultFormat());
        CWGDevice::SetFormat(&format);
    }
    return 1;
}

int CWaveOut::DevStart()
{
    if (!m_sound)
        return 0;
    if (const int error = m_sound->start(); error != plat::media::kOk) {
        Report(103, static_cast<uintptr_t>(error), static_cast<uintptr_t>(GetDevice()));
        return 0;
    }
    return 1;
}

int CWaveOut::DevStop()
{
    if (m_sound)
        m_sound->stop();
    return 1;
}

int CWaveOut::DevClose()
{
    DeletePerformance(-1, 1);
    // Players only prepared, on no performance any more.
    std::vector<CWavePlay*> left;
    {
        std::lock_guard lock(m_lock);
        for (const auto& [handle, player] : m_players)
            left.push_back(player);
        m_players.clear();
    }
    DeletePlayers(left);
    m_sound = nullptr;
    return 1;
}

int CWaveOut::PlayData(CWGEventList& list, uint32_t, uint32_t)
{
    if (!TestState(WG_STARTED))
        return 0;
    while (!list.empty()) {
        std::unique_ptr<CWGEventData> event = std::move(list.front());
        list.pop_front();
        WG_WaveParams* params = event ? event->GetWaveParams() : nullptr;
        if (!params)
            continue;
        {
            std::lock_guard lock(m_lock);
            GetTrack(GetPerformance(params->tag), params->track);
        }
        if (params->fileName) {
            CWavePlay* player = params->player ? FindPlayer(params->player) : nullptr;
            params->player = 0;   // the event no longer names it
            if (!player)
                player = new CWavePlay();
            if (!player->Play(params, GetDevice(), event->time, nullptr, 0, 0)) {
                DisposePlayer(player);
                delete player;
            }
        } else {
            SetWaveParams(params);
        }
    }
    return 1;
}
