#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECWithTimeChild.h"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class ECEnvPoint;

// One value of an envelope handed out by GetValues: a time and the value from then on.
struct NOTABASE_API EVALUE {
    MCTime time;
    float value = 0.0f;
};

// A time-ordered curve of points, no two at one time: the tempo and meter maps and every
// stream of MIDI performance data. It answers which point lies before, at or after a time,
// evaluates its value at any time (steps and linear ramps, clamped to its limits, rounded when
// it is int-valued), hands out the changes of value over a slice of time for playback, and
// keeps groups of points that were added as one unit.
//
// Lookups start from a cursor left on or next to the last answer, so lookups at steadily
// advancing times cost a comparison or two; any other lookup walks from the nearest of the
// cursor, the first and the last point. A point's anchor group is found through a table of the
// groups holding each point, and a group's place among the groups by a count of the groups
// before it kept in a tree, so that tens of thousands of groups cost no more each.
class NOTABASE_API ECEnvelope : public ECWithTimeChild {
    PLAT_DECLARE_SERIAL(ECEnvelope)
public:
    enum : uint32_t {
        flagEnabled = 0x1,
        flagIntValued = 0x2,
    };

    ECEnvelope();
    // Copies as assignment does, then puts the cursor on the first point.
    ECEnvelope(const ECEnvelope& other);
    // Copies the element, the default value, the limits, the minimum step, the name, the
    // comment and the flags; not the points, the anchor groups nor the evaluation state.
    ECEnvelope& operator=(const ECEnvelope& other);
    ~ECEnvelope() override;

    // The ECWithTimeChild record, the default value, the limits, the name, the comment, the
    // flags, the minimum step and the anchor groups (each a count of points and references to
    // them). A loaded envelope holds points only, none before time 0, sorted by time.
    void Serialize(plat::Archive& archive) override;
    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;
    // Takes an envelope point with a time (a negative time becomes 0) in its place by time;
    // 0 for any other element and for a point at the time of one already there.
    int AddChild(ECBase* child, int sorted) override;
    int RemoveChild(ECBase* child, int recursive) override;
    // Also deletes every anchor group.
    int RemoveChildren(int recursive) override;
    // Puts the cursor on the first point; subclasses extend it.
    virtual void UpdateChildren();
    void unlinkAfterFailedLoad() override;

    // Point lookups: null when there is no such point.
    ECEnvPoint* GetPointBefore(const MCTime& time);
    ECEnvPoint* GetPointBeforeEqual(const MCTime& time);
    ECEnvPoint* GetPointAt(const MCTime& time);
    ECEnvPoint* GetPointAfterEqual(const MCTime& time);
    ECEnvPoint* GetPointAfter(const MCTime& time);
    ECEnvPoint* GetPointAtIndex(int index) const;
    int GetPointCount() const;
    // The 0-based index of the point the like-named lookup answers; -1 when there is none.
    int GetIndexBefore(const MCTime& time);
    int GetIndexBeforeEqual(const MCTime& time);
    int GetIndexAt(const MCTime& time);
    int GetIndexAfterEqual(const MCTime& time);
    int GetIndexAfter(const MCTime& time);
    // -1 when the point is not one of this envelope's.
    int GetIndexForPoint(const ECEnvPoint* point);
    // The first or the last point.
    bool IsEndPoint(const ECEnvPoint* point) const;
    // Append, in time order, the points with start <= time < end (all of them, the anchors,
    // or the anchor heads); 1 when any was appended.
    int GetPointsInRange(const MCTime& start, const MCTime& end, MCEventList& list);
    int GetAnchorPointsInRange(const MCTime& start, const MCTime& end, MCEventList& list);
    int GetAnchorHeadPointsInRange(const MCTime& start, const MCTime& end, MCEventList& list);

    // The value at a time: the default value before the first point, else the value of the
    // point at or before the time, ramped linearly towards the next point when the point's
    // style is 1. With clamp it is held to the limits; an int-valued envelope rounds it half
    // away from zero. 1 when it differs from the value this envelope produced last.
    int GetValue(const MCTime& time, float& value, int clamp);
    // The point's own value through the same clamping and rounding, at the point's time.
    int GetValue(ECEnvPoint* point, float& value, int clamp);
    // Appends the changes of value over [start, end): each point's value at its time, and
    // ramps sampled every minimum step (times stepScale, at least 0.002) from where the last
    // call stopped. 1 when the list is not empty afterwards.
    int GetValues(const MCTime& start, const MCTime& end, float stepScale, std::vector<EVALUE>& list, int clamp);
    // Starts a new evaluation run: the next value is a change whatever it is.
    void Reset();

