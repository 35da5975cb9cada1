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
//
// A staff added after the last one, or the last one removed, costs a step rather than a walk of
// the tables: each table remembers whether it is in staff order without free entries, and the
// IDs held are counted as staves come and go.
class NOTABASE_API MCGroup {
public:
    // One entry. Its stored 32-bit value holds the first staff in bits 0-7, the last staff in
    // bits 8-15, the kind in bits 16-17, in use in bit 18, the ID in bits 19-26, bar lines across
    // the whole group in bit 27. Staff numbers and IDs are 16 bits wide: their high bytes lie in
    // `high`, at the places of the low bytes in `value`, and are stored only when not 0 (see
    // Serialize), so that a piece of more than 255 staves keeps its groups.
    struct NOTABASE_API tag_group {
        // A new entry is free, with bar lines across.
        uint32_t value = barAcrossBit;
        uint32_t high = 0;

        static constexpr uint32_t inUseBit = 1u << 18;
        static constexpr uint32_t barAcrossBit = 1u << 27;
        // The bits of the high bytes in `high`.
        static constexpr uint32_t highMask = 0xFFu | 0xFFu << 8 | 0xFFu << 19;

        int first() const { return wide(0); }
        int last() const { return wide(8); }
        int kind() const { return static_cast<int>((value >> 16) & 0x3); }
        bool inUse() const { return (value & inUseBit) != 0; }
        int id() const { return wide(19); }
        bool barAcross() const { return (value & barAcrossBit) != 0; }

        void setFirst(int staff) { setWide(0, staff); }
        void setLast(int staff) { setWide(8, staff); }
        void setKind(int kind) { value = (value & ~(0x3u << 16)) | ((static_cast<uint32_t>(kind) & 0x3) << 16); }
        void setInUse(bool on) { value = on ? (value | inUseBit) : (value & ~inUseBit); }
        void setId(int id) { setWide(19, id); }
        void setBarAcross(bool on) { value = on ? (value | barAcrossBit) : (value & ~barAcrossBit); }

    private:
        int wide(int shift) const
        {
            return static_cast<int>(((value >> shift) & 0xFF) | ((high >> shift) & 0xFF) << 8);
        }
        // 16-bit arithmetic: a number out of range wraps, as it would in the stored bytes.
        void setWide(int shift, int field)
        {
            const auto bits = static_cast<uint32_t>(field);
            value = (value & ~(0xFFu << shift)) | ((bits & 0xFF) << shift);
            high = (high & ~(0xFFu << shift)) | (((bits >> 8) & 0xFF) << shift);
        }
    };
    using Table = std::vector<tag_group>;

    // The kinds the model makes: 2 is the kind of a plain single staff.
    static constexpr int kindGroup = 1;
    static constexpr int kindSingle = 2;
    // In a stored free entry, marks the high bytes of the entry before it.
    static constexpr uint32_t extensionBit = 1u << 31;
    // IDs are 16 bits, as are staff numbers.
    static constexpr int idCount = 65536;

    MCGroup() = default;
    virtual ~MCGroup();
    MCGroup(const MCGroup&) = default;
    MCGroup& operator=(const MCGroup&) = default;

    // Each table as a count, then the 32-bit value of each entry in use, in staff order. An entry
    // whose numbers do not fit in 8 bits is followed by one that carries their high bytes: a free
    // entry (which an older reader drops as it drops any free entry) with extensionBit set. A
    // piece of up to 128 staves needs none, and is stored as before. Entries read from a
    // document below version 3 get bar lines across, and IDs numbered through both tables.
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
    // A new entry in use.
    static tag_group newEntry(int first, int last, int kind, int id);
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
    // Whether the entries are all in use, in staff order, none overlapping the next.
    static bool isOrdered(const Table& table);
    // CleanTable, unless the table is known to be ordered; then whether it is.
    static void tidy(Table& table, bool& ordered);
    // The insertion into one table; true when the staff joined an existing group.
    bool insertInto(Table& table, bool& ordered, int track, int kind);
    void removeFrom(Table& table, bool& ordered, int track);
    // The lowest ID no group holds, now held by the caller's new entry; 0 when none is left
    // (staff registration cannot be refused).
    int takeId();
    void releaseId(int id);
    // The tables changed other than by a staff inserted or removed.
    void forgetOrder();

    Table m_primary;
    Table m_secondary;
    // Whether each table is known to be ordered (isOrdered): a staff after the last one then
    // goes to the end without a walk, and the last one is found at the end.
    bool m_primaryOrdered = true;
    bool m_secondaryOrdered = true;
    // While m_idsCounted: how many groups in use hold each ID, and an ID below which every one
    // is held.
    std::vector<uint32_t> m_idHolders;
    std::size_t m_idsHeldBelow = 0;
    bool m_idsCounted = false;
};
