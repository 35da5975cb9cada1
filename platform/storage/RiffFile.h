#pragma once

#include "platform/storage/PlatStorageExport.h"

#include "platform/storage/RiffChunk.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace plat::riff {

enum class RiffError {
    None = 0,
    CannotOpen,      // the file could not be opened or created
    NotOpen,         // nothing is open
    ChunkNotFound,   // no chunk of that kind before the end of the parent or the file
    Read,            // a read failed or stopped short
    Write,           // a write failed, or the file is open for reading only
    Seek,            // a position outside the file, or the system refused the move
    TooLarge,        // a chunk would outgrow what its 32-bit size can count
    NotCreated,      // updateSize() of a chunk that createChunk() did not make
};

// Reads and writes RIFF files chunk by chunk, over a file or a block of memory, with one
// current position as a buffered file has.
//
// descend() finds a chunk from the current position; ascend() leaves it, writing its size
// when it was created here; createChunk() starts a new chunk at the current position. Every
// chunk found is bounded by its parent and by the bytes the file really holds: a header that
// claims more (a truncated file, a corrupted size) gives a chunk cut to what is there, and
// nothing is ever read past it.
class PLATSTORAGE_API RiffFile {
public:
    enum class Find {
        Any,     // the next chunk, whatever its id
        Chunk,   // the next chunk with chunk.id
        Riff,    // the next "RIFF" chunk with chunk.formType
        List,    // the next "LIST" chunk with chunk.formType
    };
    enum class Kind { Chunk, Riff, List };

    RiffFile();
    ~RiffFile();   // closes
    RiffFile(const RiffFile&) = delete;
    RiffFile& operator=(const RiffFile&) = delete;

    // Opens an existing file for reading.
    RiffError openRead(const std::string& path);
    // Creates the file, or empties an existing one, for reading and writing.
    RiffError create(const std::string& path);
    // Reads and writes the bytes given, in memory; takeMemory() hands them back.
    void openMemory(std::vector<uint8_t> bytes = {});
    // Flushes and closes. Closing what is not open answers None.
    RiffError close();
    bool isOpen() const;

    // Reads up to size bytes at the current position; how many were read (0 at the end).
    size_t read(void* buffer, size_t size);
    // Reads exactly size bytes, or fails with Read and leaves the position where it was.
    RiffError readExact(void* buffer, size_t size);
    RiffError write(const void* data, size_t size);
    RiffError write(std::span<const uint8_t> data) { return write(data.data(), data.size()); }
    // Moves to an absolute offset; a file may be moved past its end only while writing.
    RiffError seek(uint64_t offset);
    uint64_t tell() const;
    // The bytes the file holds, counting what was written and not yet flushed.
    uint64_t fileSize() const;
    RiffError flush();

    // Finds a chunk at or after the current position, inside parent (the whole file when
    // null). On success the position is the first byte of the chunk's data (behind the form
    // type for "RIFF" and "LIST"); on failure the position is undefined.
    RiffError descend(RiffChunk& chunk, const RiffChunk* parent = nullptr, Find find = Find::Any);
    // Moves behind the chunk and its pad byte. A chunk created here first gets its size (the
    // current position less its data offset) written into its header and a pad byte when
    // that size is odd.
    RiffError ascend(RiffChunk& chunk);
    // Writes a chunk header at the current position: chunk.id (or "RIFF"/"LIST" with
    // chunk.formType) and chunk.size, which ascend() corrects later.
    RiffError createChunk(RiffChunk& chunk, Kind kind = Kind::Chunk);
    // Writes the size a created chunk has so far (the current position less its data
    // offset) into its header and stays where it is, so the file reads well before the chunk
    // is ascended out of.
    RiffError updateSize(RiffChunk& chunk);

    // The system error of the last failure, 0 when it had none.
    int lastErrno() const { return m_errno; }
    // The bytes of a memory file (empty for a disk file).
    std::vector<uint8_t> takeMemory();

    class Backing;

private:
    RiffError fail(RiffError error, int sysError = 0);
    RiffError writeU32At(uint64_t offset, uint32_t value);

    std::unique_ptr<Backing> m_backing;
    int m_errno = 0;
};

}  // namespace plat::riff
