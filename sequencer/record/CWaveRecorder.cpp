#include "sequencer/record/CWaveRecorder.h"

#include "notabase/performance/ECPerformance.h"
#include "notabase/score/ECConductor.h"
#include "notabase/states/SCFile.h"
#include "platform/core/MessageLoop.h"
#include "platform/core/Trace.h"
#include "sequencer/data/DCsqWaveTrack.h"
#include "sequencer/states/SCTrack.h"
#include "sequencer/states/SCWaveInfo.h"
#include "sequencer/transport/CSequence.h"
#include "wavegate/CWGEventData.h"
#include "wavegate/CWaveFileWrite.h"
#include "wavegate/CWavegate.h"

#include <cmath>
#include <filesystem>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kArmList = 3404;

void DeleteFile(const std::string& name)
{
    std::error_code ignored;
    std::filesystem::remove(name, ignored);
}

}  // namespace

CWaveRecorder::~CWaveRecorder()
{
    Stop();
    Detach();
}

void CWaveRecorder::Attach(CSequence* sequence)
{
    m_sequence = sequence;
    m_homeLoop = &plat::MessageLoop::current();
    m_alive = std::make_shared<int>(0);
    const CWavegate* manager = CWavegate::GetWavegate();
    m_deviceCount = manager ? manager->GetDeviceCount(CWavegate::WG_WAVE, CWavegate::WG_IN) : 0;
}

void CWaveRecorder::Detach()
{
    std::list<Entry> entries;
    {
        std::lock_guard lock(m_lock);
        entries.swap(m_entries);
    }
    for (Entry& entry : entries) {
        CloseInput(entry.device);
        if (entry.writer)
            entry.writer->Close();
        DeleteFile(entry.fileName);
    }
    m_sequence = nullptr;
    m_deviceCount = 0;
    m_homeLoop = nullptr;
    m_alive.reset();
}

void CWaveRecorder::RunOnHomeThread(std::function<void()> task)
{
    if (!m_homeLoop || !m_homeLoop->postTask([task = std::move(task), alive = std::weak_ptr<int>(m_alive)] {
            if (!alive.expired())
                task();
        }))
        plat::trace("CWaveRecorder -- no document thread to finish on\n");
}

void CWaveRecorder::CloseInput(int device)
{
    if (CWavegate* manager = CWavegate::GetWavegate()) {
        manager->CloseDevice(CWavegate::WG_WAVE, CWavegate::WG_IN, device);
        manager->EnableDevice(CWavegate::WG_WAVE, CWavegate::WG_IN, device, 0);
    }
}

bool CWaveRecorder::_GetTempName(std::string& name)
{
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::temp_directory_path(error);
    if (error)
        return false;
    std::string pattern = (folder / "WAVXXXXXX").string();
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        return false;
    ::close(fd);
    name = pattern;
    return true;
}

int CWaveRecorder::AddTrack(DCsqTrack* track)
{
    auto* wave = plat::dynamicDowncast<DCsqWaveTrack>(track);
    if (!wave || !m_sequence || m_sequence->TestState(CSequence::stateRecording))
        return 0;
    const int device = m_sequence->GetInputWaveDevice();
    bool moved = false;
    {
        std::lock_guard lock(m_lock);
        for (Entry& entry : m_entries) {
            if (entry.device == device) {
                // One input records one track: the input moves to the new one.
                entry.track = wave;
                moved = true;
                break;
            }
        }
    }
    if (moved) {
        _UpdateRecordConfig();
        return 1;
    }
    CWavegate* manager = CWavegate::GetWavegate();
    if (!manager)
        return 0;
    manager->EnableDevice(CWavegate::WG_WAVE, CWavegate::WG_IN, device, 1);
    if (!manager->OpenDevice(CWavegate::WG_WAVE, CWavegate::WG_IN, device)) {
        manager->EnableDevice(CWavegate::WG_WAVE, CWavegate::WG_IN, device, 0);
        return 0;
    }
    const WG_DevFormat* format = manager->GetDeviceFormat(CWavegate::WG_WAVE, CWavegate::WG_IN, device);
    Entry entry;
    entry.device = device;
    entry.track = wave;
    // A format without a block size cannot be cut on a whole frame: nothing is recorded in it.
    if (!format || format->blockAlign == 0 || !_GetTempName(entry.fileName)) {
        CloseInput(device);
        return 0;
    }
    entry.writer = std::make_unique<CWaveFileWrite>();
    entry.writer->SetFilename(entry.fileName.c_str());
    entry.writer->SetFormat(format);
    if (!entry.writer->Open(0)) {
        DeleteFile(entry.fileName);
        CloseInput(device);
        return 0;
    }
    {
        std::lock_guard lock(m_lock);
        m_entries.push_back(std::move(entry));
    }
    _UpdateRecordConfig();
    return 1;
}

