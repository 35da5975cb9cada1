#include "notabase/model/ECEnvelope.h"

#include "notabase/model/ECEnvPoint.h"
#include "notabase/model/ECPerformanceBase.h"
#include "notabase/model/EventTypes.h"
#include "notabase/names/DisplayNames.h"
#include "platform/core/Archive.h"
#include "platform/core/Trace.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

PLAT_IMPLEMENT_SERIAL(ECEnvelope, ECWithTimeChild, plat::kVersionableSchema | 2)

namespace {

constexpr float minimumDelta = 0.005f;
constexpr float minimumStep = 0.002f;

ECEnvPoint* pointOf(const MCEventList& points, MCPosition position)
{
    return static_cast<ECEnvPoint*>(points.GetAt(position));
}

MCPosition previous(const MCEventList& points, MCPosition position)
{
    points.GetPrev(position);
    return position;
}

float distance(const MCTime& a, const MCTime& b)
{
    return std::fabs(a.GetSeconds() - b.GetSeconds());
}

// Toward zero, held to the range of int: a point's value may be the largest float.
int truncToInt(float value)
{
    if (std::isnan(value))
        return 0;
    if (value >= 2147483648.0f)
        return std::numeric_limits<int>::max();
    if (value <= -2147483648.0f)
        return std::numeric_limits<int>::min();
    return static_cast<int>(value);
}

// Half away from zero.
int roundToInt(float value)
{
    return truncToInt(value >= 0.0f ? value + 0.5f : value - 0.5f);
}

}  // namespace

ECEnvelope::ECEnvelope() : m_minDeltaTime(0.05f)
{
}

ECEnvelope::ECEnvelope(const ECEnvelope& other) : ECWithTimeChild(other)
{
    *this = other;
    UpdateChildren();
}

ECEnvelope& ECEnvelope::operator=(const ECEnvelope& other)
{
    ECWithTimeChild::operator=(other);
    m_defaultValue = other.m_defaultValue;
    m_lowerLimit = other.m_lowerLimit;
    m_upperLimit = other.m_upperLimit;
    m_minDeltaTime = other.m_minDeltaTime;
    m_name = other.m_name;
    m_comment = other.m_comment;
    m_envFlags = other.m_envFlags;
    return *this;
}

ECEnvelope::~ECEnvelope() = default;

ECBase* ECEnvelope::Copy(plat::Object* other)
{
    if (auto* envelope = plat::dynamicDowncast<ECEnvelope>(other))
        *this = *envelope;
    return this;
}

int ECEnvelope::GetEventId() const
{
    return EventId::Envelope;
}

int ECEnvelope::GetParentTypes(std::vector<int>& types) const
{
    types.insert(types.end(), {EventId::ConductorStaff, EventId::Staff, EventId::Track, EventId::WaveTrack});
    return static_cast<int>(types.size());
}

int ECEnvelope::AddChild(ECBase* child, int /*sorted*/)
{
    auto* point = plat::dynamicDowncast<ECEnvPoint>(child);
    if (!point || !point->GetTime())
        return 0;
    if (*point->GetTime() < MCTime::TimeZero())
        point->SetTime(&MCTime::TimeZero());
    // Always in time order, whatever the caller asks: every lookup relies on it. The point goes
    // before the first later one, found from the cursor as lookups are: in a list in time
    // order that is the place after the last point not later than it, where a sorted insert
    // would walk to from the end.
    const MCTime& time = *point->GetTime();
    const MCPosition later = firstFrom(time, false);
    if (later && *pointOf(*GetChildren(), later)->GetTime() == time) {
        plat::trace("ECEnvelope::AddChild -- cannot add %s at same time\n", GetEventString(point->GetEventId()).c_str());
        return 0;
    }
    const MCPosition at = AddChildBefore(child, later);
    UpdateChildren();
    // Points put back one after another (an undone removal) each find their place beside the
    // one before.
    if (at)
        setCursor(at);
    return at ? 1 : 0;
}

void ECEnvelope::setCursor(MCPosition position)
{
    m_cursor = position;
    m_cursorChanges = GetChildren()->GetChangeCount();
}

