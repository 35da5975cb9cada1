#include "rack/rackplayer/wave/WaveEngine.h"

#include "rack/outside/plinthbase/BaseStrings.h"
#include "rack/outside/plinthbase/DiskSpace.h"
#include "rack/outside/plinthbase/MessageBoxes.h"
#include "rack/outside/plinthfx/StereoProcess.h"
#include "rack/outside/plinthstore/ObjectStore.h"
#include "rack/outside/plinthstore/RiffWriting.h"
#include "rack/plinthart/PlinthProfile.h"

#include "platform/core/MessageWindow.h"
#include "platform/core/RegularFile.h"
#include "platform/core/Trace.h"
#include "platform/media/Backend.h"
#include "platform/storage/RiffFile.h"
#include "platform/ui/timer/UiTimers.h"
#include "platform/ui/rackwindow/Window.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <list>
#include <memory>
#include <vector>

namespace rack {

namespace {

using plat::media::Backend;
using plat::ui::Window;

constexpr int kBuffers = 5;
constexpr size_t kPlayBufferBytes = 16384;
constexpr size_t kPlayBufferAlloc = 16416;
constexpr int64_t kDiskReserve = 2000000;
constexpr int64_t kMaxDiskLimit = 0x7FFF0000;
// How often the engine looks for played buffers.
constexpr uint32_t kOutputPollMs = 10;
constexpr plat::MessageId kInputDataMessage = 0x03C0;

constexpr int kStrReadOnly = 1301;
constexpr int kStrRecordingCaption = 314;
constexpr int kStrNoRoom = 564;
constexpr int kStrWriteError = 770;
constexpr int kStrDiskLimit = 256;
constexpr int kStrStoppedCaption = 768;
constexpr int kStrCannotWrite = 1405;
constexpr int kStrInputRefused = 1406;

struct Settings {
    bool variable = true;
    int32_t samplerMin = 11025;
    int32_t samplerMax = 44100;
    bool verifyChannels = true;
};

struct InputBuffer {
    std::vector<uint8_t> memory;
    bool done = false;
    size_t bytes = 0;
};

struct Recording;

// Hands the device's finished buffers to the interface thread.
class InputEvents final : public plat::media::WaveInDevice::Events {
public:
    InputEvents(plat::WindowRef window, uint64_t serial) : m_window(std::move(window)), m_serial(serial) {}
    void done(uintptr_t user, size_t bytesRecorded) override
    {
        m_window.post(kInputDataMessage, uintptr_t(m_serial), intptr_t((bytesRecorded << 8) | (user & 0xFF)));
    }

private:
    plat::WindowRef m_window;
    uint64_t m_serial;
};

struct Recording {
    uint64_t serial = 0;
    int state = 0;  // 0 stopped, 1 writing, 2 paused
    Window* notify = nullptr;
    uint32_t notifyCommand = 0;
    std::unique_ptr<plat::media::WaveInDevice> device;
    std::unique_ptr<InputEvents> events;
    WaveRecord wave;
    plat::riff::RiffFile file;
    uint32_t lastBufferTime = 0;
    int bytesPerSample = 2;
    int32_t fullScale = 32767;
    int32_t leftPeak = 0;
    int32_t rightPeak = 0;
    size_t bufferSize = 0;
    int64_t dataBytes = 0;
    int64_t diskLimit = 0;
    std::array<InputBuffer, kBuffers> buffers;
    int buffersInUse = 0;
    int due = 0;
};

struct OutputBuffer {
    std::vector<uint8_t> memory;
    size_t bytes = 0;
    // The device's byte count at the end of this buffer while it is queued.
    uint64_t deviceStart = 0;
    uint64_t deviceEnd = 0;
    bool queued = false;
};

struct Playback {
    int state = 0;  // 0 stopped, 1 playing, 2 paused
    Window* notify = nullptr;
    uint32_t notifyCommand = 0;
    std::unique_ptr<plat::media::WaveOutDevice> device;
    WaveRecord wave;
    plat::riff::RiffFile file;
    int bytesPerSample = 2;
    int32_t fullScale = 32767;
    int64_t passPosition = 0;  // bytes read of the current pass
    int64_t bytesPerPass = 0;
    int64_t startOffset = 0;
    int passesWanted = 1;
    int passesDone = 0;
    int64_t playedBytes = 0;
    std::array<OutputBuffer, kBuffers> buffers;
    std::vector<uint8_t> processing;
    bool processOn = false;
    int bufferCount = 0;
    int due = 0;
    int lastBuffer = -1;
    uint64_t written = 0;
    uint64_t pausedAt = 0;
    uint32_t lastBufferTime = 0;
    WaveStatus lastStatus;
};

struct Engine {
    int useCount = 0;
    Settings settings;
    std::unique_ptr<plat::MessageWindow> window;
    uint32_t pollTimer = 0;
    uint64_t nextSerial = 1;
    // Newest first.
    std::list<std::unique_ptr<Playback>> playbacks;
    std::list<std::unique_ptr<Recording>> recordings;
};

Engine& engine()
{
    static Engine instance;
    return instance;
}

uint32_t now()
{
    return plat::ui::UiTimers::tickCount();
}

int deviceIndex(int deviceId)
{
    return deviceId == kWaveMapper ? 0 : deviceId;
}

// The magnitude-largest of two signed values, keeping its sign.
int32_t larger(int32_t kept, int32_t candidate)
{
    return std::abs(candidate) > std::abs(kept) ? candidate : kept;
}

int32_t sampleAt(const uint8_t* bytes, int bytesPerSample)
{
    if (bytesPerSample == 1)
        return int32_t(bytes[0]) - 128;
    int16_t value;
    std::memcpy(&value, bytes, 2);
    return value;
}

// Peaks over a recorded buffer: every (samples / 128 x 2)-th sample; left from the even,
// right from the odd samples of stereo; magnitudes.
void measureRecordingPeaks(Recording& recording, const uint8_t* bytes, size_t size)
{
    const int64_t samples = int64_t(size) / recording.bytesPerSample;
    const int64_t stride = std::max<int64_t>(1, samples / 128 * 2);
    const bool stereo = recording.wave.format.channels == 2;
    int32_t left = 0;
    int32_t right = 0;
    for (int64_t i = 0; i < samples; i += stride) {
        const int32_t level = std::abs(sampleAt(bytes + i * recording.bytesPerSample, recording.bytesPerSample));
        left = std::max(left, level);
        if (stereo && i + 1 < samples)
            right = std::max(right,
                             std::abs(sampleAt(bytes + (i + 1) * recording.bytesPerSample, recording.bytesPerSample)));
    }
    recording.leftPeak = left;
    recording.rightPeak = stereo ? right : left;
}

Recording* findRecording(uint64_t serial)
{
    for (auto& recording : engine().recordings)
        if (recording->serial == serial)
            return recording.get();
    return nullptr;
}

Recording* recordingOf(int32_t key)
{
    for (auto& recording : engine().recordings)
        if (recording->wave.key == key && recording->state != 0)
            return recording.get();
    return nullptr;
}

Playback* playbackOf(int32_t key)
{
    for (auto& playback : engine().playbacks)
        if (playback->wave.key == key)
            return playback.get();
    return nullptr;
}

void releaseRecording(Recording* recording)
{
    engine().recordings.remove_if([recording](const auto& r) { return r.get() == recording; });
}

// Ends a recording: the device is stopped and closed, the header gets the real sizes, the
// file is taken as a wave. Answers its index (-1 when it could not be loaded).
int endRecording(Recording* recording, bool notify)
{
    recording->state = 0;
    if (recording->device) {
        recording->device->stop();
        recording->device->reset();
        recording->device->close();
        recording->device.reset();
    }
    const auto dataBytes = uint32_t(recording->dataBytes);
    bool finished = recording->file.seek(0) == plat::riff::RiffError::None &&
                    riff_WriteProof(recording->file, dataBytes + 36, "WAVE") == 0 &&
                    recording->file.seek(36) == plat::riff::RiffError::None &&
                    riff_WriteHeader(recording->file, "data", dataBytes) == 0;
    finished = recording->file.close() == plat::riff::RiffError::None && finished;
    if (!finished)
        plat::trace("wdrv -- the header of %s could not be finished", recording->wave.path.c_str());
    Window* notifyWindow = recording->notify;
    const uint32_t command = recording->notifyCommand;
    const int index = obj_LoadWave(Window::isWindow(notifyWindow) ? notifyWindow : nullptr,
                                   recording->wave.path.c_str());
    releaseRecording(recording);
    if (notify && Window::isWindow(notifyWindow))
        notifyWindow->send(plat::ui::kCommandMessage, command, index);
    return index;
}

void onInputData(uint64_t serial, size_t bytes, int bufferIndex)
{
    Recording* recording = findRecording(serial);
    if (!recording || recording->state == 0 || bufferIndex < 0 || bufferIndex >= recording->buffersInUse)
        return;
    InputBuffer& marked = recording->buffers[size_t(bufferIndex)];
    marked.done = true;
    marked.bytes = std::min(bytes, recording->bufferSize);
    bool first = true;
    while (recording->buffers[size_t(recording->due)].done) {
        InputBuffer& buffer = recording->buffers[size_t(recording->due)];
        buffer.done = false;
        if (first) {
            first = false;
            recording->lastBufferTime = now();
            measureRecordingPeaks(*recording, buffer.memory.data(), buffer.bytes);
        }
        if (recording->state == 1 && buffer.bytes > 0) {
            const int64_t room = recording->diskLimit - recording->dataBytes;
            const size_t toWrite = size_t(std::min<int64_t>(int64_t(buffer.bytes), std::max<int64_t>(room, 0)));
            if (toWrite > 0 && recording->file.write(buffer.memory.data(), toWrite) != plat::riff::RiffError::None) {
                MsgBox(recording->notify, kStrWriteError, kStrStoppedCaption, kMbOk);
                endRecording(recording, true);
                return;
            }
            recording->dataBytes += int64_t(toWrite);
            if (toWrite < buffer.bytes || recording->dataBytes >= recording->diskLimit) {
                MsgBox(recording->notify, kStrDiskLimit, kStrStoppedCaption, kMbOk);
                endRecording(recording, true);
                return;
            }
        }
        std::fill(buffer.memory.begin(), buffer.memory.end(), uint8_t(recording->wave.silence));
        if (recording->device->add(std::span<uint8_t>(buffer.memory.data(), recording->bufferSize),
                                   uintptr_t(recording->due)) != 0) {
            endRecording(recording, true);
            return;
        }
        recording->due = (recording->due + 1) % recording->buffersInUse;
    }
}

// Fills buffer i from the file (through the stereo processing when it is on) and queues it
// on the device from byte offset on.
bool fillBuffer(Playback& playback, int i)
{
    OutputBuffer& buffer = playback.buffers[size_t(i)];
    const int64_t left = playback.bytesPerPass - playback.passPosition;
    const size_t bytes = size_t(std::min<int64_t>(int64_t(kPlayBufferBytes), left));
    uint8_t* target = playback.processOn ? playback.processing.data() : buffer.memory.data();
    const size_t read = playback.file.read(target, bytes);
    std::fill(target + read, target + bytes, uint8_t(playback.wave.silence));
    if (playback.processOn)
        aqx_Process(playback.processing.data(), buffer.memory.data(),
                    int(bytes / (playback.bytesPerSample == 2 ? 4 : 2)));
    buffer.bytes = bytes;
    playback.passPosition += int64_t(bytes);
    if (playback.passPosition >= playback.bytesPerPass) {
        ++playback.passesDone;
        if (playback.passesDone >= playback.passesWanted) {
            playback.lastBuffer = i;
        } else {
            playback.passPosition = 0;
            playback.file.seek(uint64_t(playback.wave.dataOffset + playback.startOffset));
        }
    }
    buffer.deviceStart = playback.written;
    playback.written += bytes;
    buffer.deviceEnd = playback.written;
    buffer.queued = true;
    return playback.device->write(std::span<const uint8_t>(buffer.memory.data(), bytes)) == 0;
}

bool filling(const Playback& playback)
{
    return playback.passesDone < playback.passesWanted;
}

void stopPollingWhenIdle()
{
    Engine& e = engine();
    const bool anyPlaying = std::any_of(e.playbacks.begin(), e.playbacks.end(),
                                        [](const auto& p) { return p->state == 1; });
    if (!anyPlaying && e.pollTimer != 0) {
        plat::ui::UiTimers::kill(e.pollTimer);
        e.pollTimer = 0;
    }
}

void endPlayback(Playback* playback, bool notify)
{
    playback->state = 0;
    playback->file.close();
    if (playback->device) {
        playback->device->stop();
        playback->device->close();
        playback->device.reset();
    }
    Window* notifyWindow = playback->notify;
    const uint32_t command = playback->notifyCommand;
    engine().playbacks.remove_if([playback](const auto& p) { return p.get() == playback; });
    stopPollingWhenIdle();
    if (notify && Window::isWindow(notifyWindow))
        notifyWindow->send(plat::ui::kCommandMessage, command, 0);
}

// The played buffers of one playback, in order from the one due.
bool serviceOutput(Playback* playback)
{
    const uint64_t played = playback->device->playedBytes();
    for (int guard = 0; guard < playback->bufferCount; ++guard) {
        OutputBuffer& buffer = playback->buffers[size_t(playback->due)];
        if (!buffer.queued || played < buffer.deviceEnd)
            return true;
        buffer.queued = false;
        playback->lastBufferTime = now();
        playback->playedBytes = (playback->playedBytes + int64_t(buffer.bytes)) % std::max<int64_t>(playback->bytesPerPass, 1);
        if (filling(*playback)) {
            if (!fillBuffer(*playback, playback->due)) {
                endPlayback(playback, true);
                return false;
            }
        } else if (playback->due == playback->lastBuffer) {
            endPlayback(playback, true);
            return false;
        }
        playback->due = (playback->due + 1) % playback->bufferCount;
    }
    return true;
}

void pollOutputs()
{
    std::vector<Playback*> playing;
    for (auto& playback : engine().playbacks)
        if (playback->state == 1)
            playing.push_back(playback.get());
    for (Playback* playback : playing) {
        // A deck told of an end may have stopped another playback meanwhile.
        const auto& live = engine().playbacks;
        if (std::any_of(live.begin(), live.end(), [playback](const auto& p) { return p.get() == playback; }) &&
            playback->state == 1)
            serviceOutput(playback);
    }
}

void startPolling()
{
    Engine& e = engine();
    if (e.pollTimer == 0)
        e.pollTimer = plat::ui::UiTimers::set(kOutputPollMs, pollOutputs);
}

intptr_t hiddenWindowProc(plat::MessageId message, uintptr_t wParam, intptr_t lParam)
{
    if (message == kInputDataMessage)
        onInputData(uint64_t(wParam), size_t(uintptr_t(lParam) >> 8), int(lParam & 0xFF));
    return 0;
}

// The most a device offers, asked by query (the backend's input or output caps).
template <class Caps>
bool deviceCaps(bool (Backend::*query)(int, Caps&) const, int deviceId, uint32_t& rate, uint16_t& channels)
{
    Caps caps;
    if (!(Backend::instance().*query)(deviceIndex(deviceId), caps))
        return false;
    rate = caps.maxSamplesPerSec;
    channels = caps.maxChannels;
    return true;
}

// Whether the device offers the standard format of rate, channels and size.
bool standardFormat(uint32_t rate, uint16_t channels, uint16_t bits, uint32_t maxRate, uint16_t maxChannels)
{
    return (rate == 11025 || rate == 22050 || rate == 44100) && rate <= maxRate && channels <= maxChannels &&
           channels >= 1 && (bits == 8 || bits == 16);
}

}  // namespace

bool wdrv_FormatFits(const WaveFormat& format, uint32_t maxSamplesPerSec, uint16_t maxChannels)
{
    const Settings& settings = engine().settings;
    if (settings.verifyChannels && maxChannels < format.channels)
        return false;
    if (settings.variable)
        return int64_t(format.samplesPerSec) >= settings.samplerMin && int64_t(format.samplesPerSec) <= settings.samplerMax;
    const uint16_t bits = format.bitsPerSample <= 8 ? 8 : format.bitsPerSample;
    return standardFormat(format.samplesPerSec, format.channels, bits, maxSamplesPerSec, maxChannels);
}

WaveFormat wdrv_BestInputFormat(uint32_t maxSamplesPerSec, uint16_t maxChannels)
{
    constexpr struct {
        uint32_t rate;
        uint16_t channels;
        uint16_t bits;
    } kOrder[] = {{44100, 2, 16}, {22050, 2, 16}, {11025, 2, 16}, {44100, 2, 8}, {22050, 2, 8}, {11025, 2, 8},
                  {44100, 1, 16}, {22050, 1, 16}, {11025, 1, 16}, {44100, 1, 8}, {22050, 1, 8}};
    for (const auto& entry : kOrder)
        if (standardFormat(entry.rate, entry.channels, entry.bits, maxSamplesPerSec, maxChannels))
            return WaveFormat::pcm(entry.rate, entry.channels, entry.bits);
    return WaveFormat::pcm(11025, 1, 8);
}

int wdrv_Initialize()
{
    Engine& e = engine();
    if (e.useCount++ > 0)
        return 0;
    e.playbacks.clear();
    e.recordings.clear();
    auto read = [](const char* key, const char* fallback) { return PlinthProfile::getString("Wave", key, fallback, 14); };
    const std::string variable = read("SamplerVariable", "Yes");
    e.settings.variable = !variable.empty() && (variable[0] == 'Y' || variable[0] == 'y');
    e.settings.samplerMin = int32_t(std::strtol(read("SamplerMin", "11025").c_str(), nullptr, 10));
    e.settings.samplerMax = int32_t(std::strtol(read("SamplerMax", "44100").c_str(), nullptr, 10));
    const std::string verify = read("VerifyChannels", "Y");
    e.settings.verifyChannels = verify.empty() || (verify[0] != 'N' && verify[0] != 'n');
    e.window = std::make_unique<plat::MessageWindow>("plinthDrvWindow", hiddenWindowProc);
    return 0;
}

int wdrv_Terminate()
{
    Engine& e = engine();
    if (e.useCount == 0 || --e.useCount > 0)
        return 0;
    while (!e.playbacks.empty())
        endPlayback(e.playbacks.front().get(), false);
    while (!e.recordings.empty())
        endRecording(e.recordings.front().get(), false);
    e.window.reset();
    return 0;
}

int wdrv_CanOpen(int deviceId, int kind)
{
    if (engine().useCount == 0)
        return 0;
    const plat::media::PcmFormat format{1, 11025, 8};
    if (kind == kWaveInput) {
        std::unique_ptr<plat::media::WaveInDevice> device = Backend::instance().createWaveIn(deviceIndex(deviceId));
        class Ignore final : public plat::media::WaveInDevice::Events {
            void done(uintptr_t, size_t) override {}
        } ignore;
        if (!device || device->open(format, &ignore) != 0)
            return 0;
        device->close();
        return 1;
    }
    std::unique_ptr<plat::media::WaveOutDevice> device = Backend::instance().createWaveOut(deviceIndex(deviceId));
    if (!device || device->open(format) != 0)
        return 0;
    device->close();
    return 1;
}

int wdrv_Record(Window* notify, int inputDevice, WaveRecord& wave, uint32_t notifyCommand, int startPaused)
{
    Engine& e = engine();
    if (e.useCount == 0)
        return kWaveFailed;
    auto owned = std::make_unique<Recording>();
    Recording& recording = *owned;
    recording.serial = e.nextSerial++;
    recording.wave = wave;
    recording.notify = notify;
    recording.notifyCommand = notifyCommand;

    if (recording.wave.name == GetString(kStrUnnamedRecording, 30)) {
        std::string path;
        if (obj_MakeName(notify, 0, path) == -1)
            return kWaveFailed;
        recording.wave.name = recording.wave.path = path;
        wave.name = wave.path = path;
    }
    if (IsFileReadOnly(recording.wave.path)) {
        SpfMsgBox(notify, kStrReadOnly, recording.wave.path, kStrRecordingCaption, kMbOk | kMbIconStop);
        return kWaveFailed;
    }
    uint32_t maxRate = 0;
    uint16_t maxChannels = 0;
    if (!deviceCaps(&Backend::waveInCaps, inputDevice, maxRate, maxChannels))
        return kWaveFailed;
    if (!wdrv_FormatFits(recording.wave.format, maxRate, maxChannels)) {
        recording.wave.setFormat(wdrv_BestInputFormat(maxRate, maxChannels));
        recording.wave.length = 0;
    }
    const int64_t free = GetDiskLimit(recording.wave.path);
    recording.diskLimit = free >= kDiskReserve ? std::min(free - kDiskReserve, kMaxDiskLimit) : 0;
    if (recording.diskLimit == 0) {
        MsgBox(notify, kStrNoRoom, kStrRecordingCaption, kMbOk);
        return kWaveFailed;
    }
    recording.bytesPerSample = recording.wave.format.bytesPerSample();
    recording.fullScale = recording.wave.fullScale;

    recording.device = Backend::instance().createWaveIn(deviceIndex(inputDevice));
    recording.events = std::make_unique<InputEvents>(e.window->ref(), recording.serial);
    // Each refusal from here on is said: the deck only learns that nothing records.
    if (!recording.device || recording.device->open(recording.wave.format.toPcm(), recording.events.get()) != 0) {
        MsgBox(notify, kStrInputRefused, kStrRecordingCaption, kMbOk | kMbIconStop);
        return kWaveFailed;
    }
    auto fail = [&recording, notify](bool fileFailed) {
        recording.device->reset();
        recording.device->close();
        recording.file.close();
        if (fileFailed)
            SpfMsgBox(notify, kStrCannotWrite, recording.wave.path, kStrRecordingCaption, kMbOk | kMbIconStop);
        else
            MsgBox(notify, kStrInputRefused, kStrRecordingCaption, kMbOk | kMbIconStop);
        return kWaveFailed;
    };

    const uint32_t perSecond = recording.wave.format.avgBytesPerSec;
    recording.bufferSize = perSecond / 128 < 64 ? 1024 : std::min<size_t>(perSecond / 8 / 16 * 16, 65520);
    if (recording.file.create(recording.wave.path) != plat::riff::RiffError::None)
        return fail(true);
    if (riff_WriteProof(recording.file, 36, "WAVE") != 0 || riff_WriteFormat(recording.file, recording.wave.format, 1) != 0 ||
        riff_WriteHeader(recording.file, "data", 0) != 0)
        return fail(true);
    recording.wave.dataOffset = 44;
    wave.dataOffset = 44;
    for (int i = 0; i < kBuffers; ++i) {
        InputBuffer& buffer = recording.buffers[size_t(i)];
        buffer.memory.assign(recording.bufferSize + 32, uint8_t(recording.wave.silence));
        if (recording.device->add(std::span<uint8_t>(buffer.memory.data(), recording.bufferSize), uintptr_t(i)) != 0)
            break;
        ++recording.buffersInUse;
    }
    if (recording.buffersInUse < 2 || recording.device->start() != 0)
        return fail(false);
    recording.state = startPaused ? 2 : 1;
    recording.lastBufferTime = now();
    e.recordings.push_front(std::move(owned));
    return 0;
}

int wdrv_Play(Window* notify, int outputDevice, const WaveRecord& wave, int32_t startSample, int32_t sampleCount,
              int passes, uint32_t notifyCommand)
{
    Engine& e = engine();
    if (e.useCount == 0)
        return kWaveFailed;
    if (sampleCount == 0)
        sampleCount = wave.length;
    startSample = startSample / 4 * 4;
    if (startSample < 0 || startSample >= wave.length)
        return kWaveFailed;
    sampleCount = std::min(sampleCount, wave.length - startSample);
    if (sampleCount <= 0)
        return kWaveFailed;
    uint32_t maxRate = 0;
    uint16_t maxChannels = 0;
    if (!deviceCaps(&Backend::waveOutCaps, outputDevice, maxRate, maxChannels) ||
        !wdrv_FormatFits(wave.format, maxRate, maxChannels))
        return kWaveFailed;
    auto owned = std::make_unique<Playback>();
    Playback& playback = *owned;
    playback.device = Backend::instance().createWaveOut(deviceIndex(outputDevice));
    if (!playback.device || playback.device->open(wave.format.toPcm()) != 0)
        return kWaveFailed;
    playback.wave = wave;
    playback.notify = notify;
    playback.notifyCommand = notifyCommand;
    if (!plat::RegularFile::isRegular(wave.path) || playback.file.openRead(wave.path) != plat::riff::RiffError::None) {
        playback.device->close();
        return kWaveFailed;
    }
    playback.bytesPerSample = wave.format.bytesPerSample();
    playback.fullScale = wave.fullScale;
    playback.bytesPerPass = int64_t(sampleCount) * playback.bytesPerSample;
    playback.startOffset = int64_t(startSample) * playback.bytesPerSample;
    playback.passesWanted = std::max(passes, 1);
    const bool stereo = wave.format.channels == 2;
    if (stereo)
        aqx_SetFormat(wave.format.toPcm());
    playback.processOn = stereo && (aqx_Status() & 1) != 0;
    if (playback.processOn)
        playback.processing.assign(kPlayBufferAlloc, 0);
    playback.file.seek(uint64_t(wave.dataOffset + playback.startOffset));
    for (int i = 0; i < kBuffers && filling(playback); ++i) {
        playback.buffers[size_t(i)].memory.assign(kPlayBufferAlloc, uint8_t(wave.silence));
        ++playback.bufferCount;
        if (!fillBuffer(playback, i)) {
            playback.device->close();
            return kWaveFailed;
        }
    }
    if (playback.device->start() != 0) {
        playback.device->close();
        return kWaveFailed;
    }
    playback.state = 1;
    playback.lastBufferTime = now();
    e.playbacks.push_front(std::move(owned));
    startPolling();
    return 0;
}

int32_t wdrv_Stop(int32_t key)
{
    Engine& e = engine();
    if (e.useCount == 0)
        return kWaveFailed;
    Playback* playback = playbackOf(key);
    const bool played = playback != nullptr;
    if (playback)
        endPlayback(playback, false);
    if (Recording* recording = recordingOf(key))
        return endRecording(recording, false);
    return played ? key : -1;
}

int wdrv_Pause(int32_t key, int pause)
{
    Engine& e = engine();
    if (e.useCount == 0)
        return kWaveFailed;
    if (Playback* playback = playbackOf(key)) {
        if (pause && playback->state == 1) {
            // The device drops what it holds: the unplayed rest of each buffer is queued
            // again on resume.
            playback->pausedAt = playback->device->playedBytes();
            playback->device->stop();
            playback->state = 2;
            stopPollingWhenIdle();
        } else if (!pause && playback->state == 2) {
            uint64_t written = playback->pausedAt;
            for (int n = 0; n < playback->bufferCount; ++n) {
                OutputBuffer& buffer = playback->buffers[size_t((playback->due + n) % playback->bufferCount)];
                if (!buffer.queued)
                    continue;
                const uint64_t skip = playback->pausedAt > buffer.deviceStart
                                          ? std::min<uint64_t>(playback->pausedAt - buffer.deviceStart, buffer.bytes)
                                          : 0;
                const uint64_t shownAt = written;
                const size_t rest = buffer.bytes - size_t(skip);
                if (rest > 0)
                    playback->device->write(std::span<const uint8_t>(buffer.memory.data() + skip, rest));
                written += rest;
                // Counted so the buffer keeps its place among the device's bytes.
                buffer.deviceStart = shownAt - skip;
                buffer.deviceEnd = written;
            }
            playback->written = written;
            playback->device->start();
            playback->state = 1;
            playback->lastBufferTime = now();
            startPolling();
        }
        return 0;
    }
    if (Recording* recording = recordingOf(key))
        recording->state = pause ? 2 : 1;
    return 0;
}

int wdrv_GetStatus(int32_t key, WaveStatus& status)
{
    Engine& e = engine();
    if (e.useCount == 0)
        return kWaveFailed;
    if (Playback* playback = playbackOf(key)) {
        if (playback->state != 1) {
            status = playback->lastStatus;
            return 0;
        }
        const WaveFormat& format = playback->wave.format;
        const uint32_t since = now() - playback->lastBufferTime;
        const int64_t due = int64_t(format.samplesPerSec) * format.channels * since / 1000;
        const int64_t position = (playback->startOffset + playback->playedBytes) / playback->bytesPerSample + due;
        status.samplePosition = int32_t(position);
        // The position already holds the samples due since the last buffer: adding that
        // time again would run the clock at twice its speed between buffers.
        status.elapsedMs = units_SAMPLES_TO_MS(format, position);
        status.samplesPerSec = int32_t(format.samplesPerSec);
        status.channels = format.channels;
        status.fullScale = playback->fullScale;
        status.leftPeak = status.rightPeak = 0;
        const OutputBuffer& heard = playback->buffers[size_t(playback->due)];
        const int64_t offset = due / 8 * 8 * playback->bytesPerSample;
        if (offset <= int64_t(kPlayBufferBytes)) {
            const int64_t end = std::min<int64_t>({offset + 1000, int64_t(kPlayBufferBytes), int64_t(heard.memory.size())});
            const int64_t stride = 49 * playback->bytesPerSample;
            int32_t left = 0;
            int32_t right = 0;
            bool leftTurn = true;
            for (int64_t at = offset; at + playback->bytesPerSample <= end; at += stride) {
                const int32_t value = sampleAt(heard.memory.data() + at, playback->bytesPerSample);
                if (format.channels == 2 && !leftTurn)
                    right = larger(right, value);
                else
                    left = larger(left, value);
                leftTurn = !leftTurn;
            }
            status.leftPeak = left;
            status.rightPeak = format.channels == 2 ? right : left;
        }
        playback->lastStatus = status;
        return 0;
    }
    if (Recording* recording = recordingOf(key)) {
        const WaveFormat& format = recording->wave.format;
        const uint32_t since = now() - recording->lastBufferTime;
        int64_t samples = recording->dataBytes / recording->bytesPerSample;
        if (recording->state == 1)
            samples += int64_t(format.samplesPerSec) * format.channels * since / 1000;
        status.samplePosition = int32_t(samples);
        status.elapsedMs = units_SAMPLES_TO_MS(format, samples);
        status.samplesPerSec = int32_t(format.samplesPerSec);
        status.channels = format.channels;
        status.fullScale = recording->fullScale;
        status.leftPeak = recording->leftPeak;
        status.rightPeak = recording->rightPeak;
        return 0;
    }
    return kWaveFailed;
}

}  // namespace rack