void CWaveRecorder::RemoveTrack(DCsqTrack* track)
{
    if (!m_sequence || m_sequence->TestState(CSequence::stateRecording))
        return;
    std::list<Entry> removed;
    {
        std::lock_guard lock(m_lock);
        for (auto it = m_entries.begin(); it != m_entries.end();) {
            auto next = std::next(it);
            if (it->track == track)
                removed.splice(removed.end(), m_entries, it);
            it = next;
        }
    }
    for (Entry& entry : removed) {
        CloseInput(entry.device);
        entry.writer->Close();
        DeleteFile(entry.fileName);
    }
    _UpdateRecordConfig();
}

std::string CWaveRecorder::GetFileName(const DCsqTrack* track)
{
    std::lock_guard lock(m_lock);
    for (const Entry& entry : m_entries)
        if (entry.track == track)
            return entry.fileName;
    return {};
}

uint32_t CWaveRecorder::GetSkipBytes(unsigned device)
{
    std::lock_guard lock(m_lock);
    for (const Entry& entry : m_entries)
        if (entry.device == static_cast<int>(device))
            return entry.skip;
    return 0;
}

int CWaveRecorder::TrackNumber(const DCsqTrack* track)
{
    ECConductor* conductor = m_sequence ? m_sequence->GetConductor() : nullptr;
    if (!conductor || !track)
        return 0;
    const int highest = conductor->GetMaxTrackNumber(ECConductor::waveTrack);
    for (int number = 1; number <= highest; ++number)
        if (DCsqTrack::GetTrackData(static_cast<unsigned>(number), ECConductor::waveTrack, m_sequence) == track)
            return number;
    return 0;
}

int CWaveRecorder::_IsRecordSet(int track)
{
    const DCsqTrack* data = m_sequence ? DCsqTrack::GetTrackData(static_cast<unsigned>(track), ECConductor::waveTrack, m_sequence) : nullptr;
    if (!data)
        return 0;
    std::lock_guard lock(m_lock);
    for (const Entry& entry : m_entries)
        if (entry.track == data)
            return 1;
    return 0;
}

void CWaveRecorder::_UpdateRecordConfig()
{
    ECConductor* conductor = m_sequence ? m_sequence->GetConductor() : nullptr;
    ECPerformance* performance = m_sequence ? m_sequence->GetPerformance() : nullptr;
    if (!conductor || !performance)
        return;
    auto* state = new SCTrack(kArmList);
    state->SetTrackType(ECConductor::waveTrack);
    const int highest = conductor->GetMaxTrackNumber(ECConductor::waveTrack);
    for (int track = 1; track <= highest; ++track) {
        if (_IsRecordSet(track))
            state->AddOnTrack(track);
        else
            state->AddOffTrack(track);
    }
    state->Apply(performance);
}

