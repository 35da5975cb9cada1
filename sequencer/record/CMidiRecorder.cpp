#include "sequencer/record/CMidiRecorder.h"

#include "notabase/commands/CCAdd.h"
#include "notabase/commands/CCAddTrack.h"
#include "notabase/commands/CCRemove.h"
#include "notabase/commands/CCRemoveEnvPoint.h"
#include "notabase/commands/MCCommandList.h"
#include "notabase/commands/MCCommandMgr.h"
#include "notabase/model/ECNote.h"
#include "notabase/model/ECText.h"
#include "notabase/model/EventTypes.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/prefs/Preferences.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECStaff.h"
#include "notabase/states/SCFile.h"
#include "notabase/states/SCMode.h"
#include "platform/core/MessageLoop.h"
#include "platform/core/Resources.h"
#include "platform/core/Strings.h"
#include "sequencer/commands/CCAdvanceClock.h"
#include "sequencer/data/DCsqTrack.h"
#include "sequencer/layers/LCsqPreferences.h"
#include "sequencer/score/CMidiScoreMgr.h"
#include "sequencer/states/SCTrack.h"
#include "sequencer/transport/CSequence.h"
#include "sequencer/values/MCVoiceMap.h"
#include "wavegate/CWavegate.h"

#include <algorithm>
#include <functional>

namespace {

constexpr std::string_view kModule = "Sequencer";
constexpr plat::Resources::Entry kStrings[] = {
    {CMidiRecorder::kStepRecordName, "Add Note (step-record)"},
};
const plat::Resources::Registration s_strings(kModule, kStrings);

// The arm display of the tracks a pass records into.
constexpr int kArmList = 3404;
constexpr int kMuteList = 3405;
constexpr int kModifiedByRecording = 1306;
constexpr int kTupletMode = 66;
constexpr int kFilterPreferences = 5;

bool Unassigned(const MCVoiceTrack& entry)
{
    return entry.IsConverted() || entry.GetTrack() == MCVoiceTrack::noTrack;
}

// Whether an element of a staff counts as recorded material.
bool Recorded(int id)
{
    switch (id) {
    case EventId::Note:
    case EventId::GraceNote:
    case EventId::ChannelPressure:
    case EventId::ControlChange:
    case EventId::NRPNPoint:
    case EventId::PitchBend:
    case EventId::PolyPressure:
    case EventId::RPNPoint:
        return true;
    default:
        return false;
    }
}

// Visits the element's descendants, depth first; visit answers false to stop.
bool Walk(ECBase* element, const std::function<bool(ECBase*)>& visit)
{
    MCEventList* children = element ? element->GetChildren() : nullptr;
    if (!children)
        return true;
    for (ECBase* child : *children) {
        if (!visit(child) || !Walk(child, visit))
            return false;
    }
    return true;
}

}  // namespace

void CMidiRecorder::Attach(CSequence* sequence)
{
    m_sequence = sequence;
    m_homeLoop = &plat::MessageLoop::current();
    m_alive = std::make_shared<int>(0);
    m_scoreMgr = sequence ? &sequence->GetMidiScoreMgr() : nullptr;
    m_inputFilter = sequence ? plat::dynamicDowncast<LCsqPreferences>(sequence->GetInputFilter(kFilterPreferences)) : nullptr;
    const CWavegate* manager = CWavegate::GetWavegate();
    m_deviceCount = std::max(1, manager ? manager->GetDeviceCount(CWavegate::WG_MIDI, CWavegate::WG_IN) : 0);
    m_rows.assign(static_cast<size_t>(m_deviceCount), Row{});
    m_recordConfig = LoadIntPreference(kRecordSection, "Recording Configuration", 0);
    m_splitPitch = static_cast<unsigned>(LoadIntPreference(kRecordSection, "Split Pitch", 60));
    m_ignoresDevice = LoadIntPreference(kRecordSection, "Ignore Device", 1);
    _ConfigureRouting();
}

void CMidiRecorder::Detach()
{
    {
        std::lock_guard lock(m_pendingMutex);
        m_pending.clear();
        m_pendingPosted = false;
    }
    m_sequence = nullptr;
    m_scoreMgr = nullptr;
    m_inputFilter = nullptr;
    m_homeLoop = nullptr;
    m_alive.reset();
    m_deviceCount = 0;
    m_rows.clear();
}

int CMidiRecorder::FilterInput(const FCMidi& message) const
{
    auto* filter = m_sequence ? plat::dynamicDowncast<LCsqPreferences>(m_sequence->GetInputFilter(kFilterPreferences)) : nullptr;
    return filter ? filter->FilterEvent(message) : 0;
}

