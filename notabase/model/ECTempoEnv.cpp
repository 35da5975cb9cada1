#include "notabase/model/ECTempoEnv.h"

#include "notabase/model/ECTempo.h"
#include "notabase/model/EventTypes.h"
#include "notabase/model/MCEventList.h"
#include "platform/core/Archive.h"

#include <algorithm>
#include <cmath>

PLAT_IMPLEMENT_SERIAL(ECTempoEnv, ECEnvelope, plat::kVersionableSchema | 2)

namespace {

double timeOf(ECTempo* mark)
{
    return mark->GetTime()->GetSeconds();
}

bool isRamp(const ECTempo* mark)
{
    return mark->GetStyle() != ECEnvPoint::styleStep;
}

// The rate of change of the rate (quarter notes per second, per second) of a ramp from one mark
// to the next; 0 makes the segment a step. A ramp gains rate at (next rate - rate) / (quarter
// notes between them) per second. A slowing ramp so steep that at that pace the music would stop
// before the next mark (the clock time there would be the square root of a negative number)
// slows evenly from the one rate to the other instead, which always arrives.
double rampAcceleration(ECTempo* from, ECTempo* to)
{
    double span = timeOf(to) - timeOf(from);
    if (span == 0.0)
        span = 1.0;
    const double v0 = from->GetRate();
    const double v1 = to->GetRate();
    const double a = (v1 - v0) / span;
    if (v0 * v0 + 2.0 * a * span >= 0.0)
        return a;
    return (v1 * v1 - v0 * v0) / (2.0 * span);
}

// Seconds to cover `quarters` from a mark at its rate, gaining `acceleration`. The root is taken
// in the form 2x / (v + sqrt(v^2 + 2ax)), the same value as (-v + sqrt(v^2 + 2ax)) / a without
// cancelling digits on gentle ramps.
double secondsOnRamp(double rate, double acceleration, double quarters)
{
    const double radicand = std::max(0.0, rate * rate + 2.0 * acceleration * quarters);
    const double denominator = rate + std::sqrt(radicand);
    return denominator > 0.0 ? 2.0 * quarters / denominator : 0.0;
}

MCTime clockTime(double seconds)
{
    MCTime time(static_cast<float>(seconds));
    time.SetMode(MCTime::clock);
    return time;
}

}  // namespace

ECTempoEnv::ECTempoEnv()
{
    SetDefaultValue(60.0f);
    SetLimits(20.0f, 400.0f);
    SetIntValued(0);
}

ECTempoEnv::ECTempoEnv(const ECTempoEnv& other) : ECEnvelope(other)
{
}

ECTempoEnv& ECTempoEnv::operator=(const ECTempoEnv& other)
{
    if (this != &other)
        ECEnvelope::operator=(other);
    return *this;
}

ECBase* ECTempoEnv::Copy(plat::Object* other)
{
    if (auto* map = plat::dynamicDowncast<ECTempoEnv>(other))
        *this = *map;
    return this;
}

int ECTempoEnv::GetEventId() const
{
    return EventId::TempoEnv;
}

int ECTempoEnv::GetParentTypes(std::vector<int>& types) const
{
    types.push_back(EventId::ConductorStaff);
    return static_cast<int>(types.size());
}

int ECTempoEnv::AddChild(ECBase* child, int sorted)
{
    // Clock time is counted through tempo marks; a map of anything else has none.
    if (!plat::dynamicDowncast<ECTempo>(child))
        return 0;
    if (!ECEnvelope::AddChild(child, sorted))
        return 0;
    child->SetVoiceTrack(GetVoiceTrack());
    auto* mark = static_cast<ECTempo*>(child);
    if (ECTempo::IsPauseTempo(mark->GetTempoType()))
        m_mayHavePauses = true;
    // The mark and the one whose place it took hang on the mark before them.
    if (m_mayHavePauses) {
        notePause(mark);
        if (ECEnvPoint* next = GetPointAfter(*mark->GetTime()))
            notePlace(next);
    }
    placesChanged();
    return 1;
}

int ECTempoEnv::RemoveChild(ECBase* child, int recursive)
{
    const plat::RefPtr<ECBase> hold(child);
    const MCTime time = child->GetTime() ? *child->GetTime() : MCTime::TimeZero();
    if (!ECEnvelope::RemoveChild(child, recursive))
        return 0;
    // The marks of a group it headed and the mark that took its place.
    if (m_mayHavePauses) {
        if (const MCEventList* group = GetAnchorGroup(static_cast<ECEnvPoint*>(child)); group && group->GetHead() == child) {
            for (ECBase* member : *group)
                notePause(member);
        }
        if (ECEnvPoint* next = GetPointAfterEqual(time))
            notePlace(next);
    }
    placesChanged();
    return 1;
}

