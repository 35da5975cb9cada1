#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/score/ECTrack.h"

#include <functional>
#include <memory>

class ECClef;
class ECKey;
class MCStaffCache;

// A notation staff: a track whose children are its measures, with a staff type (the inspector
// offers 0, 1, 3 and 6; type 1 staves join the staff groups as their own kind) and an empty mark
// that the sequencer keeps. The conductor staff numbers the staves. The staff owns the cache
// that tells which clef and key are in force at a time; its measures keep it in step as clefs
// and keys come and go, and clefs and keys as they move in time.
class NOTABASE_API ECStaff : public ECTrack {
    PLAT_DECLARE_SERIAL(ECStaff)
public:
    // Type 0, empty.
    ECStaff();
    // The type is the argument's low 7 bits.
    explicit ECStaff(unsigned char staffType);
    // Takes the time and the type; the copy's cache starts empty.
    ECStaff(const ECStaff& other);
    ~ECStaff() override;
    // The track, then the staff type; not the empty mark.
    ECStaff& operator=(const ECStaff& other);
    // Staves of one type are equal, whatever else differs.
    bool operator==(const ECStaff& other) const { return GetStaffType() == other.GetStaffType(); }
    bool operator!=(const ECStaff& other) const { return !(*this == other); }

    // The ECTrack record, then one byte: the staff type in bits 0-6, the empty mark in bit 7.
    // After a load the cache is built from the clefs and keys read.
    void Serialize(plat::Archive& archive) override;
    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;
    // Removes the measures and empties the cache.
    int RemoveChildren(int recursive) override;

    unsigned char GetStaffType() const { return static_cast<unsigned char>((GetFlags() >> 8) & 0x7F); }
    void SetStaffType(unsigned char staffType);
    int IsStaffEmpty() const { return (GetFlags() & flagStaffEmpty) ? 1 : 0; }
    void SetStaffEmpty(int empty);

    MCStaffCache* GetCache() const { return m_cache.get(); }
    // The clef or key in force at a time, or just before it, for a hand; and the span in which
    // one holds.
    ECClef* GetClefAtTime(const MCTime& time, unsigned char hand);
    ECClef* GetClefBeforeTime(const MCTime& time, unsigned char hand);
    void GetClefScope(ECClef* clef, MCTime& from, MCTime& to, unsigned char hand);
    ECKey* GetKeyAtTime(const MCTime& time, unsigned char hand);
    ECKey* GetKeyBeforeTime(const MCTime& time, unsigned char hand);
    void GetKeyScope(ECKey* key, MCTime& from, MCTime& to, unsigned char hand);
    // 0 for elements the cache does not hold.
    int CacheEvent(ECBase* event, unsigned char hand);
    int UncacheEvent(ECBase* event, unsigned char hand);
    // Uncaches the element when it is cached, then caches it.
    int RecacheEvent(ECBase* event, unsigned char hand);
    // Builds the cache anew from the clefs and keys of the staff's measures.
    void RebuildCache();
    // Caches the first clef or key of that id and hand that begins at the time without being in
    // the cache: one that another of its kind hid while both began there.
    void CacheHiddenEvent(int id, unsigned char hand, const MCTime& time);

    // Changes the time of a clef or key through setTime, keeping the cache of the staff above
    // it in step: the element leaves the cache at its old time and joins it at the new one.
    // When another of its kind and hand already begins at the new time, the moved one stays
    // hidden behind it (the cache holds one per hand and time); one it hid at its old time
    // takes its place there.
    static void SetCachedEventTime(ECBase* event, unsigned char hand, const MCTime* time,
                                   const std::function<void(const MCTime*)>& setTime);
    // The hand of a clef or key; 0 for other elements.
    static unsigned char HandOf(ECBase* event);

private:
    static constexpr uint16_t flagStaffEmpty = 0x8000;

    std::unique_ptr<MCStaffCache> m_cache;
};