void CMidiRecorder::SetRecordConfig(int config)
{
    m_recordConfig = config;
    _ConfigureRouting();
}

void CMidiRecorder::SetIgnoresDevice(int ignores)
{
    m_ignoresDevice = ignores;
    _ConfigureRouting();
}

void CMidiRecorder::SelectBaseRecordingTrack(int track)
{
    if (track < 1) {
        m_baseTrack = 0;
        m_trackOffset = 0;
    } else {
        m_baseTrack = track;
        m_trackOffset = static_cast<unsigned>(track - 1);
    }
}

// ---- routing

int CMidiRecorder::LowChannel()
{
    return std::clamp(LoadIntPreference(kRecordSection, "Low Channel", 2) - 1, 0, 15);
}

int CMidiRecorder::_GetDefaultTracks() const
{
    switch (m_recordConfig) {
    case 2:
        return 2;
    case 4:
        return 6 + LowChannel();
    default:
        return 1;
    }
}

void CMidiRecorder::_ConfigureRouting()
{
    const int low = LowChannel();
    int nextTrack = 1;
    for (size_t d = 0; d < m_rows.size(); ++d) {
        const int dev = m_ignoresDevice ? 0 : static_cast<int>(d);
        Row& row = m_rows[d];
        for (int c = 0; c < 16; ++c) {
            auto& [lower, upper] = row[static_cast<size_t>(c)];
            lower = MCVoiceTrack();
            upper = MCVoiceTrack();
            switch (m_recordConfig) {
            case 1:
                if (c == 0)
                    lower = upper = MCVoiceTrack(0, 1 + 16 * dev);
                break;
            case 2:
                lower = MCVoiceTrack(0, 2 + 2 * dev);
                upper = MCVoiceTrack(0, 1 + 2 * dev);
                break;
            case 3:
                lower = MCVoiceTrack(1, 1 + dev);
                upper = MCVoiceTrack(0, 1 + dev);
                break;
            case 4:
                lower = upper = MCVoiceTrack(0, 1 + c + 16 * dev);
                break;
            case 5:
                break;
            default:
                lower = upper = MCVoiceTrack(0, 1 + dev);
                break;
            }
        }
        if (m_recordConfig != 5)
            continue;
        // One voice per channel from the low channel on, six or seven voices to a track.
        const int base = m_ignoresDevice ? 1 : nextTrack;
        int track = base;
        int voice = 0;
        for (int c = 0; c < 16; ++c) {
            auto& [lower, upper] = row[static_cast<size_t>(c)];
            if (c < low) {
                lower = upper = MCVoiceTrack(0, base);
                continue;
            }
            lower = upper = MCVoiceTrack(voice, track);
            ++voice;
            if (c == low + 5 || c == 2 * low + 11) {
                voice = 0;
                ++track;
            }
        }
        nextTrack = (voice == 0 ? track : track + 1);
    }
}

size_t CMidiRecorder::RowOf(unsigned device) const
{
    unsigned row = device;
    if (!m_ignoresDevice && m_sequence) {
        const auto input = static_cast<unsigned>(std::max(0, m_sequence->GetInputMidiDevice()));
        if (device == input)
            row = 0;
        else if (device == 0)
            row = input;
    }
    // A device the table has no row for (a preference naming a device that is gone) is routed
    // like device 0, never read past the table.
    return row < m_rows.size() ? row : 0;
}

void CMidiRecorder::SetBaseVoiceTrack(MCVoiceTrack voiceTrack, unsigned device, unsigned channel, int upper)
{
    if (device >= m_rows.size() || channel >= 16)
        return;
    m_rows[device][channel][upper ? 1 : 0] = voiceTrack;
}

MCVoiceTrack CMidiRecorder::GetBaseVoiceTrack(unsigned device, unsigned channel, unsigned pitch) const
{
    if (m_rows.empty())
        return MCVoiceTrack();
    return m_rows[RowOf(device)][channel & 0x0F][pitch >= m_splitPitch ? 1 : 0];
}

