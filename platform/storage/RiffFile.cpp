#include "platform/storage/RiffFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>

#include <sys/stat.h>

namespace plat::riff {

// Where the bytes live: a disk file or memory. Positions are absolute offsets.
class RiffFile::Backing {
public:
    virtual ~Backing() = default;
    virtual size_t read(void* buffer, size_t size, int& sysError) = 0;
    virtual bool write(const void* data, size_t size, int& sysError) = 0;
    virtual bool seek(uint64_t offset, int& sysError) = 0;
    virtual bool flush(int& sysError) = 0;
    virtual bool close(int& sysError) = 0;
    virtual std::vector<uint8_t> take() { return {}; }
    bool writable() const { return m_writable; }
    uint64_t position() const { return m_position; }
    uint64_t size() const { return m_size; }

protected:
    bool m_writable = false;
    uint64_t m_position = 0;
    uint64_t m_size = 0;
};

namespace {

constexpr size_t kFileBuffer = 64 * 1024;

class FileBacking final : public RiffFile::Backing {
public:
    FileBacking(std::FILE* file, bool writable, uint64_t size) : m_file(file) {
        m_writable = writable;
        m_size = size;
        std::setvbuf(m_file, nullptr, _IOFBF, kFileBuffer);
    }
    ~FileBacking() override {
        if (m_file)
            std::fclose(m_file);
    }

    size_t read(void* buffer, size_t size, int& sysError) override {
        if (m_lastWasWrite && !switchDirection(sysError))
            return 0;
        m_lastWasWrite = false;
        const size_t got = std::fread(buffer, 1, size, m_file);
        if (got < size && std::ferror(m_file)) {
            sysError = errno;
            std::clearerr(m_file);
        }
        m_position += got;
        return got;
    }

    bool write(const void* data, size_t size, int& sysError) override {
        if (!m_lastWasWrite && !switchDirection(sysError))
            return false;
        m_lastWasWrite = true;
        const size_t put = std::fwrite(data, 1, size, m_file);
        m_position += put;
        m_size = std::max(m_size, m_position);
        if (put < size) {
            sysError = errno;
            std::clearerr(m_file);
            return false;
        }
        return true;
    }

    bool seek(uint64_t offset, int& sysError) override {
        if (offset > static_cast<uint64_t>(std::numeric_limits<off_t>::max())) {
            sysError = EINVAL;
            return false;
        }
        if (fseeko(m_file, static_cast<off_t>(offset), SEEK_SET) != 0) {
            sysError = errno;
            return false;
        }
        m_position = offset;
        return true;
    }

    bool flush(int& sysError) override {
        if (std::fflush(m_file) != 0) {
            sysError = errno;
            return false;
        }
        return true;
    }

    bool close(int& sysError) override {
        std::FILE* file = m_file;
        m_file = nullptr;
        if (std::fclose(file) != 0) {
            sysError = errno;
            return false;
        }
        return true;
    }

private:
    // The C library needs a positioning call between a read and a write.
    bool switchDirection(int& sysError) { return seek(m_position, sysError); }

    std::FILE* m_file;
    bool m_lastWasWrite = false;
};

class MemoryBacking final : public RiffFile::Backing {
public:
    explicit MemoryBacking(std::vector<uint8_t> bytes) : m_bytes(std::move(bytes)) {
        m_writable = true;
        m_size = m_bytes.size();
    }

    size_t read(void* buffer, size_t size, int&) override {
        if (m_position >= m_bytes.size())
            return 0;
        const size_t n = static_cast<size_t>(std::min<uint64_t>(size, m_bytes.size() - m_position));
        std::memcpy(buffer, m_bytes.data() + m_position, n);
        m_position += n;
        return n;
    }

    bool write(const void* data, size_t size, int& sysError) override {
        if (size == 0)
            return true;
        const uint64_t end = m_position + size;
        if (end > m_bytes.max_size()) {
            sysError = ENOMEM;
            return false;
        }
        if (end > m_bytes.size())
            m_bytes.resize(static_cast<size_t>(end));
        std::memcpy(m_bytes.data() + m_position, data, size);
        m_position = end;
        m_size = m_bytes.size();
        return true;
    }

    bool seek(uint64_t offset, int&) override {
        m_position = offset;
        return true;
    }