int ECEnvelope::RemoveChild(ECBase* child, int recursive)
{
    const int result = ECWithTimeChild::RemoveChild(child, recursive);
    UpdateChildren();
    // Lookups after a removal are mostly about the points beside it, as a run of removals goes.
    if (m_finger.node && m_finger.changes == GetChildren()->GetChangeCount())
        setCursor(m_finger.node);
    return result;
}

int ECEnvelope::RemoveChildren(int recursive)
{
    const int result = ECWithTimeChild::RemoveChildren(recursive);
    clearGroups();
    UpdateChildren();
    return result;
}

void ECEnvelope::UpdateChildren()
{
    setCursor(GetChildren()->GetHeadPosition());
}

void ECEnvelope::unlinkAfterFailedLoad()
{
    ECWithTimeChild::unlinkAfterFailedLoad();
    for (auto& group : m_anchorGroups) {
        if (group)
            group->DetachAll();
    }
    // The groups hold no point now.
    m_pointGroups.clear();
    setCursor(nullptr);
}

MCPosition ECEnvelope::firstFrom(const MCTime& time, bool strict)
{
    const MCEventList& points = *GetChildren();
    if (points.IsEmpty()) {
        setCursor(nullptr);
        return nullptr;
    }
    auto satisfies = [&](MCPosition p) {
        const MCTime& t = *pointOf(points, p)->GetTime();
        return strict ? t > time : t >= time;
    };
    // Start from whichever of the cursor, the first and the last point is nearest the time.
    // A cursor left before the list last changed may name a node gone.
    MCPosition start = m_cursor && m_cursorChanges == points.GetChangeCount() ? m_cursor : points.GetHeadPosition();
    float nearest = distance(*pointOf(points, start)->GetTime(), time);
    for (MCPosition end : {points.GetHeadPosition(), points.GetTailPosition()}) {
        const float d = distance(*pointOf(points, end)->GetTime(), time);
        if (d < nearest) {
            nearest = d;
            start = end;
        }
    }
    MCPosition p = start;
    if (satisfies(p)) {
        for (MCPosition q = previous(points, p); q && satisfies(q); q = previous(points, q))
            p = q;
        setCursor(p);
        return p;
    }
    for (points.GetNext(p); p; points.GetNext(p)) {
        if (satisfies(p)) {
            setCursor(p);
            return p;
        }
    }
    setCursor(points.GetTailPosition());
    return nullptr;
}

ECEnvPoint* ECEnvelope::lookUp(const MCTime& time, Lookup mode)
{
    const MCEventList& points = *GetChildren();
    const bool strict = mode == Lookup::beforeEqual || mode == Lookup::after;
    const MCPosition first = firstFrom(time, strict);
    if (mode == Lookup::afterEqual || mode == Lookup::after)
        return first ? pointOf(points, first) : nullptr;
    const MCPosition answer = first ? previous(points, first) : points.GetTailPosition();
    if (answer)
        setCursor(answer);
    return answer ? pointOf(points, answer) : nullptr;
}

ECEnvPoint* ECEnvelope::GetPointBefore(const MCTime& time)
{
    return lookUp(time, Lookup::before);
}

ECEnvPoint* ECEnvelope::GetPointBeforeEqual(const MCTime& time)
{
    return lookUp(time, Lookup::beforeEqual);
}

ECEnvPoint* ECEnvelope::GetPointAt(const MCTime& time)
{
    ECEnvPoint* point = lookUp(time, Lookup::afterEqual);
    return point && *point->GetTime() == time ? point : nullptr;
}

ECEnvPoint* ECEnvelope::GetPointAfterEqual(const MCTime& time)
{
    return lookUp(time, Lookup::afterEqual);
}

ECEnvPoint* ECEnvelope::GetPointAfter(const MCTime& time)
{
    return lookUp(time, Lookup::after);
}

ECEnvPoint* ECEnvelope::GetPointAtIndex(int index) const
{
    const MCEventList& points = *const_cast<ECEnvelope*>(this)->GetChildren();
    const MCPosition position = points.FindIndex(index);
    return position ? pointOf(points, position) : nullptr;
}

int ECEnvelope::GetPointCount() const
{
    return const_cast<ECEnvelope*>(this)->GetChildren()->GetCount();
}