MCVoiceTrack CMidiRecorder::GetRealVoiceTrack(unsigned device, unsigned channel, unsigned pitch)
{
    MCVoiceTrack entry = GetBaseVoiceTrack(device, channel, pitch);
    if (Unassigned(entry) && !m_rows.empty()) {
        // A channel played for the first time gets a track of its own after the last one;
        // both halves of the row that was read route to it from now on.
        ECConductor* conductor = m_sequence ? m_sequence->GetConductor() : nullptr;
        const int highest = conductor ? conductor->GetMaxTrackNumber(ECConductor::staffTrack) : 0;
        entry = MCVoiceTrack(0, highest + 1 - static_cast<int>(m_trackOffset));
        auto& halves = m_rows[RowOf(device)][channel & 0x0F];
        halves[0] = halves[1] = entry;
    }
    const int track = entry.GetTrack() + static_cast<int>(m_trackOffset);
    int voice = entry.GetVoice();
    if (m_lowerVoice && voice == 1)
        voice = 4;
    voice += static_cast<int>(m_voiceOffset);
    if (voice >= 8)
        voice = 7;
    return MCVoiceTrack(voice, track);
}

// ---- recording

void CMidiRecorder::RecordMidiChannelMessage(unsigned device, uint32_t message, uint32_t ms)
{
    if (!m_sequence)
        return;
    // Where the message falls is taken as it arrives, by the timing in force then.
    const Arrival arrival = ArrivalAt(device, message, ms);
    if (!m_homeLoop || m_homeLoop->isOwnerThread()) {
        RecordPending();
        Record(arrival);
        return;
    }
    // The score is changed on the document's thread only: the recording thread queues the
    // message and never waits for that thread, which may itself be waiting for the recording
    // lock (a stop) while the message comes in.
    {
        std::lock_guard lock(m_pendingMutex);
        m_pending.push_back(arrival);
        if (m_pendingPosted)
            return;
        m_pendingPosted = true;
    }
    m_homeLoop->postTask([this, alive = std::weak_ptr<int>(m_alive)] {
        if (!alive.expired())
            RecordPending();
    });
}

CMidiRecorder::Arrival CMidiRecorder::ArrivalAt(unsigned device, uint32_t message, uint32_t ms) const
{
    Arrival arrival{device, FCMidi(message), MCTime(static_cast<float>(ms) / 1000.0f), false, false};
    arrival.time.SetMode(MCTime::absolute);
    m_sequence->NormalizeTime(arrival.time);
    arrival.leadIn = m_sequence->TestState(CSequence::stateRecordLeadIn) != 0;
    return arrival;
}

void CMidiRecorder::EndHeldNotes()
{
    const CWavegate* manager = CWavegate::GetWavegate();
    if (!m_sequence || !m_scoreMgr || !manager)
        return;
    const uint32_t now = manager->GetElapsedPlayTime();
    for (const uint32_t key : m_scoreMgr->GetPendingNoteKeys()) {
        const uint32_t off = 0x80u | ((key >> 8) & 0x0Fu) | (key & 0x7Fu) << 8;
        Record(ArrivalAt(key >> 16, off, now));
    }
}

void CMidiRecorder::RecordPending()
{
    std::vector<Arrival> pending;
    {
        std::lock_guard lock(m_pendingMutex);
        pending.swap(m_pending);
        m_pendingPosted = false;
    }
    for (const Arrival& arrival : pending)
        Record(arrival);
}

void CMidiRecorder::StepRecordRest()
{
    RecordPending();
    Record(Arrival{0, FCMidi::MidiNull(), MCTime(0.0f), false, true});
}

