#include "notabase/score/MCGroup.h"

#include "notabase/model/ECPerformanceBase.h"
#include "platform/core/Archive.h"

#include <algorithm>

MCGroup::~MCGroup() = default;

bool MCGroup::operator==(const MCGroup& other) const
{
    // Free entries do not count.
    auto same = [](Table a, Table b) {
        CleanTable(a);
        CleanTable(b);
        return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                          [](const tag_group& x, const tag_group& y) { return x.value == y.value && x.high == y.high; });
    };
    return same(m_primary, other.m_primary) && same(m_secondary, other.m_secondary);
}

void MCGroup::CleanTable(Table& table)
{
    std::erase_if(table, [](const tag_group& entry) { return !entry.inUse(); });
    const auto byFirst = [](const tag_group& a, const tag_group& b) { return a.first() < b.first(); };
    if (!std::is_sorted(table.begin(), table.end(), byFirst))
        std::stable_sort(table.begin(), table.end(), byFirst);
}

bool MCGroup::isOrdered(const Table& table)
{
    for (size_t i = 0; i < table.size(); ++i) {
        const tag_group& entry = table[i];
        if (!entry.inUse() || entry.last() < entry.first() || (i > 0 && entry.first() <= table[i - 1].last()))
            return false;
    }
    return true;
}

void MCGroup::tidy(Table& table, bool& ordered)
{
    if (ordered)
        return;
    CleanTable(table);
    ordered = isOrdered(table);
}

void MCGroup::forgetOrder()
{
    m_primaryOrdered = false;
    m_secondaryOrdered = false;
    m_idsCounted = false;
}

void MCGroup::UpdateFrom(Table& table, size_t index, int delta)
{
    for (size_t i = index + 1; i < table.size(); ++i) {
        tag_group& entry = table[i];
        if (!entry.inUse())
            continue;
        entry.setFirst(entry.first() + delta);
        entry.setLast(entry.last() + delta);
    }
}

int MCGroup::GetNextAvailableID() const
{
    // With n entries in use, one of the IDs 0..n is free.
    const size_t count = m_primary.size() + m_secondary.size();
    std::vector<bool> held(count + 1, false);
    for (const Table* table : {&m_primary, &m_secondary}) {
        for (const tag_group& entry : *table) {
            if (entry.inUse() && static_cast<size_t>(entry.id()) < held.size())
                held[static_cast<size_t>(entry.id())] = true;
        }
    }
    const auto free = static_cast<int>(std::find(held.begin(), held.end(), false) - held.begin());
    return free < idCount ? free : -1;
}

int MCGroup::takeId()
{
    if (!m_idsCounted) {
        m_idHolders.assign(1, 0);
        for (const Table* table : {&m_primary, &m_secondary}) {
            for (const tag_group& entry : *table) {
                if (!entry.inUse())
                    continue;
                const auto id = static_cast<size_t>(entry.id());
                if (id >= m_idHolders.size())
                    m_idHolders.resize(id + 1, 0);
                ++m_idHolders[id];
            }
        }
        m_idsHeldBelow = 0;
        m_idsCounted = true;
    }
    while (m_idsHeldBelow < m_idHolders.size() && m_idHolders[m_idsHeldBelow] > 0)
        ++m_idsHeldBelow;
    if (m_idsHeldBelow >= static_cast<size_t>(idCount))
        return 0;
    if (m_idsHeldBelow == m_idHolders.size())
        m_idHolders.push_back(0);
    ++m_idHolders[m_idsHeldBelow];
    return static_cast<int>(m_idsHeldBelow);
}

void MCGroup::releaseId(int id)
{
    const auto at = static_cast<size_t>(id);
    if (!m_idsCounted || at >= m_idHolders.size() || m_idHolders[at] == 0)
        return;
    if (--m_idHolders[at] == 0)
        m_idsHeldBelow = std::min(m_idsHeldBelow, at);
}

MCGroup::tag_group MCGroup::newEntry(int first, int last, int kind, int id)
{
    tag_group entry;
    entry.setFirst(first);
    entry.setLast(last);
    entry.setKind(kind);
    entry.setId(id);
    entry.setInUse(true);
    return entry;
}