int ECEnvelope::indexOf(const ECEnvPoint* point)
{
    const MCEventList& points = *GetChildren();
    if (!point || points.IsEmpty())
        return -1;
    // Count from the end nearer the point's time.
    const MCTime& time = *const_cast<ECEnvPoint*>(point)->GetTime();
    const bool fromHead = distance(time, *pointOf(points, points.GetHeadPosition())->GetTime())
                          <= distance(time, *pointOf(points, points.GetTailPosition())->GetTime());
    if (fromHead) {
        int index = 0;
        for (MCPosition p = points.GetHeadPosition(); p; ++index) {
            if (points.GetNext(p) == point)
                return index;
        }
    } else {
        int index = points.GetCount() - 1;
        for (MCPosition p = points.GetTailPosition(); p; --index) {
            if (points.GetPrev(p) == point)
                return index;
        }
    }
    return -1;
}

int ECEnvelope::GetIndexBefore(const MCTime& time)
{
    return indexOf(GetPointBefore(time));
}

int ECEnvelope::GetIndexBeforeEqual(const MCTime& time)
{
    return indexOf(GetPointBeforeEqual(time));
}

int ECEnvelope::GetIndexAt(const MCTime& time)
{
    return indexOf(GetPointAt(time));
}

int ECEnvelope::GetIndexAfterEqual(const MCTime& time)
{
    return indexOf(GetPointAfterEqual(time));
}

int ECEnvelope::GetIndexAfter(const MCTime& time)
{
    return indexOf(GetPointAfter(time));
}

int ECEnvelope::GetIndexForPoint(const ECEnvPoint* point)
{
    return indexOf(point);
}

bool ECEnvelope::IsEndPoint(const ECEnvPoint* point) const
{
    const MCEventList& points = *const_cast<ECEnvelope*>(this)->GetChildren();
    return point && !points.IsEmpty() && (points.GetHead() == point || points.GetTail() == point);
}

int ECEnvelope::appendInRange(const MCTime& start, const MCTime& end, MCEventList& list, uint8_t flag)
{
    const MCEventList& points = *GetChildren();
    int appended = 0;
    for (MCPosition p = firstFrom(start, false); p;) {
        ECEnvPoint* point = static_cast<ECEnvPoint*>(points.GetNext(p));
        if (!(*point->GetTime() < end))
            break;
        const bool wanted = flag == ECEnvPoint::flagAnchor ? point->IsAnchor()
                            : flag == ECEnvPoint::flagAnchorHead ? point->IsAnchorHead()
                                                                 : true;
        if (wanted) {
            list.AddTail(point);
            appended = 1;
        }
    }
    return appended;
}

int ECEnvelope::GetPointsInRange(const MCTime& start, const MCTime& end, MCEventList& list)
{
    return appendInRange(start, end, list, 0);
}

int ECEnvelope::GetAnchorPointsInRange(const MCTime& start, const MCTime& end, MCEventList& list)
{
    return appendInRange(start, end, list, ECEnvPoint::flagAnchor);
}

int ECEnvelope::GetAnchorHeadPointsInRange(const MCTime& start, const MCTime& end, MCEventList& list)
{
    return appendInRange(start, end, list, ECEnvPoint::flagAnchorHead);
}

int ECEnvelope::finishValue(float value, const MCTime& time, const ECEnvPoint* point, int clamp, float& result)
{
    if (clamp) {
        if (m_lowerLimit >= value)
            value = m_lowerLimit;
        if (m_upperLimit <= value)
            value = m_upperLimit;
    }
    int changed;
    if (IntValued()) {
        const int rounded = roundToInt(value);
        changed = rounded != m_lastIntValue ? 1 : 0;
        m_lastIntValue = rounded;
        result = static_cast<float>(rounded);
    } else {
        changed = value != m_lastFloatValue ? 1 : 0;
        m_lastFloatValue = value;
        result = value;
    }
    m_lastTime = time;
    if (point)
        m_lastStyle = point->GetStyle();
    return changed;
}