void CMidiRecorder::Record(const Arrival& arrival)
{
    if (!m_sequence || !m_scoreMgr)
        return;
    ECPerformance* performance = m_sequence->GetPerformance();
    if (!performance)
        return;
    const FCMidi* message = arrival.rest ? nullptr : &arrival.message;
    MCTime time = arrival.time;
    MCTime duration = MCTime::TimeNull();
    if (message && m_inputFilter && m_inputFilter->FilterEvent(*message))
        return;

    const bool stepping = m_sequence->TestState(CSequence::stateStepRecording) != 0;
    // A rest means something only to step recording.
    if (!message && !stepping)
        return;
    if (stepping) {
        const bool noteOn = message && message->IsNoteOn();
        const bool noteOff = message && message->IsNoteOff();
        if (message && message->HasData() && !noteOn && !noteOff)
            return;
        if (noteOn) {
            ++m_heldKeys;
        } else if (noteOff) {
            if (m_heldKeys > 0 && --m_heldKeys == 0)
                MCCommandMgr::EndUndo(performance);
            return;
        }
        if (m_heldKeys == 1 || !message) {
            std::string name;
            {
                const plat::Resources::ModuleSwitch table(kModule);
                name = plat::Resources::string(kStepRecordName);
            }
            MCCommandMgr::BeginUndo(performance, name);
            m_chordTime = m_sequence->GetStepRecordTime();
            const MCTime next = m_chordTime + m_sequence->GetStepRecordDuration();
            auto* advance = new CCAdvanceClock;
            advance->SetCurrentTime(m_chordTime);
            advance->SetNextTime(next);
            advance->SetSequence(m_sequence);
            advance->Apply(performance);
            if (!message) {
                MCCommandMgr::EndUndo(performance);
                return;
            }
        }
        time = m_chordTime;
        MCTime step = m_sequence->GetStepRecordDuration();
        duration = ECNote::ScaleDuration(&step, 0);
    } else {
        const MCTime allowance = m_sequence->GetPreRecordAllowance();
        const float early = allowance.GetSeconds();
        if (arrival.leadIn) {
            time = MCTime(time.GetSeconds() - m_sequence->GetLeadInTime().GetSeconds());
            const MCTime start = m_sequence->GetStartPosition();
            if (time.GetSeconds() + early >= start.GetSeconds())
                time = start;
            else
                return;
        }
        if (m_sequence->RecordRegionEnabled()) {
            MCTime begin;
            MCTime end;
            m_sequence->GetRecordRegion(begin, end);
            if (time.GetSeconds() < begin.GetSeconds()) {
                if (time.GetSeconds() + early >= begin.GetSeconds())
                    time = begin;
                else
                    return;
            }
            if (time.GetSeconds() >= end.GetSeconds() && !message->IsNoteOff())
                return;
        } else if (time.GetSeconds() < 0.0f) {
            if (time.GetSeconds() + early >= 0.0f)
                time = MCTime(0.0f);
            else
                return;
        }
    }

    const uint8_t kind = message->GetStatusMSB();
    const bool keyed = kind == 0x90 || kind == 0x80 || kind == 0xA0;
    const unsigned pitch = keyed ? message->GetDataByte1() : 0;
    const unsigned velocity = keyed ? message->GetDataByte2() : 0;
    const MCVoiceTrack voiceTrack = GetRealVoiceTrack(arrival.device, message->GetStatusLSB(), pitch);

    if (stepping) {
        if (SCMode::GetEventType() == kTupletMode)
            m_scoreMgr->AddTupletEvent(time, voiceTrack, *message, static_cast<int>(arrival.device), duration);
        else
            m_scoreMgr->AddMidiEvent(time, voiceTrack, *message, static_cast<int>(arrival.device), duration);
    } else {
        FCMidi placed(*message);
        // Notes are quantized when their note off arrives; everything else, the pressure of
        // a key too, is placed as it comes.
        if (!message->IsNote() && m_quantizer.IsEnabled())
            m_quantizer.QuantizeEvent(placed, time, voiceTrack);
        MCCommandMgr::BeginNotify(performance);
        m_scoreMgr->AddMidiEvent(time, voiceTrack, placed, static_cast<int>(arrival.device), duration);
        MCCommandMgr::EndNotify(performance);
        m_sequence->GetMeterLevelMgr().SetMeterLevel(static_cast<unsigned>(voiceTrack.GetTrack()), velocity, 0);
    }
    _SetModified();
    m_lastTime = time;
}

void CMidiRecorder::_SetModified()
{
    if (m_modifiedSent || !m_sequence || !m_sequence->GetPerformance())
        return;
    m_modifiedSent = 1;
    // Posted: the recording thread never waits for the document's thread.
    auto* state = new SCFile(kModifiedByRecording);
    state->SetSynchronous(0);
    state->Apply(m_sequence->GetPerformance());
}

// ---- passes

int CMidiRecorder::_FindNextEmptyTrack(int from)
{
    ECConductor* conductor = m_sequence ? m_sequence->GetConductor() : nullptr;
    if (!conductor)
        return -1;
    const int highest = conductor->GetMaxTrackNumber(ECConductor::staffTrack);
    for (int track = std::max(1, from); track <= highest; ++track) {
        ECTrack* staff = conductor->GetTrack(ECConductor::staffTrack, track, 0);
        if (!staff)
            continue;
        if (Walk(staff, [](ECBase* element) { return !Recorded(element->GetEventId()); }))
            return track;
    }
    return -1;
}