int MCGroup::firstFree(const Table& table)
{
    const auto free = std::find_if(table.begin(), table.end(), [](const tag_group& e) { return !e.inUse(); });
    return free == table.end() ? -1 : static_cast<int>(free - table.begin());
}

bool MCGroup::cutsThrough(const Table& table, int first, int last)
{
    return std::any_of(table.begin(), table.end(), [&](const tag_group& e) {
        const bool overlaps = e.inUse() && e.last() >= first && e.first() <= last;
        return overlaps && (e.first() < first || e.last() > last);
    });
}

bool MCGroup::freeWithin(Table& table, int first, int last)
{
    bool freed = false;
    for (tag_group& entry : table) {
        if (entry.inUse() && entry.first() >= first && entry.last() <= last) {
            entry.setInUse(false);
            freed = true;
        }
    }
    return freed;
}

MCGroup::tag_group* MCGroup::findId(Table& table, int id)
{
    const auto at = std::find_if(table.begin(), table.end(),
                                 [id](const tag_group& e) { return e.inUse() && e.id() == id; });
    return at == table.end() ? nullptr : &*at;
}

const MCGroup::tag_group* MCGroup::findId(const Table& table, int id)
{
    const auto at = std::find_if(table.begin(), table.end(),
                                 [id](const tag_group& e) { return e.inUse() && e.id() == id; });
    return at == table.end() ? nullptr : &*at;
}

bool MCGroup::insertInto(Table& table, bool& ordered, int track, int kind)
{
    // In an ordered table no group reaches a staff after the last group's last one.
    if (ordered && (table.empty() || table.back().last() < track)) {
        table.push_back(newEntry(track, track, kind, takeId()));
        return false;
    }
    for (size_t i = 0; i < table.size(); ++i) {
        tag_group& entry = table[i];
        if (!entry.inUse())
            continue;
        if (entry.first() == track) {
            // The new staff takes the number; the group that had it moves up with the rest.
            table.insert(table.begin() + static_cast<std::ptrdiff_t>(i), newEntry(track, track, kind, takeId()));
            UpdateFrom(table, i, 1);
            return false;
        }
        if (entry.first() < track && track <= entry.last()) {
            entry.setLast(entry.last() + 1);
            UpdateFrom(table, i, 1);
            return true;
        }
    }
    // A staff no group reaches, before the last group's end: the table is out of order now.
    table.push_back(newEntry(track, track, kind, takeId()));
    ordered = false;
    return false;
}

void MCGroup::InsertTrack(int track, unsigned char kind)
{
    tidy(m_primary, m_primaryOrdered);
    tidy(m_secondary, m_secondaryOrdered);
    // A staff of a group kind that joins an existing primary group comes into the secondary table
    // with its kind; any other is a plain single staff there.
    const bool joined = insertInto(m_primary, m_primaryOrdered, track, kind);
    insertInto(m_secondary, m_secondaryOrdered, track, joined && kind != kindSingle ? kind : kindSingle);
}

void MCGroup::removeFrom(Table& table, bool& ordered, int track)
{
    // In an ordered table only the last group can hold a staff from its first one on.
    const size_t start = ordered && !table.empty() && table.back().first() <= track ? table.size() - 1 : 0;
    for (size_t i = start; i < table.size(); ++i) {
        tag_group& entry = table[i];
        if (!entry.inUse())
            continue;
        if (entry.first() < track && track <= entry.last()) {
            entry.setLast(entry.last() - 1);
            UpdateFrom(table, i, -1);
            return;
        }
        if (entry.first() == track) {
            UpdateFrom(table, i, -1);
            // A group of more staves keeps its first number, which now names the next staff.
            if (entry.last() != track) {
                entry.setLast(entry.last() - 1);
                return;
            }
            entry.setInUse(false);
            releaseId(entry.id());
            // A free entry at the end is one that no grouping could fill before the next clean-up
            // drops it: it goes now. Anywhere else it waits for the clean-up.
            if (i + 1 == table.size())
                table.pop_back();
            else
                ordered = false;
            return;
        }
    }
}

void MCGroup::RemoveTrack(int track)
{
    tidy(m_primary, m_primaryOrdered);
    tidy(m_secondary, m_secondaryOrdered);
    removeFrom(m_primary, m_primaryOrdered, track);
    removeFrom(m_secondary, m_secondaryOrdered, track);
}

