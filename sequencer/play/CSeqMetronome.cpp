#include "sequencer/play/CSeqMetronome.h"

#include "notabase/model/ECMeter.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/score/ECConductor.h"
#include "notabase/states/SCTime.h"
#include "platform/core/Trace.h"
#include "platform/media/Backend.h"
#include "sequencer/events/CSeqEvent.h"
#include "sequencer/transport/CSequence.h"
#include "wavegate/CWavegate.h"

#include <cmath>

PLAT_IMPLEMENT_DYNAMIC(CSeqMetronome, CSeqPlay)

namespace {

constexpr uint32_t kPlayOrLeadIn = CSequence::statePlaying | CSequence::statePlayLeadIn;
constexpr uint32_t kLeadIn = CSequence::statePlayLeadIn | CSequence::stateRecordLeadIn;
constexpr uint32_t kResting = CSequence::stateStopped | CSequence::stateStopping | CSequence::statePaused |
                              CSequence::statePausing;
constexpr int kTimeCode = 1900;
constexpr int kLeadInCode = 1902;

std::mutex s_beepLock;
std::function<void()> s_beep;

void Beep()
{
    std::function<void()> beep;
    {
        std::lock_guard lock(s_beepLock);
        beep = s_beep;
    }
    if (beep)
        beep();
}

MCTime Absolute(float seconds)
{
    MCTime time(seconds);
    time.SetMode(MCTime::absolute);
    return time;
}

}  // namespace

void CSeqMetronome::SetBeepHook(std::function<void()> hook)
{
    std::lock_guard lock(s_beepLock);
    s_beep = std::move(hook);
}

CSeqMetronome::CSeqMetronome()
{
    if (!InitializeThread())
        plat::trace("CSeqMetronome -- no click thread: clicks are not announced\n");
}

CSeqMetronome::~CSeqMetronome()
{
    _ExitThread();
}

bool CSeqMetronome::InitializeThread()
{
    return m_thread.start(
        [this] {
            m_window = std::make_unique<plat::MessageWindow>(
                "CSeqMetronome", [this](plat::MessageId id, uintptr_t wParam, intptr_t lParam) { return WndProc(id, wParam, lParam); });
            std::lock_guard lock(m_lock);
            m_windowRef = m_window->ref();
        },
        [this] {
            {
                std::lock_guard lock(m_lock);
                m_windowRef = {};
            }
            m_window.reset();
        });
}

void CSeqMetronome::_ExitThread()
{
    // No click is handled from here on; the handler waits on nothing of this thread, so the
    // lock is never held across the join.
    {
        std::lock_guard lock(m_lock);
        m_exiting = true;
    }
    m_thread.quit();
    m_thread.join();
}

plat::WindowRef CSeqMetronome::GetHWnd() const
{
    std::lock_guard lock(const_cast<std::recursive_mutex&>(m_lock));
    return m_windowRef;
}

void CSeqMetronome::Attach(CSequence* sequence)
{
    std::lock_guard lock(m_lock);
    CSeqPlay::Attach(sequence);
}

void CSeqMetronome::Detach()
{
    std::lock_guard lock(m_lock);
    CSeqPlay::Detach();
}

intptr_t CSeqMetronome::WndProc(plat::MessageId id, uintptr_t wParam, intptr_t lParam)
{
    if (id != kClickMessage)
        return 0;
    std::lock_guard lock(m_lock);
    if (!m_exiting)
        _MetroTimerProc(static_cast<uint32_t>(wParam), static_cast<int32_t>(lParam));
    return 0;
}

bool CSeqMetronome::InLeadIn() const
{
    return GetSequence() && GetSequence()->TestState(kLeadIn);
}

int CSeqMetronome::Audible() const
{
    CSequence* sequence = GetSequence();
    if (!sequence)
        return 0;
    return ((sequence->TestState(kPlayOrLeadIn) && m_playEnabled) ||
            (sequence->TestState(CSequence::stateRecording | CSequence::stateRecordLeadIn) && m_recordEnabled))
               ? 1
               : 0;
}

void CSeqMetronome::_GetMeterInformation(const MCTime& time)
{
    CSequence* sequence = GetSequence();
    ECConductor* conductor = sequence ? sequence->GetConductor() : nullptr;
    const MCTime at = InLeadIn() ? sequence->GetLocation() : time;
    ECMeter* meter = conductor ? conductor->GetMeterAtTime(at) : nullptr;
    if (!meter || meter->GetPulse() <= 0.0f) {
        // A piece without meters counts in quarter notes, four to the bar.
        m_pulseLength = 1.0f;
        m_pulsesPerBar = 4;
        return;
    }
    m_pulseLength = meter->GetPulse();
    m_pulsesPerBar = std::max(1, static_cast<int>(std::lround(meter->GetMeasureLength() / m_pulseLength)));
}

void CSeqMetronome::PrepareToPlay()
{
    CSeqPlay::PrepareToPlay();
    CSequence* sequence = GetSequence();
    if (!sequence)
        return;
    const MCTime location = sequence->GetLocation();
    _GetMeterInformation(location);
    m_leadInLeft = InLeadIn() ? sequence->GetNumLeadInMeasures() : 0;
    MCTime position = location;
    sequence->BarPulseTickTime(position);
    const BPTTime* bpt = position.GetBarPulseTick();
    if (!bpt) {
        const auto pulse = static_cast<long>(std::ceil(location.GetSeconds() / m_pulseLength - 0.0001f));
        m_pulseIndex = static_cast<int>(pulse % m_pulsesPerBar);
        m_nextClick = MCTime(static_cast<float>(pulse) * m_pulseLength);
        return;
    }
    int bar = bpt->bar;
    int pulse = bpt->pulse;
    if (bpt->tick != 0) {
        m_pulseIndex = pulse + 1;
        if (m_pulseIndex < m_pulsesPerBar) {
            ++pulse;
        } else {
            m_pulseIndex = 0;
            ++bar;
            pulse = 0;
        }
    } else {
        m_pulseIndex = pulse;
    }
    MCTime next;
    next.SetBarPulseTick(bar, pulse, 0, bpt->ppq);
    sequence->NormalizeTime(next);
    m_nextClick = next.GetMode() == MCTime::normal ? next : MCTime(location.GetSeconds());
}

