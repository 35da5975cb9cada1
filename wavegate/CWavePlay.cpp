#include "wavegate/CWavePlay.h"

#include "platform/core/AltSignalStack.h"
#include "platform/core/Trace.h"
#include "platform/media/Backend.h"
#include "platform/media/MediaError.h"
#include "platform/media/audio/AudioEngine.h"
#include "platform/media/audio/SoundBuffer.h"
#include "platform/media/audio/SoundDevice.h"
#include "wavegate/CWaveFileRead.h"
#include "wavegate/CWaveOut.h"
#include "wavegate/CWavegate.h"

#include <algorithm>

using plat::media::MediaTime;
using plat::media::SoundBuffer;

CWavePlay::CWavePlay() = default;

CWavePlay::~CWavePlay()
{
    m_destructing = true;
    // No wave-start marker reaches the player from here on.
    if (m_manager && m_handle)
        m_manager->GetStartSignals().Unregister(m_handle);
    Stop();
    JoinThreads();
    if (m_waveOut)
        m_waveOut->ForgetPlayer(this);
}

// ---- parameters

uint32_t CWavePlay::MapFrequency(int32_t frequency, uint32_t fileRate)
{
    const int64_t r = fileRate;
    const int64_t f = std::clamp<int64_t>(frequency, -10000, 10000);
    int64_t hz = 0;
    if (f > 0)
        hz = r + f * (SoundBuffer::kFrequencyMax - r) / 10000;
    else if (f < 0)
        hz = r + f * (r - SoundBuffer::kFrequencyMin) / 10000;
    else
        return 0;
    return static_cast<uint32_t>(std::clamp<int64_t>(hz, SoundBuffer::kFrequencyMin, SoundBuffer::kFrequencyMax));
}

int32_t CWavePlay::LimitVolume(int32_t volume)
{
    return std::clamp(volume, SoundBuffer::kVolumeMin, SoundBuffer::kVolumeMax);
}

int32_t CWavePlay::LimitPan(int32_t pan)
{
    return std::clamp(pan, SoundBuffer::kPanLeft, SoundBuffer::kPanRight);
}

WG_WaveParams CWavePlay::GetWaveParameters() const
{
    std::lock_guard lock(m_lock);
    return m_params;
}

WG_DSParams CWavePlay::GetBufferParameters() const
{
    std::lock_guard lock(m_lock);
    return m_params.params;
}

void CWavePlay::SetBufferParameters(const WG_DSParams& params)
{
    std::lock_guard lock(m_lock);
    if (m_buffer)
        ApplyBufferParameters(params, !m_prepared);
}

void CWavePlay::ApplyBufferParameters(const WG_DSParams& params, bool force)
{
    WG_DSParams& stored = m_params.params;
    if (force || params.frequency != stored.frequency) {
        const uint32_t hz = MapFrequency(params.frequency, m_buffer->format().samplesPerSec);
        if (const int error = m_buffer->setFrequency(hz); error != plat::media::kOk)
            Report(113, static_cast<uintptr_t>(error));
    }
    const int32_t volume = LimitVolume(params.volume);
    if (force || volume != stored.volume) {
        if (const int error = m_buffer->setVolume(volume); error != plat::media::kOk)
            Report(117, static_cast<uintptr_t>(error));
    }
    const int32_t pan = LimitPan(params.pan);
    if (force || pan != stored.pan) {
        if (const int error = m_buffer->setPan(pan); error != plat::media::kOk)
            Report(115, static_cast<uintptr_t>(error));
    }
    stored = WG_DSParams{pan, volume, params.frequency};
}

void CWavePlay::Report(uint32_t code, uintptr_t error) const
{
    if (m_waveOut)
        m_waveOut->ReportFailure(code, error);
}

int CWavePlay::IsPrepared() const
{
    std::lock_guard lock(m_lock);
    return m_prepared ? 1 : 0;
}