int MCGroup::Relation(const Table& table, int first, int last)
{
    const bool groupMet = std::any_of(table.begin(), table.end(), [&](const tag_group& e) {
        return e.inUse() && e.last() >= first && e.first() <= last && e.kind() != kindSingle;
    });
    if (!groupMet)
        return 4;
    int result = -1;
    for (const tag_group& e : table) {
        if (!e.inUse())
            continue;
        const int f = e.first();
        const int l = e.last();
        if ((f > first && l <= last) || (f >= first && l < last)) {
            result = 1;
        } else if ((f < first && l >= last) || (f <= first && l > last)) {
            return 0;
        } else if (f == first && l == last) {
            return 3;
        } else if ((f < first && l >= first && l <= last) || (f >= first && f <= last && l > last)) {
            return 2;
        }
    }
    return result;
}

int MCGroup::GroupTracks(int first, int last, unsigned char kind, int& group)
{
    if (last < first)
        return 0;
    forgetOrder();
    // A refused grouping leaves the tables exactly as they were.
    const Table primary = m_primary;
    const Table secondary = m_secondary;
    int made = 0;
    switch (Relation(m_primary, first, last)) {
    case 4:
        made = GroupPrimary(first, last, kind, group);
        break;
    case 1:
        made = kind != kindGroup ? GroupPrimary(first, last, kind, group) : 0;
        break;
    case 0:
        made = GroupSecondary(first, last, kind, group);
        break;
    case 3:
        made = kind == kindGroup ? GroupSecondary(first, last, kind, group) : 0;
        break;
    default:
        break;
    }
    if (!made) {
        m_primary = primary;
        m_secondary = secondary;
    }
    return made;
}

int MCGroup::GroupPrimary(int first, int last, unsigned char kind, int& group)
{
    // A staff is in one primary group only.
    if (cutsThrough(m_primary, first, last))
        return 0;
    bool freed = false;
    for (tag_group& entry : m_primary) {
        if (!entry.inUse() || entry.first() < first || entry.last() > last)
            continue;
        if (entry.kind() != kindSingle)
            PromoteToSecondary(entry);
        entry.setInUse(false);
        freed = true;
    }
    // A range that held no group names no staff.
    return freed ? fillFree(m_primary, first, last, kind, group) : 0;
}

int MCGroup::GroupSecondary(int first, int last, unsigned char kind, int& group)
{
    const int relation = Relation(m_secondary, first, last);
    if ((relation != 4 && relation != 1) || cutsThrough(m_secondary, first, last))
        return 0;
    return freeWithin(m_secondary, first, last) ? fillFree(m_secondary, first, last, kind, group) : 0;
}

int MCGroup::fillFree(Table& table, int first, int last, unsigned char kind, int& group)
{
    const int free = firstFree(table);
    const int id = GetNextAvailableID();
    if (free < 0 || id < 0)
        return 0;
    // The entry keeps its bar-across bit.
    tag_group& entry = table[static_cast<size_t>(free)];
    entry.setFirst(first);
    entry.setLast(last);
    entry.setKind(kind);
    entry.setId(id);
    entry.setInUse(true);
    group = id;
    return 1;
}

void MCGroup::PromoteToSecondary(const tag_group& entry)
{
    const int first = entry.first();
    const int last = entry.last();
    if (cutsThrough(m_secondary, first, last) || Relation(m_secondary, first, last) == 3)
        return;
    freeWithin(m_secondary, first, last);
    // The group keeps its ID, which it gives up in the primary table.
    m_secondary.push_back(entry);
    CleanTable(m_secondary);
}

void MCGroup::registerSingles(Table& table, int first, int last)
{
    for (int staff = first; staff <= last; ++staff)
        table.push_back(newEntry(staff, staff, kindSingle, std::max(GetNextAvailableID(), 0)));
    CleanTable(table);
}

void MCGroup::RemovePrimaryGroup(int id)
{
    tag_group* entry = findId(m_primary, id);
    if (!entry)
        return;
    entry->setInUse(false);
    const int first = entry->first();
    const int last = entry->last();
    // Only the primary table: the staves keep their places in the secondary groups.
    registerSingles(m_primary, first, last);
    CleanTable(m_secondary);
}

