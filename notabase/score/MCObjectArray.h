#pragma once

#include "platform/core/Archive.h"

#include <cstdint>
#include <vector>

// The stored form of an array of object pointers: a count of entries, then a reference to each
// entry's object, empty entries included. The score keeps its tables of staves and measures this
// way, in the second pass over a graph, when every object they point at has been stored or
// loaded already.
namespace MCObjectArray {

template <class T>
void Store(plat::Archive& archive, const std::vector<T*>& entries)
{
    archive.writeCount(static_cast<uint32_t>(entries.size()));
    for (const T* entry : entries)
        archive.writeObject(entry);
}

// Each entry must be of class T or empty.
template <class T>
std::vector<T*> Load(plat::Archive& archive)
{
    std::vector<T*> entries(archive.readCount(1));
    for (T*& entry : entries)
        entry = archive.readReferenceAs<T>();
    return entries;
}

}  // namespace MCObjectArray