int ECEnvelope::GetValue(const MCTime& time, float& value, int clamp)
{
    ECEnvPoint* before = GetPointBeforeEqual(time);
    if (!before)
        return finishValue(m_defaultValue, time, nullptr, clamp, value);
    float v = before->GetValue();
    if (before->GetStyle() == ECEnvPoint::styleLinear && *before->GetTime() != time) {
        if (ECEnvPoint* after = GetPointAfter(time)) {
            const float delta = after->GetValue() - v;
            const bool flat = delta == 0.0f || (IntValued() && std::fabs(delta) < 1.0f);
            if (!flat) {
                const float t0 = before->GetTime()->GetSeconds();
                const float t1 = after->GetTime()->GetSeconds();
                v = v + (delta / (t1 - t0)) * (time.GetSeconds() - t0);
            }
        }
    }
    return finishValue(v, time, before, clamp, value);
}

int ECEnvelope::GetValue(ECEnvPoint* point, float& value, int clamp)
{
    return finishValue(point->GetValue(), *point->GetTime(), point, clamp, value);
}

void ECEnvelope::appendValue(ECEnvPoint* point, const MCTime& time, std::vector<EVALUE>& list, int clamp)
{
    float value = 0.0f;
    const int changed = point ? GetValue(point, value, clamp) : GetValue(time, value, clamp);
    if (changed)
        list.push_back({point ? *point->GetTime() : time, value});
}

int ECEnvelope::GetValues(const MCTime& start, const MCTime& end, float stepScale, std::vector<EVALUE>& list, int clamp)
{
    const float candidate = m_minDeltaTime.GetMode() == MCTime::barPulseTick ? 0.0f : m_minDeltaTime.GetSeconds() * stepScale;
    const MCTime step(candidate > minimumStep ? candidate : minimumStep);

    // The points of the slice, taken one by one from the first at or after start.
    const MCEventList& points = *GetChildren();
    MCPosition pending = firstFrom(start, false);
    auto nextPending = [&]() -> ECEnvPoint* {
        ECEnvPoint* point = pending ? pointOf(points, pending) : nullptr;
        return point && *point->GetTime() < end ? point : nullptr;
    };
    auto take = [&]() {
        ECEnvPoint* point = nextPending();
        points.GetNext(pending);
        return point;
    };

    // A slice that does not continue the previous one starts from the segment in force at its
    // start; a step segment's value is handed out at once.
    if (m_lastEndTime != start && m_lastTime != start) {
        m_lastTime = start;
        ECEnvPoint* first = nextPending();
        if (!first || *first->GetTime() != start) {
            if (ECEnvPoint* before = GetPointBefore(start)) {
                m_lastStyle = before->GetStyle();
                if (m_lastStyle == ECEnvPoint::styleStep) {
                    float value = 0.0f;
                    if (GetValue(before, value, clamp))
                        list.push_back({start, value});
                }
            }
        }
    }

    MCTime current = m_lastTime;
    while (current < end) {
        if (m_lastStyle != ECEnvPoint::styleStep) {
            MCTime next = current;
            next += step;
            // Far from 0 a float step can be lost in rounding; the ramp is then done.
            if (!(next > current))
                break;
            current = next;
            ECEnvPoint* point = nextPending();
            if (point && *point->GetTime() <= current) {
                take();
                current = *point->GetTime();
                appendValue(point, current, list, clamp);
            } else {
                appendValue(nullptr, current, list, clamp);
            }
        } else if (ECEnvPoint* point = nextPending()) {
            take();
            current = *point->GetTime();
            appendValue(point, current, list, clamp);
        } else {
            current = end;
        }
    }
    m_lastEndTime = end;
    return list.empty() ? 0 : 1;
}

void ECEnvelope::Reset()
{
    m_lastFloatValue = 3.4028235e38f;
    m_lastIntValue = 2147483647;
    m_lastTime = MCTime::TimeZero();
    m_lastEndTime = MCTime::TimeZero();
}

void ECEnvelope::SetLimits(float lower, float upper)
{
    m_lowerLimit = lower;
    m_upperLimit = upper;
}

void ECEnvelope::SetMinDeltaTime(const MCTime& time)
{
    m_minDeltaTime = time;
    if (m_minDeltaTime.GetMode() != MCTime::barPulseTick && m_minDeltaTime.GetSeconds() < minimumDelta)
        m_minDeltaTime.SetSeconds(minimumDelta);
}

int ECEnvelope::IsEnabled() const
{
    return (m_envFlags & flagEnabled) && GetPointCount() > 0 ? 1 : 0;
}