void MCGroup::RemoveSecondaryGroup(int id)
{
    tag_group* entry = findId(m_secondary, id);
    if (!entry)
        return;
    entry->setInUse(false);
    const int first = entry->first();
    const int last = entry->last();
    // The secondary table too covers every staff once.
    registerSingles(m_secondary, first, last);
    CleanTable(m_primary);
}

int MCGroup::RemoveGroup(int group)
{
    forgetOrder();
    if (const tag_group* primary = findId(m_primary, group)) {
        const int first = primary->first();
        const int last = primary->last();
        std::vector<int> within;
        for (const tag_group& e : m_secondary) {
            if (e.inUse() && e.kind() != kindSingle && e.first() >= first && e.last() <= last)
                within.push_back(e.id());
        }
        for (int id : within)
            RemoveSecondaryGroup(id);
        RemovePrimaryGroup(group);
        return 1;
    }
    if (findId(m_secondary, group)) {
        RemoveSecondaryGroup(group);
        return 1;
    }
    return 0;
}

int MCGroup::GetGroupInfo(int group, int& first, int& last, int& kind) const
{
    const tag_group* entry = findId(m_primary, group);
    if (!entry)
        entry = findId(m_secondary, group);
    if (!entry)
        return 0;
    first = entry->first();
    last = entry->last();
    kind = entry->kind();
    return 1;
}

void MCGroup::SetBarEntireGroup(int group, int bar)
{
    tag_group* entry = findId(m_primary, group);
    if (!entry)
        entry = findId(m_secondary, group);
    if (entry)
        entry->setBarAcross((bar & 1) != 0);
}

int MCGroup::IsBarEntireGroup(int group) const
{
    const tag_group* entry = findId(m_primary, group);
    if (!entry)
        entry = findId(m_secondary, group);
    return entry && entry->barAcross() ? 1 : 0;
}

void MCGroup::RemoveAll()
{
    forgetOrder();
    for (Table* table : {&m_primary, &m_secondary}) {
        for (tag_group& entry : *table)
            entry.setInUse(false);
    }
}

void MCGroup::Serialize(plat::Archive& archive)
{
    if (archive.isStoring()) {
        // Free entries are left out, so a piece stores the same whatever edits came before.
        for (const Table* table : {&m_primary, &m_secondary}) {
            Table kept = *table;
            CleanTable(kept);
            const auto extensions = std::count_if(kept.begin(), kept.end(), [](const tag_group& e) { return e.high != 0; });
            archive.writeCount(static_cast<uint32_t>(kept.size() + static_cast<size_t>(extensions)));
            for (const tag_group& entry : kept) {
                archive.writeU32(entry.value);
                if (entry.high != 0)
                    archive.writeU32(entry.high | extensionBit);
            }
        }
        return;
    }
    forgetOrder();
    for (Table* table : {&m_primary, &m_secondary}) {
        const uint32_t count = archive.readCount(4);
        table->clear();
        table->reserve(count);
        bool extendable = false;
        for (uint32_t i = 0; i < count; ++i) {
            tag_group entry;
            entry.value = archive.readU32();
            // The high bytes of the entry in use before; a document that stored none keeps its
            // free entries as they are.
            if (extendable && (entry.value & (extensionBit | tag_group::inUseBit)) == extensionBit) {
                table->back().high = entry.value & tag_group::highMask;
                extendable = false;
                continue;
            }
            extendable = entry.inUse();
            table->push_back(entry);
        }
    }
    if (ECPerformanceBase::GetActiveVersion(archive) < 3) {
        // Older documents kept neither IDs nor the bar-across bit.
        const size_t primaryCount = m_primary.size();
        for (size_t i = 0; i < primaryCount; ++i) {
            m_primary[i].setBarAcross(true);
            m_primary[i].setId(static_cast<int>(i % idCount));
        }
        for (size_t i = 0; i < m_secondary.size(); ++i) {
            m_secondary[i].setBarAcross(true);
            m_secondary[i].setId(static_cast<int>((primaryCount + i) % idCount));
        }
    }
}