void CWaveRecorder::PrepareToRecord()
{
    if (!m_sequence || m_sequence->TestState(CSequence::stateRecording))
        return;
    const CWavegate* manager = CWavegate::GetWavegate();
    const MCTime start = m_sequence->GetStartPosition();
    // The lead-in in clock time along the tempo map, and one slice of the driver, which the
    // input runs ahead of the play.
    MCTime from = start;
    MCTime to(start.GetSeconds() + m_sequence->GetLeadInTime().GetSeconds());
    m_sequence->ClockTime(from);
    m_sequence->ClockTime(to);
    const double leadInMs = std::max(0.0, static_cast<double>(to.GetSeconds() - from.GetSeconds()) * 1000.0) +
                            (manager ? manager->GetPerformanceGranularity() : 0);
    std::vector<int> devices;
    {
        std::lock_guard lock(m_lock);
        for (Entry& entry : m_entries) {
            entry.start = start;
            entry.skipped = 0;
            const WG_DevFormat* format = entry.writer->GetFormat();
            const uint32_t block = format ? format->blockAlign : 0;
            const auto bytes = format ? static_cast<uint64_t>(leadInMs * format->avgBytesPerSec / 1000.0) : 0;
            entry.skip = block ? static_cast<uint32_t>(std::min<uint64_t>(bytes - bytes % block, UINT32_MAX - UINT32_MAX % block)) : 0;
            devices.push_back(entry.device);
        }
    }
    RunOnHomeThread([devices] {
        if (CWavegate* wavegate = CWavegate::GetWavegate())
            for (int device : devices)
                wavegate->StartDevice(CWavegate::WG_WAVE, CWavegate::WG_IN, device);
    });
}

void CWaveRecorder::RecordWaveData(unsigned device, CWGEventData* event)
{
    const WG_WaveHeader* header = event ? event->GetWaveHeader() : nullptr;
    if (!header || !header->data)
        return;
    std::lock_guard lock(m_lock);
    for (Entry& entry : m_entries) {
        if (entry.device != static_cast<int>(device))
            continue;
        const uint32_t recorded = std::min(header->bytesRecorded, header->bufferLength);
        if (entry.skipped < entry.skip) {
            const uint32_t left = entry.skip - entry.skipped;
            if (recorded <= left) {
                entry.skipped += recorded;
                return;
            }
            entry.skipped = entry.skip;
            // The part of the buffer past the lead-in.
            WG_WaveHeader rest = *header;
            rest.data = header->data + left;
            rest.bufferLength = header->bufferLength - left;
            rest.bytesRecorded = recorded - left;
            entry.writer->Write(&rest);
            return;
        }
        entry.writer->Write(header);
        return;
    }
}

void CWaveRecorder::Stop()
{
    if (!m_sequence || m_sequence->TestState(CSequence::stateRecordStopped))
        return;
    auto finished = std::make_shared<std::list<Entry>>();
    {
        std::lock_guard lock(m_lock);
        while (!m_entries.empty()) {
            finished->splice(finished->end(), m_entries, std::prev(m_entries.end()));
        }
    }
    if (finished->empty())
        return;
    // The inputs are closed and the files finished once the sequence's lock is let go.
    RunOnHomeThread([this, finished] {
        for (Entry& entry : *finished)
            Finish(entry);
        _UpdateRecordConfig();
    });
}

void CWaveRecorder::Finish(Entry& entry)
{
    CloseInput(entry.device);
    const long duration = entry.writer->GetDuration();
    entry.writer->Close();
    ECPerformance* performance = m_sequence ? m_sequence->GetPerformance() : nullptr;
    if (duration > 0 && performance) {
        auto* state = new SCWaveInfo(kWaveReady);
        state->SetFilename(entry.fileName);
        state->SetTrack(TrackNumber(entry.track));
        state->SetTime(entry.start);
        state->Apply(performance);
        _SetModified();
    } else {
        DeleteFile(entry.fileName);
    }
}

void CWaveRecorder::_SetModified()
{
    if (m_modifiedSent || !m_sequence || !m_sequence->GetPerformance())
        return;
    m_modifiedSent = 1;
    auto* state = new SCFile(kModifiedByRecording);
    state->Apply(m_sequence->GetPerformance());
}