void ECEnvelope::Enable(int enable)
{
    m_envFlags = enable ? (m_envFlags | flagEnabled) : (m_envFlags & ~uint32_t(flagEnabled));
}

void ECEnvelope::SetIntValued(int on)
{
    if (on && !IntValued())
        m_lastIntValue = truncToInt(m_lastFloatValue + 0.5f);
    else if (!on && IntValued())
        m_lastFloatValue = static_cast<float>(m_lastIntValue);
    m_envFlags = on ? (m_envFlags | flagIntValued) : (m_envFlags & ~uint32_t(flagIntValued));
}

void ECEnvelope::AddAnchorGroup(const MCEventList* list)
{
    InsertAnchorGroup(-1, list);
}

void ECEnvelope::InsertAnchorGroup(int index, const MCEventList* list)
{
    auto group = std::make_unique<MCEventList>();
    if (list)
        group->AddTail(*list);
    if (index < 0 || index > m_groupCount)
        index = m_groupCount;
    // A group put back at the place it left takes the slot it left.
    if (!group->IsEmpty()) {
        if (const auto left = m_leftSlots.find(group->GetHead()); left != m_leftSlots.end()) {
            const size_t slot = left->second;
            m_leftSlots.erase(left);
            if (slot < m_anchorGroups.size() && !m_anchorGroups[slot] && groupsBefore(slot) == index) {
                putGroup(slot, std::move(group));
                return;
            }
        }
    }
    if (index == m_groupCount) {
        // Every slot after the last group is empty.
        putGroup(index == 0 ? 0 : slotOfPlace(index - 1) + 1, std::move(group));
        return;
    }
    // The slot just before the group now at the place is free when a group left it, or another
    // left one between the two groups; otherwise the groups are laid out again.
    const size_t next = slotOfPlace(index);
    if (next > 0 && !m_anchorGroups[next - 1])
        putGroup(next - 1, std::move(group));
    else
        packGroups(index, std::move(group));
}

int ECEnvelope::GetAnchorGroupIndex(const MCEventList* group) const
{
    const auto found = m_groupSlots.find(group);
    return found == m_groupSlots.end() ? -1 : groupsBefore(found->second);
}

MCEventList* ECEnvelope::GetAnchorGroup(const ECEnvPoint* point) const
{
    const auto held = m_pointGroups.find(point);
    if (held == m_pointGroups.end())
        return nullptr;
    // The one in the first slot.
    MCEventList* first = nullptr;
    size_t firstSlot = 0;
    for (MCEventList* group : held->second) {
        const size_t slot = m_groupSlots.at(group);
        if (!first || slot < firstSlot) {
            first = group;
            firstSlot = slot;
        }
    }
    return first;
}

void ECEnvelope::RemoveAnchorGroup(const MCEventList* group)
{
    const auto found = m_groupSlots.find(group);
    if (found == m_groupSlots.end())
        return;
    const size_t slot = found->second;
    m_groupSlots.erase(found);
    for (ECBase* point : *group) {
        const auto held = m_pointGroups.find(point);
        if (held == m_pointGroups.end())
            continue;
        std::erase(held->second, group);
        if (held->second.empty())
            m_pointGroups.erase(held);
    }
    if (!group->IsEmpty())
        m_leftSlots[group->GetHead()] = slot;
    countGroupSlot(slot, -1);
    --m_groupCount;
    m_anchorGroups[slot].reset();
}

size_t ECEnvelope::slotOfPlace(int place) const
{
    // Down the tree: the last slot with at most place groups up to it, then the one after.
    size_t slot = 0;
    int left = place;
    for (size_t step = std::bit_floor(m_groupTree.size()); step > 0; step >>= 1) {
        const size_t next = slot + step;
        if (next <= m_groupTree.size() && m_groupTree[next - 1] <= left) {
            slot = next;
            left -= m_groupTree[next - 1];
        }
    }
    return slot;
}

int ECEnvelope::groupsBefore(size_t slot) const
{
    int count = 0;
    for (size_t i = slot; i > 0; i -= i & (~i + 1))
        count += m_groupTree[i - 1];
    return count;
}