void CMidiRecorder::PrepareToRecord()
{
    if (!m_sequence)
        return;
    if (!m_sequence->TestState(CSequence::stateStepRecording))
        m_quantizer.PrepareQuantization();
    if (m_sequence->GetRecordLoopCount() != 0)
        _PrepareInLoop();
    else
        _PrepareNewTracks(0);
    if (m_thruOnRecord && m_baseTrack > 0) {
        const DCsqTrack* data = DCsqTrack::GetTrackData(static_cast<unsigned>(m_baseTrack), ECConductor::staffTrack, m_sequence);
        const MCVoiceMap* map = data ? const_cast<DCsqTrack*>(data)->GetVoiceMap(0) : nullptr;
        if (CWavegate* manager = CWavegate::GetWavegate(); manager && map)
            manager->ConnectMidiThru(static_cast<int>(map->GetDevice()), static_cast<int>(map->GetChannel()));
    }
}

void CMidiRecorder::_PrepareNewTracks(int inLoop)
{
    ECConductor* conductor = m_sequence ? m_sequence->GetConductor() : nullptr;
    if (!conductor)
        return;
    m_thruOnRecord = LoadIntPreference("Sequencer\\Midi\\Thru", "AutoSetRecord", 1);
    int base = m_baseTrack;
    if (inLoop)
        base = _FindNextEmptyTrack(m_lastTrack + 1);
    else if (base < 1)
        base = _FindNextEmptyTrack(1);
    int firstInsert = 0;
    if (base < 1) {
        base = conductor->GetMaxTrackNumber(ECConductor::staffTrack) + 1;
        firstInsert = base;
    }
    SelectBaseRecordingTrack(base);
    m_lastTrack = base + _GetDefaultTracks() - 1;
    if (!firstInsert) {
        for (int track = base + 1; track <= m_lastTrack; ++track) {
            ECTrack* staff = conductor->GetTrack(ECConductor::staffTrack, track, 0);
            if (!staff || !Walk(staff, [](ECBase* element) { return !Recorded(element->GetEventId()); })) {
                firstInsert = track;
                break;
            }
        }
    }
    if (firstInsert)
        _InsertTracks(firstInsert, m_lastTrack - firstInsert + 1);
    m_highestAtPrepare = conductor->GetMaxTrackNumber(ECConductor::staffTrack);
    if (m_recordConfig == 3) {
        auto* staff = plat::dynamicDowncast<ECStaff>(conductor->GetTrack(ECConductor::staffTrack, base, 0));
        if (staff && staff->GetStaffType() == 1)
            m_lowerVoice = 1;
    }
    if (m_sequence->RecordReplaceEnabled() && !m_sequence->TestState(CSequence::stateStepRecording))
        _ClearTrack(base);
    ApplyArming(false);
}

void CMidiRecorder::ApplyArming(bool allOff)
{
    ECConductor* conductor = m_sequence ? m_sequence->GetConductor() : nullptr;
    ECPerformance* performance = m_sequence ? m_sequence->GetPerformance() : nullptr;
    if (!conductor || !performance)
        return;
    auto* state = new SCTrack(kArmList);
    state->SetTrackType(ECConductor::staffTrack);
    const int highest = conductor->GetMaxTrackNumber(ECConductor::staffTrack);
    for (int track = 1; track <= highest; ++track) {
        if (!allOff && track >= m_baseTrack && track <= m_lastTrack)
            state->AddOnTrack(track);
        else
            state->AddOffTrack(track);
    }
    state->Apply(performance);
}

void CMidiRecorder::_PrepareInLoop()
{
    ECConductor* conductor = m_sequence ? m_sequence->GetConductor() : nullptr;
    if (!conductor)
        return;
    m_heldKeys = 0;
    const int highest = conductor->GetMaxTrackNumber(ECConductor::staffTrack);
    if (m_sequence->LoopRecordSameTrackEnabled()) {
        if (!m_sequence->RecordReplaceEnabled())
            return;
        for (int track = m_baseTrack; track <= m_lastTrack; ++track)
            _ClearTrack(track);
        for (int track = m_highestAtPrepare + 1; track <= highest; ++track)
            _ClearTrack(track);
        return;
    }
    if (m_sequence->LoopRecordAutoMuteEnabled()) {
        auto* state = new SCTrack(kMuteList);
        state->SetTrackType(ECConductor::staffTrack);
        for (int track = m_baseTrack; track <= m_lastTrack; ++track)
            state->AddMuteTrack(track);
        for (int track = m_highestAtPrepare + 1; track <= highest; ++track)
            state->AddMuteTrack(track);
        state->Apply(m_sequence->GetPerformance());
    }
    _PrepareNewTracks(1);
}