void CSeqMetronome::PrepareToStop()
{
    CSeqPlay::PrepareToStop(1);
    DropClock();
}

void CSeqMetronome::PrepareToPause()
{
    CSeqPlay::PrepareToStop(0);
    DropClock();
}

void CSeqMetronome::DropClock()
{
    // The player sends the stop of the MIDI clock; the clicks send none of their own.
    std::erase_if(PendingEvents(), [](const std::unique_ptr<CSeqEvent>& event) {
        return event->GetDataType() == CSeqEvent::typeTiming;
    });
}

CWGEventList& CSeqMetronome::GetOutputState(const MCTime&)
{
    return OutputRecords();
}

CWGEventList& CSeqMetronome::GetOutputEvents(const MCTime& until, int finishing, int& done)
{
    done = 0;
    CWGEventList& output = OutputRecords();
    CSequence* sequence = GetSequence();
    if (!sequence) {
        done = finishing ? 1 : 0;
        return output;
    }
    m_audible = Audible();
    CSeqEventList clicks;
    if (!finishing) {
        const CWavegate* manager = CWavegate::GetWavegate();
        const long elapsed = manager ? static_cast<long>(manager->GetElapsedPlayTime()) : 0;
        plat::media::TimerService& timers = plat::media::Backend::instance().timers();
        const plat::WindowRef window = GetHWnd();
        const bool leadIn = InLeadIn();
        while (m_pulsesPerBar > 0 && sequence->TimeInCurrentWindow(&m_nextClick) <= 0) {
            MCTime at = m_nextClick;
            sequence->AbsoluteTime(at);
            const long delay = at.GetMSec() - elapsed;
            if (delay >= 1) {
                const auto pulse = static_cast<uintptr_t>(m_pulseIndex);
                const auto value = static_cast<intptr_t>(
                    leadIn ? m_leadInLeft : static_cast<int32_t>(m_nextClick.GetSeconds() * 1000.0f + 0.5f));
                const uint32_t timer = timers.setOneShot(static_cast<uint32_t>(delay), 0, [window, pulse, value] {
                    if (window.isAlive())
                        window.post(kClickMessage, pulse, value);
                });
                if (timer == 0)
                    break;
                if (m_audible && m_midi) {
                    const FCMidi& click = m_pulseIndex == 0 ? m_primary : m_secondary;
                    FCMidi release(click);
                    release.SetDataByte2(0);
                    auto on = std::make_unique<CSeqEvent>();
                    on->SetMidiEvent(click, nullptr, nullptr, at, MCVoiceTrack());
                    auto off = std::make_unique<CSeqEvent>();
                    off->SetMidiEvent(release, nullptr, nullptr, Absolute(at.GetSeconds() + kReleaseSeconds), MCVoiceTrack());
                    clicks.push_back(std::move(on));
                    clicks.push_back(std::move(off));
                }
            }
            m_nextClick = MCTime(m_nextClick.GetSeconds() + m_pulseLength);
            if (++m_pulseIndex >= m_pulsesPerBar) {
                // A meter change takes effect at the bar line.
                m_pulseIndex = 0;
                --m_leadInLeft;
                _GetMeterInformation(m_nextClick);
            }
        }
    }
    CSeqEventList& pending = PendingEvents();
    clicks.splice(clicks.end(), pending);
    for (auto& event : clicks) {
        if (event->GetTimeStamp().GetSeconds() < until.GetSeconds())
            event->ConvertData(output, static_cast<int>(m_device));
        else
            pending.push_back(std::move(event));
    }
    if (finishing && pending.empty())
        done = 1;
    return output;
}

void CSeqMetronome::_MetroTimerProc(uint32_t pulseIndex, int32_t value)
{
    CSequence* sequence = GetSequence();
    ECPerformance* performance = sequence ? sequence->GetPerformance() : nullptr;
    if (!performance || performance != ECPerformance::GetActivePerformance() || sequence->TestState(kResting))
        return;
    if (SCTime::GetLiveCount() < kMaxTimeStates) {
        SCTime* state = nullptr;
        if (InLeadIn()) {
            state = new SCTime(kLeadInCode, static_cast<int>(pulseIndex), -(value + 1));
        } else {
            MCTime time;
            time.SetMSec(value);
            state = new SCTime(kTimeCode, time);
        }
        // Posted: this thread never waits for the document's thread, which may be waiting for
        // it (a stop, or the end of the sequence).
        state->SetSynchronous(0);
        state->Apply(performance);
    }
    m_audible = ((sequence->TestState(kPlayOrLeadIn) && m_playEnabled) ||
                (sequence->TestState(CSequence::stateRecording) && m_recordEnabled) ||
                 (sequence->TestState(CSequence::stateRecordLeadIn) && m_recordEnabled)) ? 1 : 0;
    if (m_audible && !m_midi)
        Beep();
}