void ECEnvelope::countGroupSlot(size_t slot, int step)
{
    for (size_t i = slot + 1; i <= m_groupTree.size(); i += i & (~i + 1))
        m_groupTree[i - 1] += step;
}

void ECEnvelope::putGroup(size_t slot, std::unique_ptr<MCEventList> group)
{
    if (slot == m_anchorGroups.size()) {
        // The new entry counts the slots it covers before its own, which is empty yet.
        const size_t i = slot + 1;
        m_groupTree.push_back(groupsBefore(slot) - groupsBefore(i - (i & (~i + 1))));
        m_anchorGroups.emplace_back();
    }
    MCEventList* held = group.get();
    for (ECBase* point : *held) {
        std::vector<MCEventList*>& groups = m_pointGroups[point];
        if (groups.empty() || groups.back() != held)
            groups.push_back(held);
    }
    m_groupSlots[held] = slot;
    m_anchorGroups[slot] = std::move(group);
    countGroupSlot(slot, 1);
    ++m_groupCount;
}

void ECEnvelope::packGroups(int place, std::unique_ptr<MCEventList> group)
{
    std::vector<std::unique_ptr<MCEventList>> groups;
    groups.reserve(static_cast<size_t>(m_groupCount) + 1);
    for (auto& held : m_anchorGroups) {
        if (held)
            groups.push_back(std::move(held));
    }
    groups.insert(groups.begin() + place, std::move(group));
    clearGroups();
    for (auto& held : groups)
        putGroup(m_anchorGroups.size(), std::move(held));
}

void ECEnvelope::clearGroups()
{
    m_anchorGroups.clear();
    m_groupTree.clear();
    m_groupSlots.clear();
    m_pointGroups.clear();
    m_leftSlots.clear();
    m_groupCount = 0;
}

void ECEnvelope::Serialize(plat::Archive& archive)
{
    ECWithTimeChild::Serialize(archive);
    if (archive.isStoring()) {
        archive.writeFloat(m_defaultValue);
        archive.writeFloat(m_lowerLimit);
        archive.writeFloat(m_upperLimit);
        archive.writeString(m_name);
        archive.writeString(m_comment);
        archive.writeU32(m_envFlags);
        m_minDeltaTime.Serialize(archive, -1);
        archive.writeCount(static_cast<uint32_t>(m_groupCount));
        for (const auto& group : m_anchorGroups) {
            if (!group)
                continue;
            archive.writeCount(static_cast<uint32_t>(group->GetCount()));
            for (MCPosition p = group->GetHeadPosition(); p;)
                archive.writeObject(group->GetNext(p));
        }
        return;
    }

    MCEventList& points = *GetChildren();
    for (MCPosition p = points.GetHeadPosition(); p;) {
        if (!plat::dynamicDowncast<ECEnvPoint>(points.GetNext(p)))
            throw plat::ArchiveError(plat::ArchiveError::Cause::badClass, "an envelope holding an element that is not a point");
    }
    m_defaultValue = archive.readFloat();
    m_lowerLimit = archive.readFloat();
    m_upperLimit = archive.readFloat();
    m_name = archive.readString();
    m_comment = archive.readString();
    m_envFlags = archive.readU32();
    m_minDeltaTime.Serialize(archive, ECPerformanceBase::GetActiveVersion(archive));
    // Each group is the envelope's own: its points are references to points of the archive.
    clearGroups();
    const uint32_t groups = archive.readCount();
    for (uint32_t g = 0; g < groups; ++g) {
        auto group = std::make_unique<MCEventList>();
        try {
            const uint32_t count = archive.readCount();
            for (uint32_t i = 0; i < count; ++i) {
                if (ECEnvPoint* point = archive.readReferenceAs<ECEnvPoint>())
                    group->AddTail(point);
            }
        } catch (...) {
            // The archive deletes the points it made; the group must not release them too.
            group->DetachAll();
            throw;
        }
        putGroup(m_anchorGroups.size(), std::move(group));
    }
    for (MCPosition p = points.GetHeadPosition(); p;) {
        ECBase* point = points.GetNext(p);
        if (*point->GetTime() < MCTime::TimeZero())
            point->SetTime(&MCTime::TimeZero());
    }
    points.Sort();
    UpdateChildren();
}