    bool flush(int&) override { return true; }
    bool close(int&) override { return true; }
    std::vector<uint8_t> take() override {
        m_size = 0;
        m_position = 0;
        return std::move(m_bytes);
    }

private:
    std::vector<uint8_t> m_bytes;
};

uint32_t readU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

void putU32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

bool isForm(uint32_t id) { return id == kRiff || id == kList; }

}  // namespace

RiffFile::RiffFile() = default;

RiffFile::~RiffFile() { close(); }

RiffError RiffFile::openRead(const std::string& path) {
    close();
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return fail(RiffError::CannotOpen, errno);
    struct stat info {};
    if (fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode)) {
        const int error = errno ? errno : EISDIR;
        std::fclose(file);
        return fail(RiffError::CannotOpen, error);
    }
    m_backing = std::make_unique<FileBacking>(file, false, static_cast<uint64_t>(info.st_size));
    m_errno = 0;
    return RiffError::None;
}

RiffError RiffFile::create(const std::string& path) {
    close();
    std::FILE* file = std::fopen(path.c_str(), "w+b");
    if (!file)
        return fail(RiffError::CannotOpen, errno);
    m_backing = std::make_unique<FileBacking>(file, true, 0);
    m_errno = 0;
    return RiffError::None;
}

void RiffFile::openMemory(std::vector<uint8_t> bytes) {
    close();
    m_backing = std::make_unique<MemoryBacking>(std::move(bytes));
    m_errno = 0;
}

RiffError RiffFile::close() {
    if (!m_backing)
        return RiffError::None;
    std::unique_ptr<Backing> backing = std::move(m_backing);
    int sysError = 0;
    const bool flushed = !backing->writable() || backing->flush(sysError);
    int closeError = 0;
    const bool closed = backing->close(closeError);
    if (!flushed)
        return fail(RiffError::Write, sysError);
    if (!closed)
        return fail(RiffError::Write, closeError);
    return RiffError::None;
}

bool RiffFile::isOpen() const { return m_backing != nullptr; }

size_t RiffFile::read(void* buffer, size_t size) {
    if (!m_backing || size == 0)
        return 0;
    int sysError = 0;
    const size_t got = m_backing->read(buffer, size, sysError);
    if (sysError)
        fail(RiffError::Read, sysError);
    return got;
}

RiffError RiffFile::readExact(void* buffer, size_t size) {
    if (!m_backing)
        return fail(RiffError::NotOpen);
    const uint64_t start = m_backing->position();
    if (read(buffer, size) == size)
        return RiffError::None;
    int sysError = 0;
    m_backing->seek(start, sysError);
    return fail(RiffError::Read, m_errno);
}

RiffError RiffFile::write(const void* data, size_t size) {
    if (!m_backing)
        return fail(RiffError::NotOpen);
    if (!m_backing->writable())
        return fail(RiffError::Write, EBADF);
    int sysError = 0;
    if (!m_backing->write(data, size, sysError))
        return fail(RiffError::Write, sysError);
    return RiffError::None;
}

RiffError RiffFile::seek(uint64_t offset) {
    if (!m_backing)
        return fail(RiffError::NotOpen);
    if (offset > m_backing->size() && !m_backing->writable())
        return fail(RiffError::Seek, EINVAL);
    int sysError = 0;
    if (!m_backing->seek(offset, sysError))
        return fail(RiffError::Seek, sysError);
    return RiffError::None;
}

uint64_t RiffFile::tell() const { return m_backing ? m_backing->position() : 0; }

uint64_t RiffFile::fileSize() const { return m_backing ? m_backing->size() : 0; }

RiffError RiffFile::flush() {
    if (!m_backing)
        return fail(RiffError::NotOpen);
    int sysError = 0;
    if (m_backing->writable() && !m_backing->flush(sysError))
        return fail(RiffError::Write, sysError);
    return RiffError::None;
}

