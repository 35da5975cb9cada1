#pragma once

#include "platform/storage/PlatStorageExport.h"

#include "platform/storage/StorageError.h"

#include "platform/core/ByteStream.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace plat {

// A compound file: a root storage holding named streams, in the structured-storage format
// that libgsf reads and writes.
//
// Opening holds the file for as long as the Storage lives: read-write and exclusive when it
// can, else read-only and shared with other readers (a second read-write opener is refused
// with StorageError(locked)). A file that is not a compound file opens "converted": it shows
// as one stream "Contents" holding the file's bytes, and nothing is ever written to it.
//
// Nothing read is trusted: the file is bounded in size, libgsf's directory is checked
// against the file, and a stream larger than the file that holds it is refused. The file is
// read once, when its streams are first asked for (so a damaged container is refused then:
// a document that only holds the file it has just written never reads it back); a stream
// whose sectors follow one another, as every stream this class writes, is then used where it
// lies in the file, and only a scattered one is gathered into a copy.
//
// Writing never touches the file being replaced until the new one is whole: the container is
// written straight into a temporary file beside the target (the streams are not copied on
// the way, and a stream given by a writer is never held whole), synced, and renamed over it. A write that fails at any point removes the
// temporary file and leaves the old file as it was.
class PLATSTORAGE_API Storage {
public:
    enum class Access { readWrite, readOnly };
    enum class Kind { compound, converted };

    struct Stream {
        std::string name;
        std::span<const uint8_t> data;
    };
    // Called before each block of the new file goes to the disk, with the bytes written so
    // far; a test throws from it to interrupt the write at that point.
    using WriteProbe = std::function<void(uint64_t written)>;
    // Writes a stream's bytes into the stream it is given as it makes them. What it throws
    // ends the write as a failed one and comes out as it was thrown.
    using StreamWriter = std::function<void(ByteStream& stream)>;

    // The largest file opened (and the largest stream read): far above any document, far
    // below what would exhaust memory.
    static constexpr uint64_t kMaxFileSize = uint64_t(1) << 30;
    // The 8 bytes that begin every compound file.
    static constexpr uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

    ~Storage();
    Storage(const Storage&) = delete;
    Storage& operator=(const Storage&) = delete;

    // Whether the file begins with the compound-file signature. Throws StorageError when the
    // file cannot be read or is not a regular file.
    static bool isStorageFile(const std::string& path);
    // Opens and locks a file as described above. Throws StorageError.
    static std::unique_ptr<Storage> open(const std::string& path);

    const std::string& path() const { return m_path; }
    Access access() const { return m_access; }
    Kind kind() const { return m_kind; }
    // The names of the root's streams (and sub-storages), in the directory's order (the
    // format sorts names, so not necessarily the order they were written in). This and the
    // members below read the file on their first call and throw StorageError when it cannot
    // be read or is damaged.
    std::vector<std::string> streamNames() const;
    // Stream names compare without regard to case, as the format has it.
    bool hasStream(std::string_view name) const;
    // The bytes of a stream of the root; StorageError(notFound) when there is none.
    std::vector<uint8_t> readStream(std::string_view name) const;
    // The same bytes where the storage holds them, valid while it lives: no copy.
    std::span<const uint8_t> streamData(std::string_view name) const;

    // The bytes of a compound file whose root holds the given streams.
    static std::vector<uint8_t> build(const std::vector<Stream>& streams);
    // Replaces (or creates) the file at path with the bytes, through a temporary file beside
    // it. Throws StorageError (accessDenied for a file the user may not write, writeFailed) or
    // the probe's exception; the old file stays whole.
    static void replaceFile(const std::string& path, std::span<const uint8_t> bytes,
                            const WriteProbe& probe = {});
    // What build() makes, written as replaceFile() writes (the probe sees each block).
    static void write(const std::string& path, const std::vector<Stream>& streams,
                      const WriteProbe& probe = {});
    // A file of one stream, written as write() does, whose bytes the writer makes on the way:
    // they go to the file in blocks as they come and are never gathered whole. The file's
    // bytes are those of write() with the same stream.
    static void write(const std::string& path, const std::string& streamName, const StreamWriter& writer,
                      const WriteProbe& probe = {});

private:
    struct Entry {
        std::string name;
        bool isStorage = false;
        // A stream lies in the file's bytes at offset, or, scattered in the file, in a copy.
        bool inFile = false;
        size_t offset = 0;
        size_t size = 0;
        std::vector<uint8_t> copy;
    };

    Storage() = default;
    // Reads the file and its directory, unless that was done.
    void load() const;
    const Entry* find(std::string_view name) const;

    std::string m_path;
    Access m_access = Access::readOnly;
    // Compound by its signature when opened; converted after all when the file read then
    // turns out to have none.
    mutable Kind m_kind = Kind::converted;
    int m_fd = -1;
    // The whole file, as it was read, and its directory.
    mutable bool m_loaded = false;
    mutable std::unique_ptr<uint8_t[]> m_bytes;
    mutable size_t m_size = 0;
    mutable std::vector<Entry> m_entries;
};

}  // namespace plat