int ECTempoEnv::RemoveChildren(int recursive)
{
    if (!ECEnvelope::RemoveChildren(recursive))
        return 0;
    m_pausesDue.clear();
    MarksChanged();
    return 1;
}

void ECTempoEnv::unlinkAfterFailedLoad()
{
    m_marks.clear();
    m_pausesDue.clear();
    ECEnvelope::unlinkAfterFailedLoad();
}

void ECTempoEnv::Serialize(plat::Archive& archive)
{
    ECEnvelope::Serialize(archive);
    if (archive.isStoring())
        return;
    for (ECBase* point : *GetChildren()) {
        if (!plat::dynamicDowncast<ECTempo>(point))
            throw plat::ArchiveError(plat::ArchiveError::Cause::badClass, "a tempo map holding a point that is not a tempo mark");
    }
    RecalculateClockTimes();
}

double ECTempoEnv::clockOf(const ECTempo* mark)
{
    return mark->m_clockTime.GetSeconds();
}

void ECTempoEnv::rebuildMarks()
{
    m_marks.clear();
    for (ECBase* point : *GetChildren())
        m_marks.push_back(static_cast<ECTempo*>(point));
}

const std::vector<ECTempo*>& ECTempoEnv::marks()
{
    if (m_marks.size() != static_cast<size_t>(GetChildren()->GetCount()))
        rebuildMarks();
    return m_marks;
}

void ECTempoEnv::RecalculateClockTimes()
{
    if (m_batchDepth > 0) {
        m_pausesStale = true;
        m_clocksStale = true;
        pinFirstMark();
        return;
    }
    recalculate();
}

void ECTempoEnv::MarksChanged()
{
    pinFirstMark();
    m_clocksStale = true;
    if (!m_mayHavePauses)
        return;
    if (m_batchDepth > 0)
        m_pausesStale = true;
    else
        setPauseTempos();
}

void ECTempoEnv::GroupChanged(const MCEventList& group)
{
    for (ECBase* mark : group)
        notePause(mark);
    placesChanged();
}

void ECTempoEnv::placesChanged()
{
    pinFirstMark();
    m_clocksStale = true;
    if (m_batchDepth == 0 && !m_pausesDue.empty())
        settlePauses();
}

void ECTempoEnv::EndBatch()
{
    if (m_batchDepth > 0 && --m_batchDepth == 0) {
        if (m_pausesStale)
            setPauseTempos();
        else if (!m_pausesDue.empty())
            settlePauses();
    }
}

void ECTempoEnv::UpdateClockTimes()
{
    if (m_pausesStale)
        setPauseTempos();
    else if (!m_pausesDue.empty())
        settlePauses();
    if (m_clocksStale)
        setClockTimes();
}

void ECTempoEnv::pinFirstMark()
{
    const MCEventList& points = *GetChildren();
    if (points.IsEmpty())
        return;
    ECBase* first = points.GetHead();
    if (first->GetTime() && *first->GetTime() > MCTime::TimeZero())
        first->SetTime(&MCTime::TimeZero());
}

void ECTempoEnv::recalculate()
{
    setPauseTempos();
    setClockTimes();
}

void ECTempoEnv::setPauseTempos()
{
    m_pausesStale = false;
    m_mayHavePauses = false;
    m_pausesDue.clear();
    rebuildMarks();
    for (ECTempo* mark : m_marks) {
        if (!ECTempo::IsPauseTempo(mark->GetTempoType()))
            continue;
        m_mayHavePauses = true;
        mark->SetValue(pauseTempoOf(mark));
    }
}

float ECTempoEnv::pauseTempoOf(ECTempo* mark)
{
    // A pause head slows the tempo in force before it; the other pause marks of its group bring
    // back the tempo in force before the group.
    float base = GetDefaultValue();
    if (mark->IsAnchorHead()) {
        if (ECEnvPoint* before = GetPointBefore(*mark->GetTime()))
            base = static_cast<ECTempo*>(before)->GetTempo(1.0f);
        return mark->GetPauseTempo(base);
    }
    const MCEventList* group = GetAnchorGroup(mark);
    auto* head = group && !group->IsEmpty() ? plat::dynamicDowncast<ECTempo>(group->GetHead()) : nullptr;
    if (head && head != mark && GetPointAt(*head->GetTime()) == head) {
        if (ECEnvPoint* before = GetPointBefore(*head->GetTime()))
            base = static_cast<ECTempo*>(before)->GetTempo(1.0f);
    }
    return base;
}

void ECTempoEnv::notePause(ECBase* mark)
{
    auto* tempo = plat::dynamicDowncast<ECTempo>(mark);
    if (m_mayHavePauses && tempo && ECTempo::IsPauseTempo(tempo->GetTempoType()))
        m_pausesDue.emplace_back(tempo);
}