int CWavePlay::IsPlaying() const
{
    std::lock_guard lock(m_lock);
    return m_playing && m_buffer && (m_buffer->status() & SoundBuffer::kStatusPlaying) ? 1 : 0;
}

// ---- preparing

int CWavePlay::Prepare(const WG_WaveParams* params, int device, int wait)
{
    if (!params)
        return 0;
    CWavegate* manager = CWavegate::GetWavegate();
    auto* waveOut = manager ? static_cast<CWaveOut*>(manager->GetDevice(CWavegate::WG_WAVE, CWavegate::WG_OUT, device))
                            : nullptr;
    if (!waveOut || !waveOut->GetSoundDevice()) {
        plat::trace("CWavePlay: device %d is unavailable, cannot prepare", device);
        return 0;
    }
    {
        std::lock_guard lock(m_lock);
        if (m_prepared)
            return 1;
        if (m_prepareStarted) {
            if (!wait)
                return 1;
        } else {
            if (m_closed)
                return 0;
            m_device = device;
            m_params = *params;
            m_fileName = params->fileName ? params->fileName : "";
            m_params.fileName = m_fileName.c_str();
            m_params.player = 0;
            m_manager = manager;
            m_waveOut = waveOut;
        }
    }
    if (!m_handle) {
        m_handle = manager->GetStartSignals().Register([this] { SignalStart(); });
        std::lock_guard lock(m_lock);
        m_params.player = m_handle;
    }
    // Registered before the prepare thread runs, so the output can always reach the player.
    waveOut->RegisterPlayer(this);
    {
        std::lock_guard lock(m_lock);
        if (!m_prepareStarted) {
            m_prepareStarted = true;
            try {
                m_prepareThread = std::thread([this] {
                    const plat::AltSignalStack altStack;
                    PrepareProc();
                });
            } catch (const std::system_error&) {
                m_prepareStarted = false;
                return 0;
            }
        }
    }
    if (!wait)
        return 1;
    m_preparedEvent.wait(kPrepareWaitMs);
    return IsPrepared();
}

void CWavePlay::PrepareProc()
{
    auto done = [this] { m_preparedEvent.set(); };
    auto reader = std::make_unique<CWaveFileRead>(m_waveOut->GetDeviceHost());
    reader->SetFilename(m_fileName.c_str());
    if (!reader->Open(0)) {
        done();
        return;
    }
    const WG_DevFormat* format = reader->GetFormat();
    const plat::media::PcmFormat pcm{format->channels, format->samplesPerSec, format->bitsPerSample};
    int error = plat::media::kErrorBadFormat;
    std::unique_ptr<SoundBuffer> buffer;
    if (format->formatTag == WG_FORMAT_PCM && format->blockAlign == pcm.blockAlign())
        buffer = m_waveOut->GetSoundDevice()->createBuffer(pcm, kBufferSize, &error);
    if (!buffer) {
        Report(102, static_cast<uintptr_t>(error));
        done();
        return;
    }
    std::vector<SoundBuffer::NotifyPosition> positions;
    for (uint32_t block = 1; block <= kBlockCount; ++block)
        positions.push_back({std::min(block * kBlockSize, kBufferSize - 1), &m_blockDone});
    positions.push_back({SoundBuffer::kNotifyAtStop, &m_stopped});
    if (const int failed = buffer->setNotificationPositions(positions); failed != plat::media::kOk) {
        Report(124, static_cast<uintptr_t>(failed));
        done();
        return;
    }
    {
        std::lock_guard lock(m_lock);
        if (m_stopRequested) {
            done();
            return;
        }
        m_reader = std::move(reader);
        m_buffer = std::move(buffer);
        m_writeCursor = 0;
        m_blocksPending = 0;
        m_eof = false;
        for (uint32_t block = 0; block < kPrefillBlocks; ++block)
            if (!WriteBlock())
                break;
        ApplyBufferParameters(m_params.params, true);
        try {
            m_notifyThread = std::thread([this] {
                const plat::AltSignalStack altStack;
                NotifyProc();
            });
            m_prepared = true;
        } catch (const std::system_error&) {
            m_buffer.reset();
            m_reader.reset();
        }
    }
    done();
}

