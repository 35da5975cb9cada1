#include "rack/rackplayer/PlayList.h"

namespace rack {

namespace {

// The first entry with the position, or null.
PlayListEntry* atPosition(const PlayList& list, int32_t position)
{
    for (PlayListEntry* entry = list.first.get(); entry; entry = entry->next.get())
        if (entry->position == position)
            return entry;
    return nullptr;
}

void raiseFrom(PlayListEntry* entry, int32_t by)
{
    for (; entry; entry = entry->next.get())
        entry->position += by;
}

std::unique_ptr<PlayListEntry> makeEntry(std::string_view name, int32_t position, int32_t value)
{
    auto entry = std::make_unique<PlayListEntry>();
    entry->name = name;
    entry->position = position;
    entry->value = value;
    return entry;
}

}  // namespace

PlayList::~PlayList()
{
    pl_Clear(*this);
}

void pl_Insert(PlayList& list, std::string_view name, int32_t position, int32_t value)
{
    if (!list.first) {
        list.first = makeEntry(name, position == -1 ? 0 : position, value);
        return;
    }
    // The link that points at the first entry with the position, or at the end of the chain.
    std::unique_ptr<PlayListEntry>* link = &list.first;
    PlayListEntry* last = nullptr;
    while (*link && (*link)->position != position) {
        last = link->get();
        link = &(*link)->next;
    }
    if (*link) {
        std::unique_ptr<PlayListEntry> entry = makeEntry(name, position, value);
        raiseFrom(link->get(), 1);
        entry->next = std::move(*link);
        *link = std::move(entry);
        return;
    }
    *link = makeEntry(name, position == -1 ? last->position + 1 : position, value);
}

void pl_Add(PlayList& list, std::string_view name, int32_t position, int32_t value)
{
    pl_Insert(list, name, position, value);
}

void pl_RemoveAt(PlayList& list, int32_t position)
{
    if (!list.first)
        return;
    if (!list.first->next) {
        if (position == 0)
            list.first.reset();
        return;
    }
    std::unique_ptr<PlayListEntry>* link = &list.first;
    while (*link && (*link)->position != position)
        link = &(*link)->next;
    if (!*link)
        return;
    std::unique_ptr<PlayListEntry> gone = std::move(*link);
    *link = std::move(gone->next);
    raiseFrom(link->get(), -1);
}

void pl_Remove(PlayList& list, int32_t position, PlayList& removed)
{
    const PlayListEntry* entry = list.first && !list.first->next ? (position == 0 ? list.first.get() : nullptr)
                                                                 : atPosition(list, position);
    if (entry && entry->value != 0)
        pl_Insert(removed, entry->name, -1, 1);
    pl_RemoveAt(list, position);
}

PlayListEntry* pl_Find(const PlayList& list, int32_t position)
{
    if (list.first && !list.first->next)
        return position == 0 ? list.first.get() : nullptr;
    return atPosition(list, position);
}

int pl_FindValue(const PlayList& list, int32_t value, int32_t* position)
{
    for (const PlayListEntry* entry = list.first.get(); entry; entry = entry->next.get()) {
        if (entry->value == value) {
            if (position)
                *position = entry->position;
            return 1;
        }
    }
    return 0;
}

int pl_HasValue(const PlayList& list, int32_t position, int32_t value)
{
    const PlayListEntry* entry = atPosition(list, position);
    return entry && entry->value == value ? 1 : 0;
}

int32_t pl_GetValue(const PlayList& list, int32_t position)
{
    const PlayListEntry* entry = atPosition(list, position);
    return entry ? entry->value : -1;
}

void pl_Rename(PlayList& list, std::string_view name, int32_t position)
{
    if (PlayListEntry* entry = atPosition(list, position))
        entry->name = name;
}

int pl_Count(const PlayList& list)
{
    int count = 0;
    for (const PlayListEntry* entry = list.first.get(); entry; entry = entry->next.get())
        ++count;
    return count;
}

void pl_Clear(PlayList& list)
{
    // One entry at a time: a long chain freed by its own destructors would recurse deeply.
    std::unique_ptr<PlayListEntry> entry = std::move(list.first);
    while (entry)
        entry = std::move(entry->next);
}

}  // namespace rack