RiffError RiffFile::descend(RiffChunk& chunk, const RiffChunk* parent, Find find) {
    if (!m_backing)
        return fail(RiffError::NotOpen);
    // Everything found lies inside what the file holds and what the parent really spans.
    uint64_t limit = fileSize();
    if (parent)
        limit = std::min(limit, parent->end());
    uint64_t at = tell();
    while (at + 8 <= limit) {
        if (RiffError error = seek(at); error != RiffError::None)
            return error;
        uint8_t header[8];
        if (read(header, sizeof header) != sizeof header)
            return fail(RiffError::ChunkNotFound);
        const uint32_t id = readU32(header);
        const uint32_t claimed = readU32(header + 4);
        const uint64_t dataOffset = at + 8;
        const uint32_t size = static_cast<uint32_t>(std::min<uint64_t>(claimed, limit - dataOffset));
        uint32_t formType = 0;
        bool hasForm = false;
        if (isForm(id) && size >= 4) {
            uint8_t form[4];
            if (read(form, sizeof form) != sizeof form)
                return fail(RiffError::ChunkNotFound);
            formType = readU32(form);
            hasForm = true;
        }
        bool match = false;
        switch (find) {
        case Find::Any: match = true; break;
        case Find::Chunk: match = id == chunk.id; break;
        case Find::Riff: match = id == kRiff && hasForm && formType == chunk.formType; break;
        case Find::List: match = id == kList && hasForm && formType == chunk.formType; break;
        }
        if (match) {
            chunk.id = id;
            chunk.size = size;
            chunk.claimedSize = claimed;
            chunk.formType = formType;
            chunk.dataOffset = dataOffset;
            chunk.dirty = false;
            return seek(dataOffset + (hasForm ? 4 : 0));
        }
        // A chunk that runs past its bounds hides whatever may follow it.
        if (size < claimed)
            break;
        at = dataOffset + claimed + (claimed & 1u);
    }
    return fail(RiffError::ChunkNotFound);
}

RiffError RiffFile::ascend(RiffChunk& chunk) {
    if (!m_backing)
        return fail(RiffError::NotOpen);
    if (chunk.dirty) {
        const uint64_t end = tell();
        if (end < chunk.dataOffset)
            return fail(RiffError::Seek, EINVAL);
        const uint64_t size = end - chunk.dataOffset;
        if (size > std::numeric_limits<uint32_t>::max())
            return fail(RiffError::TooLarge);
        uint64_t behind = end;
        if (size & 1u) {
            const uint8_t pad = 0;
            if (RiffError error = write(&pad, 1); error != RiffError::None)
                return error;
            behind = end + 1;
        }
        if (RiffError error = writeU32At(chunk.dataOffset - 4, static_cast<uint32_t>(size)); error != RiffError::None)
            return error;
        chunk.size = chunk.claimedSize = static_cast<uint32_t>(size);
        chunk.dirty = false;
        return seek(behind);
    }
    uint64_t behind = chunk.end() + (chunk.truncated() ? 0 : (chunk.size & 1u));
    return seek(std::min(behind, fileSize()));
}

RiffError RiffFile::createChunk(RiffChunk& chunk, Kind kind) {
    if (!m_backing)
        return fail(RiffError::NotOpen);
    const uint64_t at = tell();
    if (kind == Kind::Riff)
        chunk.id = kRiff;
    else if (kind == Kind::List)
        chunk.id = kList;
    uint8_t header[12];
    putU32(header, chunk.id);
    putU32(header + 4, chunk.size);
    putU32(header + 8, chunk.formType);
    if (RiffError error = write(header, kind == Kind::Chunk ? 8 : 12); error != RiffError::None)
        return error;
    chunk.claimedSize = chunk.size;
    chunk.dataOffset = at + 8;
    chunk.dirty = true;
    return RiffError::None;
}

RiffError RiffFile::updateSize(RiffChunk& chunk) {
    if (!m_backing)
        return fail(RiffError::NotOpen);
    if (!chunk.dirty)
        return fail(RiffError::NotCreated);
    const uint64_t here = tell();
    if (here < chunk.dataOffset)
        return fail(RiffError::Seek, EINVAL);
    const uint64_t size = here - chunk.dataOffset;
    if (size > std::numeric_limits<uint32_t>::max())
        return fail(RiffError::TooLarge);
    if (RiffError error = writeU32At(chunk.dataOffset - 4, static_cast<uint32_t>(size)); error != RiffError::None)
        return error;
    return seek(here);
}

std::vector<uint8_t> RiffFile::takeMemory() { return m_backing ? m_backing->take() : std::vector<uint8_t>{}; }

RiffError RiffFile::fail(RiffError error, int sysError) {
    m_errno = sysError;
    return error;
}

RiffError RiffFile::writeU32At(uint64_t offset, uint32_t value) {
    uint8_t bytes[4];
    putU32(bytes, value);
    if (RiffError error = seek(offset); error != RiffError::None)
        return error;
    return write(bytes, sizeof bytes);
}

}  // namespace plat::riff