bool CWavePlay::WriteBlock()
{
    if (!m_buffer || !m_reader)
        return false;
    const int read = m_reader->Read(m_block.data(), static_cast<int>(m_block.size()));
    if (read < 0) {
        plat::trace("CWavePlay: ERROR reading file");
        return false;
    }
    if (read == 0)
        m_eof = true;
    if (const int error = m_buffer->write(m_writeCursor, m_block); error != plat::media::kOk) {
        Report(121, static_cast<uintptr_t>(error));
        return false;
    }
    m_writeCursor = (m_writeCursor + kBlockSize) % kBufferSize;
    if (!m_eof)
        ++m_blocksPending;
    return true;
}

uint32_t CWavePlay::BlocksToWrite() const
{
    if (!m_buffer)
        return 0;
    // One block of slack behind the play cursor: the block it has just left.
    const uint32_t playing = m_buffer->currentPosition() / kBlockSize;
    const uint32_t last = (playing + kBlockCount - 1) % kBlockCount;
    const uint32_t writing = m_writeCursor / kBlockSize;
    return (last + kBlockCount - writing) % kBlockCount;
}

void CWavePlay::NotifyProc()
{
    plat::Event* events[] = {&m_blockDone, &m_stopped, &m_terminate};
    for (;;) {
        const int which = plat::Event::waitAny(events);
        if (which != 0)
            break;
        bool ended = false;
        {
            std::lock_guard lock(m_lock);
            if (m_stopRequested)
                break;
            // Every block the sound has left behind, also when notifications came together.
            for (uint32_t n = BlocksToWrite(); n > 0 && !ended; --n) {
                if (!WriteBlock())
                    ended = true;
                else if (--m_blocksPending < 0)
                    ended = true;
            }
        }
        FedChanged();
        if (ended)
            break;
    }
    bool stopRequested = false;
    {
        std::lock_guard lock(m_lock);
        m_notifyEnded = true;
        stopRequested = m_stopRequested;
    }
    FedChanged();
    if (!stopRequested)
        Stop();
    {
        std::lock_guard lock(m_lock);
        m_notifyDone = true;
    }
    FedChanged();
}

bool CWavePlay::IsFed() const
{
    std::lock_guard lock(m_lock);
    // A player that ends by itself is fed once its stop has run: its callback called and its
    // deletion posted.
    if (m_notifyEnded)
        return m_notifyDone;
    return m_stopRequested || !m_prepared || BlocksToWrite() == 0;
}

void CWavePlay::FedChanged() const
{
    if (m_waveOut)
        m_waveOut->PlayerFedChanged();
}

// ---- playing

int CWavePlay::Play(const WG_WaveParams* params, int device, uint32_t startTime, DoneProc callback, uintptr_t user,
                    int autoDelete)
{
    if (!params)
        return 0;
    {
        std::lock_guard lock(m_lock);
        m_callback = callback;
        m_user = user;
        m_autoDelete = autoDelete != 0;
    }
    if (!Prepare(params, device, 1))
        return 0;
    SetBufferParameters(params->params);
    plat::media::Backend& backend = plat::media::Backend::instance();
    const MediaTime playStart(m_manager->GetPlayStartTime());
    const int32_t elapsed = backend.clock().now() - playStart;
    const int32_t delay = static_cast<int32_t>(startTime) - elapsed;
    if (startTime != 0 && delay > 0) {
        // Started on the play time line of the manager, where the MIDI of the same time is.
        m_startAt = (playStart + startTime).ms();
        m_timedStart = true;
        const plat::WindowRef driver = m_manager->GetHWnd();
        const uintptr_t handle = m_handle;
        const uint32_t timer = backend.timers().setOneShot(static_cast<uint32_t>(delay), 0, [driver, handle] {
            driver.post(CWavegate::WM_WG_STARTWAVE, handle, 0);
        });
        if (!timer) {
            m_manager->Notify(800, 0, 0);
            return 0;
        }
        std::lock_guard lock(m_lock);
        m_startTimer = timer;
        return 1;
    }
    Start();
    return 1;
}

