#pragma once

#include "platform/storage/PlatStorageExport.h"

#include <cstdint>

namespace plat::riff {

// A four-character code as RIFF stores it: the first character in the lowest byte.
constexpr uint32_t fourcc(char a, char b, char c, char d) {
    return static_cast<uint32_t>(static_cast<uint8_t>(a)) | static_cast<uint32_t>(static_cast<uint8_t>(b)) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(c)) << 16 | static_cast<uint32_t>(static_cast<uint8_t>(d)) << 24;
}

inline constexpr uint32_t kRiff = fourcc('R', 'I', 'F', 'F');
inline constexpr uint32_t kList = fourcc('L', 'I', 'S', 'T');

// One chunk of a RIFF file: where its data lies and how long it is. For a "RIFF" or "LIST"
// chunk the data starts with the form type.
struct PLATSTORAGE_API RiffChunk {
    uint32_t id = 0;
    // The bytes of data that the file really holds: the size the header claims, cut to what
    // its parent chunk and the file leave room for. A chunk being written has the size its
    // header was created with until it is ascended out of.
    uint32_t size = 0;
    // What the header claims; differs from size only for a chunk cut short.
    uint32_t claimedSize = 0;
    uint32_t formType = 0;
    // File offset of the first data byte (of the form type for "RIFF" and "LIST").
    uint64_t dataOffset = 0;
    // Created by createChunk(): ascending writes its size.
    bool dirty = false;

    uint64_t end() const { return dataOffset + size; }
    bool truncated() const { return size < claimedSize; }
};

}  // namespace plat::riff