void CMidiRecorder::_InsertTracks(int first, int count)
{
    if (!m_homeLoop || m_homeLoop->isOwnerThread()) {
        InsertTracksNow(first, count);
        return;
    }
    // A later pass of loop recording is prepared by the performance callback, which must not
    // wait for the document's thread: the tracks are made there.
    m_homeLoop->postTask([this, first, count, alive = std::weak_ptr<int>(m_alive)] {
        if (!alive.expired())
            InsertTracksNow(first, count);
    });
}

void CMidiRecorder::InsertTracksNow(int first, int count)
{
    ECPerformance* performance = m_sequence ? m_sequence->GetPerformance() : nullptr;
    ECConductor* conductor = m_sequence ? m_sequence->GetConductor() : nullptr;
    if (!performance || !conductor || count < 1)
        return;
    MCCommandMgr::BeginNotify(performance);
    auto* add = new CCAddTrack;
    add->AddMidiTrack(0, count);
    add->SetInsertPosition(first > conductor->GetMaxTrackNumber(ECConductor::staffTrack) ? -1 : first);
    add->SetSynchronous(1);
    add->Apply(performance);
    MCCommandMgr::EndNotify(performance);
    const int highest = conductor->GetMaxTrackNumber(ECConductor::staffTrack);
    for (int track = 1; track <= highest; ++track) {
        ECTrack* staff = conductor->GetTrack(ECConductor::staffTrack, track, 0);
        const DCsqTrack* data = DCsqTrack::GetTrackData(static_cast<unsigned>(track), ECConductor::staffTrack, m_sequence);
        if (!staff || !data || data->GetTrackName())
            continue;
        auto* name = new ECText(3, plat::format("Track %d", track));
        name->SetTime(&MCTime::TimeZero());
        name->SetVoiceTrack(0, track);
        auto* command = new CCAdd;
        command->Add(name, staff, FCMidi::MidiNull());
        command->SetSynchronous(1);
        command->Apply(performance);
    }
}

void CMidiRecorder::_ClearTrack(int track)
{
    ECConductor* conductor = m_sequence ? m_sequence->GetConductor() : nullptr;
    ECPerformance* performance = m_sequence ? m_sequence->GetPerformance() : nullptr;
    ECTrack* staff = conductor ? conductor->GetTrack(ECConductor::staffTrack, track, 0) : nullptr;
    if (!staff || !performance)
        return;
    MCTime begin;
    MCTime end;
    if (m_sequence->RecordRegionEnabled()) {
        m_sequence->GetRecordRegion(begin, end);
    } else {
        begin = m_sequence->GetStartPosition();
        end = conductor->GetMaxMeasureEndTime();
    }
    auto* notes = new CCRemove;
    auto* points = new CCRemoveEnvPoint;
    int noteCount = 0;
    int pointCount = 0;
    Walk(staff, [&](ECBase* element) {
        const int id = element->GetEventId();
        const MCTime* at = element->GetTime();
        if (!Recorded(id) || !at || at->GetSeconds() < begin.GetSeconds() || !(at->GetSeconds() < end.GetSeconds()))
            return true;
        if (id == EventId::Note || id == EventId::GraceNote) {
            notes->Remove(element);
            ++noteCount;
        } else {
            points->Remove(element);
            ++pointCount;
        }
        return true;
    });
    MCCommandList list;
    if (noteCount)
        list.AddTail(notes);
    else
        notes->Unref(1);
    if (pointCount)
        list.AddTail(points);
    else
        points->Unref(1);
    if (!list.IsEmpty())
        MCCommandMgr::ApplyCommands(&list, performance);
    list.RemoveAll();
}

void CMidiRecorder::Stop()
{
    // What came in before the stop is recorded.
    RecordPending();
    EndHeldNotes();
    if (m_scoreMgr) {
        m_scoreMgr->CapMeasures(m_lastTime);
        m_scoreMgr->ClearPendingEvents();
    }
    if (m_sequence && m_sequence->GetConductor() && m_sequence->GetPerformance())
        ApplyArming(true);
    m_baseTrack = 0;
    m_lastTrack = 0;
    m_highestAtPrepare = 0;
    m_trackOffset = 0;
    m_modifiedSent = 0;
    m_heldKeys = 0;
    m_thruOnRecord = 0;
    m_lowerVoice = 0;
    m_lastTime = MCTime(0.0f);
}

void CMidiRecorder::Pause()
{
    RecordPending();
    EndHeldNotes();
    if (m_scoreMgr)
        m_scoreMgr->ClearPendingEvents();
}