    float GetDefaultValue() const { return m_defaultValue; }
    void SetDefaultValue(float value) { m_defaultValue = value; }
    float GetLowerLimit() const { return m_lowerLimit; }
    float GetUpperLimit() const { return m_upperLimit; }
    void SetLimits(float lower, float upper);
    const MCTime& GetMinDeltaTime() const { return m_minDeltaTime; }
    // Raised to 0.005 when below it (its mode kept).
    void SetMinDeltaTime(const MCTime& time);
    const std::string& GetEnvelopeName() const { return m_name; }
    void SetEnvelopeName(const std::string& name) { m_name = name; }
    const std::string& GetEnvelopeComment() const { return m_comment; }
    void SetEnvelopeComment(const std::string& comment) { m_comment = comment; }
    // Enabled and holding at least one point.
    int IsEnabled() const;
    void Enable(int enable);
    int IntValued() const { return (m_envFlags & flagIntValued) ? 1 : 0; }
    // Carries the last value produced over into the new form, so that the next evaluation
    // only reports a change when there is one.
    void SetIntValued(int on);

    // A new group holding the list's points.
    void AddAnchorGroup(const MCEventList* list);
    // The same at a place among the groups (-1 or past the end: after the last), so that a group
    // taken out and put back keeps its place, as the document stores the groups in order.
    void InsertAnchorGroup(int index, const MCEventList* list);
    // The place of one of this envelope's groups; -1 for any other list.
    int GetAnchorGroupIndex(const MCEventList* group) const;
    // The first group holding the point, or null.
    MCEventList* GetAnchorGroup(const ECEnvPoint* point) const;
    // Deletes the group when it is one of this envelope's.
    void RemoveAnchorGroup(const MCEventList* group);
    int GetAnchorGroupCount() const { return m_groupCount; }

protected:
    // An envelope's points run to tens of thousands: whole runs of them are cut out and put back.
    ChildFinger* childFinger() const override { return &m_finger; }

private:
    enum class Lookup { before, beforeEqual, afterEqual, after };

    // Puts the cursor on a node of the point list as it stands now.
    void setCursor(MCPosition position);

    ECEnvPoint* lookUp(const MCTime& time, Lookup mode);
    // The first point whose time is later than (strict) or not earlier than the time.
    MCPosition firstFrom(const MCTime& time, bool strict);
    int indexOf(const ECEnvPoint* point);
    int appendInRange(const MCTime& start, const MCTime& end, MCEventList& list, uint8_t flag);
    // Clamping, rounding and the change flag shared by both forms of GetValue.
    int finishValue(float value, const MCTime& time, const ECEnvPoint* point, int clamp, float& result);
    // Evaluates at a point or a time and appends the value when it changed.
    void appendValue(ECEnvPoint* point, const MCTime& time, std::vector<EVALUE>& list, int clamp);

    // The slot of the group at a place (0-based) among the groups.
    size_t slotOfPlace(int place) const;
    // The number of groups in the slots before the slot.
    int groupsBefore(size_t slot) const;
    // Adds step to the count of groups in the slot.
    void countGroupSlot(size_t slot, int step);
    // Puts the group into an empty slot, or into a new slot at the end, and enters its points.
    void putGroup(size_t slot, std::unique_ptr<MCEventList> group);
    // Lays the groups out again with no empty slot, the group given at its place among them.
    void packGroups(int place, std::unique_ptr<MCEventList> group);
    void clearGroups();

    // The anchor groups in their order, each in a slot. A slot a group left stays empty, and
    // m_leftSlots remembers it by the group's first point, so that the group put back in its
    // place takes it again and no other group moves (an undo puts back many in turn). A group put
    // where no slot is free before the group after it has the groups laid out again.
    // m_groupTree counts the groups in the slots (a Fenwick tree: entry i counts the slots
    // i - lowbit(i) + 1 to i, from 1), m_groupSlots says where each group is, and m_pointGroups
    // which groups hold each point.
    std::vector<std::unique_ptr<MCEventList>> m_anchorGroups;
    std::vector<int> m_groupTree;
    std::unordered_map<const MCEventList*, size_t> m_groupSlots;
    std::unordered_map<const ECBase*, std::vector<MCEventList*>> m_pointGroups;
    std::unordered_map<const ECBase*, size_t> m_leftSlots;
    int m_groupCount = 0;

    float m_defaultValue = 0.0f;
    float m_lowerLimit = -3.4028235e38f;
    float m_upperLimit = 3.4028235e38f;
    MCTime m_minDeltaTime;
    std::string m_name;
    std::string m_comment;
    uint32_t m_envFlags = flagEnabled | flagIntValued;
    MCPosition m_cursor = nullptr;
    // The point list's change count when the cursor was put: a cursor from before names a node
    // that may be gone.
    uint32_t m_cursorChanges = 0;
    mutable ChildFinger m_finger;

    // Evaluation state: what the last evaluation produced, and where.
    int m_lastStyle = 0;
    int m_lastIntValue = 2147483647;
    float m_lastFloatValue = 3.4028235e38f;
    MCTime m_lastTime;
    MCTime m_lastEndTime;
};