void CWavePlay::SignalStart()
{
    m_startEvent.set();
}

int CWavePlay::Start()
{
    {
        std::lock_guard lock(m_lock);
        if (!m_prepared || !m_buffer || m_stopRequested)
            return 0;
        m_startTimer = 0;
        // The frame of the intended time, so a timer that fires a little late or early still
        // puts the sound where the MIDI of that time is; else the frame of now.
        plat::media::SoundDevice* device = m_waveOut->GetSoundDevice();
        m_startFrame = m_timedStart ? device->engine().frameAt(m_startAt) : device->currentFrame();
        if (const int error = m_buffer->play(true, m_startFrame); error != plat::media::kOk) {
            Report(103, static_cast<uintptr_t>(error));
            m_prepared = false;
        } else {
            m_playing = true;
        }
    }
    if (!m_playing) {
        Stop();
        return 0;
    }
    // The player takes its track; the one it replaces falls silent at once and is deleted
    // on the output's thread, since this may run with the output's lock held.
    if (CWavePlay* old = m_waveOut->SetTrackPlayer(this)) {
        old->Silence(m_startFrame);
        m_waveOut->DeleteLater(old);
    }
    return 1;
}

void CWavePlay::Silence(uint64_t atFrame)
{
    std::lock_guard lock(m_lock);
    if (m_buffer) {
        m_buffer->stopAt(atFrame);
        m_silenced = true;
    }
}

void CWavePlay::JoinThreads()
{
    const std::thread::id self = std::this_thread::get_id();
    for (std::thread* thread : {&m_prepareThread, &m_notifyThread}) {
        if (!thread->joinable())
            continue;
        if (thread->get_id() == self)
            thread->detach();
        else
            thread->join();
    }
}

int CWavePlay::Stop()
{
    std::unique_lock lock(m_lock);
    if (m_closed)
        return 1;
    m_stopRequested = true;
    if (m_buffer && !m_silenced)
        if (const int error = m_buffer->stop(); error != plat::media::kOk)
            Report(104, static_cast<uintptr_t>(error));
    m_terminate.set();
    const uint32_t timer = std::exchange(m_startTimer, 0);
    lock.unlock();
    FedChanged();
    if (timer)
        plat::media::Backend::instance().timers().kill(timer);
    // The threads finish before what they use goes; the one that called Stop() is left to
    // end by itself.
    const std::thread::id self = std::this_thread::get_id();
    if (m_prepareThread.joinable() && m_prepareThread.get_id() != self)
        m_prepareThread.join();
    if (m_notifyThread.joinable() && m_notifyThread.get_id() != self)
        m_notifyThread.join();
    lock.lock();
    m_closed = true;
    m_prepared = false;
    m_playing = false;
    if (m_buffer && m_silenced) {
        // Replaced on its track: the sound plays on to its successor's first frame.
        m_buffer->clearNotifications();
        m_waveOut->GetSoundDevice()->retire(std::move(m_buffer));
    }
    m_buffer.reset();
    m_reader.reset();
    const DoneProc callback = std::exchange(m_callback, nullptr);
    const uintptr_t user = m_user;
    const bool autoDelete = m_autoDelete;
    const bool deleteSelf = autoDelete && !m_destructing;
    if (deleteSelf)
        m_autoDelete = false;
    const int tag = m_params.tag;
    lock.unlock();
    FedChanged();
    if (callback)
        callback(user, m_handle);
    if (autoDelete && m_waveOut)
        m_waveOut->RemovePerformance(tag);
    if (deleteSelf && m_waveOut)
        m_waveOut->DeleteLater(this);
    return 1;
}