void ECTempoEnv::notePlace(ECEnvPoint* mark)
{
    notePause(mark);
    if (const MCEventList* group = GetAnchorGroup(mark); group && group->GetHead() == mark) {
        for (ECBase* member : *group)
            notePause(member);
    }
}

void ECTempoEnv::settlePauses()
{
    const auto later = [](const plat::RefPtr<ECTempo>& a, const plat::RefPtr<ECTempo>& b) {
        return *b->GetTime() < *a->GetTime();
    };
    std::make_heap(m_pausesDue.begin(), m_pausesDue.end(), later);
    bool settledAny = false;
    MCTime settled;
    while (!m_pausesDue.empty()) {
        std::pop_heap(m_pausesDue.begin(), m_pausesDue.end(), later);
        const plat::RefPtr<ECTempo> mark = std::move(m_pausesDue.back());
        m_pausesDue.pop_back();
        // A mark noted twice, or one before a mark set already (which a pass in time order has
        // gone past), or one no longer in the map.
        const MCTime time = *mark->GetTime();
        if ((settledAny && time <= settled) || !ECTempo::IsPauseTempo(mark->GetTempoType())
            || !mark->GetParents()->Find(this))
            continue;
        settledAny = true;
        settled = time;
        const float was = mark->GetTempo(1.0f);
        mark->SetValue(pauseTempoOf(mark.get()));
        if (mark->GetTempo(1.0f) == was)
            continue;
        // The pause tempos that hang on this one.
        if (ECEnvPoint* next = GetPointAfter(time)) {
            size_t noted = m_pausesDue.size();
            notePlace(next);
            for (++noted; noted <= m_pausesDue.size(); ++noted)
                std::push_heap(m_pausesDue.begin(), m_pausesDue.begin() + static_cast<std::ptrdiff_t>(noted), later);
        }
    }
}

void ECTempoEnv::setClockTimes()
{
    m_clocksStale = false;
    rebuildMarks();
    ECTempo* previous = nullptr;
    for (ECTempo* mark : m_marks) {
        if (!previous) {
            if (*mark->GetTime() > MCTime::TimeZero())
                mark->SetTime(&MCTime::TimeZero());
            mark->SetClockTime(clockTime(0.0));
        } else {
            const double quarters = timeOf(mark) - timeOf(previous);
            const double a = isRamp(previous) ? rampAcceleration(previous, mark) : 0.0;
            const double seconds = a != 0.0 ? secondsOnRamp(previous->GetRate(), a, quarters)
                                            : quarters * previous->GetSpeed();
            mark->SetClockTime(clockTime(clockOf(previous) + seconds));
        }
        previous = mark;
    }
}

void ECTempoEnv::GetClockTime(MCTime& time)
{
    if (time.GetMode() != MCTime::normal)
        return;
    UpdateClockTimes();
    const std::vector<ECTempo*>& all = marks();
    const double t = time.GetSeconds();
    // The first mark later than the time; the one before it is in force.
    const auto next = std::upper_bound(all.begin(), all.end(), t,
                                       [](double value, ECTempo* mark) { return value < timeOf(mark); });
    if (next == all.begin()) {
        time.SetMode(MCTime::clock);
        return;
    }
    ECTempo* mark = *(next - 1);
    if (timeOf(mark) == t) {
        time = mark->GetClockTime();
        return;
    }
    const double quarters = t - timeOf(mark);
    const double a = next != all.end() && isRamp(mark) ? rampAcceleration(mark, *next) : 0.0;
    const double seconds = a != 0.0 ? secondsOnRamp(mark->GetRate(), a, quarters) : quarters * mark->GetSpeed();
    time = clockTime(clockOf(mark) + seconds);
}

void ECTempoEnv::GetNormalizedTime(MCTime& time)
{
    if (time.GetMode() != MCTime::clock)
        return;
    UpdateClockTimes();
    const std::vector<ECTempo*>& all = marks();
    const double c = time.GetSeconds();
    const auto next = std::upper_bound(all.begin(), all.end(), c,
                                       [](double value, const ECTempo* mark) { return value < clockOf(mark); });
    if (next == all.begin()) {
        time.SetMode(MCTime::normal);
        return;
    }
    ECTempo* mark = *(next - 1);
    if (clockOf(mark) == c) {
        time = *mark->GetTime();
        return;
    }
    const double seconds = c - clockOf(mark);
    const double a = next != all.end() && isRamp(mark) ? rampAcceleration(mark, *next) : 0.0;
    const double quarters = a != 0.0 ? a * seconds * seconds / 2.0 + mark->GetRate() * seconds
                                     : seconds / mark->GetSpeed();
    MCTime result(static_cast<float>(timeOf(mark) + quarters));
    time = result;
}
