#pragma once

#include "notabase/NotabaseExport.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace plat {
class Archive;
}

// How the staves of a score are grouped for display. The primary table cuts the staves into
// runs of consecutive staves, each staff in exactly one run; the secondary table joins staves
// or primary groups into larger units, again covering each staff once. Every group in use has
// an ID unique across both tables. The conductor staff registers each staff inserted or removed,
// which moves the staff numbers of the groups after it.
class NOTABASE_API MCGroup {
public:
    // One entry, stored as its 32-bit value: first staff in bits 0-7, last staff in bits 8-15,
    // kind in bits 16-17, in use in bit 18, ID in bits 19-26, bar lines across the whole group
    // in bit 27.
    struct NOTABASE_API tag_group {
        // A new entry is free, with bar lines across.
        uint32_t value = barAcrossBit;

        static constexpr uint32_t inUseBit = 1u << 18;
        static constexpr uint32_t barAcrossBit = 1u << 27;

        int first() const { return static_cast<int>(value & 0xFF); }
        int last() const { return static_cast<int>((value >> 8) & 0xFF); }
        int kind() const { return static_cast<int>((value >> 16) & 0x3); }
        bool inUse() const { return (value & inUseBit) != 0; }
        int id() const { return static_cast<int>((value >> 19) & 0xFF); }
        bool barAcross() const { return (value & barAcrossBit) != 0; }

        void setFirst(int staff) { setField(0, 0xFF, staff); }
        void setLast(int staff) { setField(8, 0xFF, staff); }
        void setKind(int kind) { setField(16, 0x3, kind); }
        void setInUse(bool on) { value = on ? (value | inUseBit) : (value & ~inUseBit); }
        void setId(int id) { setField(19, 0xFF, id); }
        void setBarAcross(bool on) { value = on ? (value | barAcrossBit) : (value & ~barAcrossBit); }

    private:
        void setField(int shift, uint32_t mask, int field)
        {
            value = (value & ~(mask << shift)) | ((static_cast<uint32_t>(field) & mask) << shift);
        }
    };
    using Table = std::vector<tag_group>;

    // The kinds the model makes: 2 is the kind of a plain single staff.
    static constexpr int kindGroup = 1;
    static constexpr int kindSingle = 2;
    // IDs are 8 bits.
    static constexpr int idCount = 256;

    MCGroup() = default;
    virtual ~MCGroup();
    MCGroup(const MCGroup&) = default;
    MCGroup& operator=(const MCGroup&) = default;

    // Each table as a count, then the 32-bit value of each entry in use, in staff order. Entries
    // read from a document below version 3 get bar lines across, and IDs numbered through both
    // tables.
    virtual void Serialize(plat::Archive& archive);

    const Table& GetPrimaryGroup() const { return m_primary; }
    const Table& GetSecondaryGroup() const { return m_secondary; }

    // A staff was inserted at the number (kind 1 for a staff of type 1, else 2): it gets a group
    // of its own, or joins the group it was inserted into; the groups after it move up a staff.
    void InsertTrack(int track, unsigned char kind);
    // The staff of the number was removed: its group shrinks or goes, the groups after it move
    // down a staff.
    void RemoveTrack(int track);
    // Makes a group of the staves first..last; 1 with its ID in group, 0 when refused (a reversed
    // range, one that cuts through a group or names no staff, or no ID left), leaving the tables
    // as they were.
    int GroupTracks(int first, int last, unsigned char kind, int& group);
    // Removes the group of the ID; its staves become single staves again. 0 when no group has it.
    int RemoveGroup(int group);
    // The first staff, last staff and kind of the group of the ID; 0 with the outputs untouched
    // when no group has it.
    int GetGroupInfo(int group, int& first, int& last, int& kind) const;
    void SetBarEntireGroup(int group, int bar);
    // 0 when no group has the ID.
    int IsBarEntireGroup(int group) const;
    // Marks every entry of both tables free.
    void RemoveAll();

    // The same groups in use, in staff order.
    bool operator==(const MCGroup& other) const;

protected:
    // Drops the free entries and orders the rest by first staff, keeping the order of equal ones.
    static void CleanTable(Table& table);
    // Moves every group in use after the index by delta staves.
    static void UpdateFrom(Table& table, std::size_t index, int delta);
    // How the staves first..last lie against the groups of a table: 4 they meet only single-staff
    // kinds, 3 a group is exactly that range, 1 they hold whole groups, 0 a group holds them and
    // more, 2 a group straddles an end, -1 none of these.
    static int Relation(const Table& table, int first, int last);
    int GroupPrimary(int first, int last, unsigned char kind, int& group);
    int GroupSecondary(int first, int last, unsigned char kind, int& group);
    // Keeps a primary group that a larger primary group swallows as a secondary group, in place
    // of the secondary groups lying within its staves. It is dropped when a secondary group cuts
    // through its staves or is exactly them already.
    void PromoteToSecondary(const tag_group& entry);
    void RemovePrimaryGroup(int id);
    void RemoveSecondaryGroup(int id);
    // The lowest ID that no group in use holds; -1 when all are held.
    int GetNextAvailableID() const;

private:
    // A new single-staff entry in use, with a new ID (0 when none is left: staff registration
    // cannot be refused).
    tag_group newEntry(int first, int last, int kind) const;
    // Makes the group in the first free entry of the table, with a new ID given back in group;
    // 0 without a free entry or a free ID.
    int fillFree(Table& table, int first, int last, unsigned char kind, int& group);
    // The index of the first free entry; -1 when there is none.
    static int firstFree(const Table& table);
    // Whether a group in use overlaps the staves without lying within them.
    static bool cutsThrough(const Table& table, int first, int last);
    // Frees the groups in use lying within the staves; true when it freed one.
    static bool freeWithin(Table& table, int first, int last);
    // Single staves of kind 2 for the staves, in the table's order.
    void registerSingles(Table& table, int first, int last);
    static tag_group* findId(Table& table, int id);
    static const tag_group* findId(const Table& table, int id);
    // The insertion into one table; true when the staff joined an existing group.
    bool insertInto(Table& table, int track, int kind);
    static void removeFrom(Table& table, int track);

    Table m_primary;
    Table m_secondary;
};
