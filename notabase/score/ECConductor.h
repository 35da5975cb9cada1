#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECWithChild.h"
#include "notabase/values/MCTime.h"

#include <cstddef>
#include <optional>
#include <vector>

class CCAddTrack;
class CCRemoveTrack;
class ECConductorStaff;
class ECMeasure;
class ECMeter;
class ECPerformanceBase;
class ECStaff;
class ECTempo;
class ECTrack;
class ECWaveTrack;
class MCEventList;

// The one structural node of a piece, directly under the performance: it holds the tracks (the
// conductor staff, the notation staves and the digital-audio tracks), keeps them in track order
// and numbers them, and answers the structural questions of every other library: which track
// has a number, how many bars there are, which bar lies at a time, which tempo and meter are in
// force. Most answers come from the conductor staff, which it makes on first use through a
// synchronous CCAddTrack; every operation that needs it makes it.
//
// Track kinds: 0 the conductor staff (number 0), 1 the staves (1 .. staff count), 2 the wave
// tracks (1 .. wave track count). A wave track's number is its place in the wave tracks plus
// one, and its voice/track word says the same.
class NOTABASE_API ECConductor : public ECWithChild {
    PLAT_DECLARE_SERIAL(ECConductor)
public:
    enum TrackKind { conductorTrack = 0, staffTrack = 1, waveTrack = 2 };

    ECConductor() = default;
    ECConductor(const ECConductor&) = delete;
    // The children part only.
    ECConductor& operator=(const ECConductor& other);

    // The ECWithChild record, then a reference to the conductor staff. A load rebuilds the wave
    // tracks from the children.
    void Serialize(plat::Archive& archive) override;
    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;
    // A staff or wave track added puts the tracks in order again.
    int AddChild(ECBase* child, int sorted) override;
    // A staff or wave track leaves its table too, so that no table outlives its track.
    int RemoveChild(ECBase* child, int recursive) override;
    int RemoveChildren(int recursive) override;

    // The performance above, looked up again whenever this conductor has left it.
    ECPerformanceBase* GetPerformance();
    // Null only when it cannot be made: no performance to run the command.
    ECConductorStaff* GetConductorStaff();

    int GetMaxTrackNumber(int kind);
    // With create, a staff or wave track past the last is made (numbers below 1 name no wave
    // track, numbers below 0 no staff).
    ECTrack* GetTrack(int kind, int number, int create);
    // -1 for a track that is not one of the kind's.
    int GetTrackNumber(int kind, ECTrack* track);
    // Child order: the conductor staff first, then the staves by number, then the wave tracks by
    // number. With orderStaves the staves and wave-track tables are first sorted by track number.
    void OrderTracks(int orderStaves);

    // Bars, from the conductor staff.
    int GetMaxMeasureNumber();
    MCTime GetMaxMeasureEndTime();
    int GetMeasureNumberAtTime(const MCTime& time);
    int GetMeasureNumberBeforeTime(const MCTime& time);
    ECMeasure* GetMeasure(int track, const MCTime& time, int create, int count);
    ECMeasure* GetMeasure(int track, int number);
    int GetMeasures(int track, const MCTime& from, const MCTime& to, MCEventList& list);
    int GetMeasures(int track, int first, int last, MCEventList& list);

    // The mark in force at a time, or the last one before it.
    ECTempo* GetTempoAtTime(const MCTime& time);
    ECTempo* GetTempoBeforeTime(const MCTime& time);
    ECMeter* GetMeterAtTime(const MCTime& time);
    ECMeter* GetMeterBeforeTime(const MCTime& time);
    // From the meter's time to the next meter, or to the end of the last bar. Both TimeNull for
    // a meter that is not in the meter map.
    void GetMeterScope(ECMeter* meter, MCTime& start, MCTime& end);

protected:
    friend class CCAddTrack;
    friend class CCRemoveTrack;
    friend class ECConductorStaff;

    // Puts a track in its place: the conductor staff, a staff at a staff number, a wave track at
    // a wave position (-1: after the last). The position given, or -1 when it is not taken.
    int InsertTrack(ECTrack* track, int index);
    void RemoveTrack(ECTrack* track);
    int GetWaveTrackNumber(const ECWaveTrack* track) const;
    ECWaveTrack* GetWaveTrack(int number, int create);
    // -1 for a track in the piece already, or when the piece has MCVoiceTrack::lastTrack wave
    // tracks already.
    int InsertWaveTrack(ECWaveTrack* track, int index);
    void RemoveWaveTrack(ECWaveTrack* track);
    // The wave tracks found under the conductor, in the order of their stored numbers, numbered
    // anew from 1.
    void BuildWaveTrackArray();

private:
    // Gives the wave tracks from a position on the numbers of their places, and everything
    // under them the same track.
    void renumberWaveTracks(size_t from);
    // Where a walk over the children in the order OrderTracks(0) gives them stands: the staves
    // and wave tracks met so far, the time of the last child, and whether a track stood at it.
    struct OrderWalk {
        int staves = 0;
        int nextStaff = 1;
        std::size_t nextWave = 0;
        bool unknownSeen = false;
        bool trackAtThisTime = false;
        const MCTime* previous = nullptr;
        bool first = true;
        ECBase* last = nullptr;
        int count = 0;
    };

    // Whether the children already stand in the order OrderTracks(0) gives them. The walk is
    // kept, so that a staff appended after them (as each track of a file read is) continues it
    // instead of walking every track again.
    bool tracksInOrder();
    // Takes the walk one child further; false when the child stands out of order.
    bool stepWalk(OrderWalk& walk, ECBase* child);
    // Whether a walk that met every child found every staff and wave track in its place.
    bool walkComplete(const OrderWalk& walk) const;
    // Continues the kept walk with the staff just appended as the last child and the last
    // staff; false when it cannot (anything else changed since) or finds them out of order.
    bool appendedInOrder(ECBase* child);
    // The children or the tables changed other than by an appended staff.
    void forgetTrackOrder() { m_orderWalk.reset(); }

    ECPerformanceBase* m_performance = nullptr;
    // Also a child.
    ECConductorStaff* m_conductorStaff = nullptr;
    // Entry n - 1 is wave track n; no references: they are children.
    std::vector<ECWaveTrack*> m_waveTracks;
    // The walk of the last check that met every child in order; none once anything changed.
    std::optional<OrderWalk> m_orderWalk;
};
